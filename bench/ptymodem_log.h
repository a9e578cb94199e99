// Reading the logs of libptymodem (bench/ptymodem.cpp): what a program did on
// its pseudo-terminals, time-stamped on CLOCK_MONOTONIC so that the logs of
// several programs compare.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Event {
  std::uint64_t ns;
  std::string dev;  // ptsN, ptmN, or "-" for a pause
  char kind;        // M W R Q S Z
  std::string data;
};

// The events of a log, up to the unused tail of a killed program's log.
std::vector<Event> ReadLog(const std::string& path);

// The bytes of the hexadecimal data of a W or R event.
std::vector<std::uint8_t> Hex(const std::string& s);

// The length of the frame that begins with this byte: a command is one byte,
// a request (PeekAD, PeekSRAM) three or four.
int FrameLength(std::uint8_t first);

// The device padlink strobes on: the one with modem-line changes, else the
// first terminal end it wrote to; "" for none.
std::string PortDevice(const std::vector<Event>& log);

// Whether a pause that asked for `asked_ns` is a pass's 5 ms pause.
bool IsPassPause(long long asked_ns);

// RTS low times (ms) of the strobes in a log, split into those after a
// command byte and those after the bytes of a request frame. Either may be
// null.
void StrobeTimes(const std::vector<Event>& log, std::vector<double>* commands,
                 std::vector<double>* requests);
