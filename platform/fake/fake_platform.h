// A platform in virtual time for the unit tests. The serial device records
// every call with its virtual time stamp, can refuse any kind of call with a
// chosen error, and delivers scripted bytes "from the robot" at chosen times;
// pauses advance the virtual clock; keys arrive at chosen times; exiting the
// process throws fake::Exit.
#pragma once

#include <climits>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace fake {

enum class Call {
  kOpen,
  kSetQueues,
  kGetSettings,
  kSetSettings,
  kGetTimeouts,
  kSetTimeouts,
  kInputCount,
  kRead,
  kWrite,
  kClearRts,
  kSetRts,
  kClose,
  kPause,
};

struct Record {
  Call call;
  std::uint64_t time;               // virtual milliseconds when the call began
  PlatformHandle handle;            // device the call went to
  bool ok;                          // false when the call was refused
  std::int64_t value;               // pause length, byte count asked for, count found
  std::vector<std::uint8_t> bytes;  // bytes written or read
  std::string name;                 // device name of an open
  LineSettings settings;            // record written by kSetSettings
  PortTimeouts timeouts;            // record written by kSetTimeouts
};

// Thrown by PlatformExit.
struct Exit {
  int status;
};

struct Refusal {
  std::int32_t error;
  int after;  // calls of the kind that still succeed first
  int times;  // calls refused after those
  int seen;   // calls of the kind since the refusal was set up
};

// A key pressed at a virtual time; a press without a key is a read of the
// keyboard that fails with `error`.
struct KeyPress {
  std::uint64_t time;
  std::optional<Key> key;
  std::int32_t error = 0;
};

struct State {
  std::uint64_t now = 0;           // virtual milliseconds
  std::uint32_t tick_at_zero = 0;  // PlatformTickMs() at now == 0
  std::int32_t last_error = 0;
  std::vector<Record> log;
  std::map<Call, Refusal> refusals;
  PlatformHandle next_handle = 100;
  LineSettings settings{};  // the device's line settings
  PortTimeouts timeouts{};  // the device's time-outs
  // Bytes from the robot: (virtual arrival time, byte), in arrival order.
  std::deque<std::pair<std::uint64_t, std::uint8_t>> rx;
  // Called for every byte written, with its virtual time; a test's robot
  // schedules its answer here with RobotSends.
  std::function<void(std::uint8_t byte, std::uint64_t time)> robot;
  // Keys in the order they are pressed (fake_keyboard.cpp).
  std::deque<KeyPress> keys;
  bool keyboard_open = false;  // while a keyboard is open
  int keyboards_opened = 0;
  // PlatformRequestTiming calls, and the calls logged before the first one.
  int timing_requests = 0;
  std::size_t log_size_at_timing_request = 0;
  // Calls recorded in the log before PlatformStartUp; -1 until it is called.
  int started_after_calls = -1;
  // Extra milliseconds for chosen pauses (by their number, counting from 0),
  // as a real pause that wakes up late.
  std::map<int, std::uint64_t> late_pauses;
  int pauses_made = 0;
  // What SerialDescribePort reports, and the port and error it was asked
  // about (0 and 0 until it is).
  PortDescription description{};
  std::int32_t described_port = 0;
  std::int32_t described_error = 0;
};

State& Get();
// Back to a fresh platform: time 0, no calls, no refusals, no robot, no keys.
void Reset();

// Refuses calls of `call` with `error`: of the calls from now on, the first
// `after` succeed, the next `times` are refused.
void Refuse(Call call, std::int32_t error, int after = 0, int times = INT_MAX);

// The robot sends these bytes, the first arriving at `time`, one more each
// `spacing` ms.
void RobotSends(std::uint64_t time, const std::vector<std::uint8_t>& bytes,
                std::uint64_t spacing = 0);
// A robot that echoes every byte `delay` ms after it was written.
void EchoEveryByte(std::uint64_t delay);

// A key pressed at `time`: a character, a special key in a form, any key.
void PressKey(std::uint64_t time, unsigned char character);
void PressSpecial(std::uint64_t time, SpecialKey key, KeyForm form = KeyForm::kPlain);
void PressKey(std::uint64_t time, const Key& key);
// At `time` the keyboard cannot be read, once: a read fails with `error`.
void KeyboardFails(std::uint64_t time, std::int32_t error = 5);

// Calls of one kind, in order.
std::vector<Record> Calls(Call call);
int Count(Call call);
// All bytes written to the device, in order.
std::vector<std::uint8_t> Written();
// Bytes that arrived but were not read yet.
std::int32_t Waiting();

}  // namespace fake
