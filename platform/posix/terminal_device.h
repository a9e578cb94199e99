// The pieces of a serial device on POSIX (a terminal device), shared by the
// files that make it up: opening and its guards (serial_open_posix.cpp),
// exclusive use (exclusive_posix.cpp), the driver's low-latency flag
// (low_latency_posix.cpp), line settings on termios and the
// modem-control lines (termios_posix.cpp), transfers and waits
// (transfer_posix.cpp), and the Port object over them (terminal_port.cpp).
#pragma once

#include <cstdint>

#include "platform/port.h"

struct termios;

namespace terminal {

// ---------------------------------------------------------------------------
// Exclusive use

// Takes the lock that every program which locks a serial device takes; the
// kernel drops it when the process ends, however it ends. 0, or the error
// code (kErrPortBusy when another process holds it).
int Lock(int fd);
// The error code for an open of `path` that the device refused with EBUSY.
int BusyReason(const char* path);

// Devices that can be marked for exclusive use at the same time.
constexpr int kMaxMarked = 16;
// Marks the device for exclusive use (TIOCEXCL), recorded where
// PosixSerialReleaseAll finds it, so that the mark is cleared however the
// process ends; false, with nothing marked, when kMaxMarked devices are
// marked already.
bool Mark(int fd);
// Clears the mark of a device that Mark marked, and forgets it.
void Unmark(int fd);

// ---------------------------------------------------------------------------
// Low latency

// Devices whose low-latency flag can be held at the same time.
constexpr int kMaxLowLatency = 16;
// Asks the driver for low latency (ASYNC_LOW_LATENCY: a USB adapter's
// driver shortens its latency timer, FTDI's from 16 ms to 1 ms) when the
// flag is not set already. True when this set it: it is recorded where
// PosixSerialReleaseAll finds it, and GiveBackLowLatency must clear it
// again, so that the device is left as it was found. A refusal only costs
// latency.
bool RequestLowLatency(int fd);
// Clears the flag that RequestLowLatency set, and forgets the device.
void GiveBackLowLatency(int fd);
// Clears the flag on every device that still has it from RequestLowLatency.
// Safe to call from a signal handler.
void GiveBackAllLowLatency();

// ---------------------------------------------------------------------------
// Line settings and modem-control lines

// Puts the device into raw mode: every byte passes unchanged both ways.
// false, with errno set, when it cannot.
bool MakeRaw(int fd);
// Whether the device can take the settings at all.
bool Supported(const LineConfig& config);
// The part of supported settings that termios holds (framing, CTS/RTS and
// XON/XOFF flow control, parity checking), written into a termios record,
// and read back from one into *config, whose other fields stay (the speed,
// the line controls, and CTS flow while RTS is the handshake).
void ToTermios(const LineConfig& config, termios* t);
void FromTermios(const termios& t, LineConfig* config);
// The settings in force: what termios holds, and from `kept` (the settings
// last applied) what it does not hold.
SysResult<LineConfig> ReadConfig(int fd, const LineConfig& kept);
// Applies all of the settings or none of them: framing, speed and flow
// control in termios, then the DTR and RTS levels. Settings the device cannot
// do, or that its driver did not take, are refused (kErrUnsupportedSetting).
SysResult<void> ApplyConfig(int fd, const LineConfig& config);
// Sets or clears a modem-control line (TIOCM_DTR, TIOCM_RTS); false, with
// errno set, when the device refuses.
bool SetModemLine(int fd, int line, bool on);

// ---------------------------------------------------------------------------
// Transfers and waits (the device is non-blocking)

// Reads up to n bytes within timeout_ms, returning once n have arrived.
SysResult<std::int32_t> ReadWithin(int fd, std::uint8_t* bytes, std::int32_t n,
                                   std::int32_t timeout_ms);
// Writes n bytes, waiting at most timeout_ms for room.
SysResult<std::int32_t> WriteWithin(int fd, const std::uint8_t* bytes, std::int32_t n,
                                    std::int32_t timeout_ms);
// The bytes waiting to be read.
SysResult<std::int32_t> InputWaiting(int fd);
// Waits until at least n bytes are waiting, at most timeout_ms.
SysResult<std::int32_t> WaitForInput(int fd, std::int32_t n, std::int32_t timeout_ms);

}  // namespace terminal
