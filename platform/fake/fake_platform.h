// A platform in virtual time for the unit tests: each test makes its own
// fake::Platform, whose clock is the test's clock. Its serial device is one
// simulated line: every port opened on it (fake::FakePort) records each call
// with its virtual time stamp; any kind of call can be refused with a chosen
// error; scripted bytes "from the robot" arrive at chosen times, and reads
// and waits move the virtual clock on to their arrival or to the time-out.
// Pauses advance the virtual clock; keys arrive at chosen times; exiting the
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

#include "platform/clock.h"
#include "platform/platform.h"
#include "platform/port.h"

namespace fake {

enum class Call {
  kOpen,
  kGetConfig,
  kConfigure,
  kWaiting,
  kWaitFor,
  kRead,
  kWrite,
  kSetRts,
  kSetDtr,
  kClose,
  kPause,
  kSuspend,  // PlatformSuspend
};

struct Record {
  Call call;
  std::uint64_t time;               // virtual milliseconds when the call began
  std::int32_t port;                // the port the call went to (FakePort::id), 0 for none
  bool ok;                          // false when the call was refused
  std::int64_t value;               // pause length; bytes asked for; line on (1) or off (0)
  std::int32_t timeout;             // the wait a read, write or WaitFor was given
  std::int32_t count;               // bytes moved, or found waiting
  std::vector<std::uint8_t> bytes;  // bytes asked to be written, or read
  std::string name;                 // device path of an open
  LineConfig config;                // the settings kConfigure was given
};

// The fake's error code of a device that is gone (its kind is
// ErrorKind::kGone): an unplugged adapter, a line whose other end hung up.
// Every other code is of kind other, unless a refusal names a kind.
constexpr std::int32_t kDeviceGone = 1001;

// Thrown by PlatformExit; `by_request` when an end request was pending,
// so that the process would have died of its signal instead.
struct Exit {
  int status;
  bool by_request = false;
};

struct Refusal {
  std::int32_t error;  // the platform error code
  int after;           // calls of the kind that still succeed first
  int times;           // calls refused after those
  int seen;            // calls of the kind since the refusal was set up
  bool stall;          // a write that stalls instead: no error, nothing written
  std::optional<ErrorKind> kind = std::nullopt;  // the error's kind, else the code's
};

// A key pressed at a virtual time; a press without a key is a read of the
// keyboard that fails with `error`.
struct KeyPress {
  std::uint64_t time;
  std::optional<Key> key;
  std::int32_t error = 0;
};

struct State {
  std::uint64_t now = 0;         // virtual milliseconds
  std::uint64_t ms_at_zero = 0;  // the clock's NowMs() at now == 0
  std::vector<Record> log;
  std::map<Call, Refusal> refusals;
  std::int32_t next_port = 1;  // FakePort::id of the next port opened
  LineConfig config{};         // the device's line settings
  // Bytes from the robot: (virtual arrival time, byte), in arrival order.
  std::deque<std::pair<std::uint64_t, std::uint8_t>> rx;
  // Called for every byte written, with its virtual time; a test's robot
  // schedules its answer here with RobotSends.
  std::function<void(std::uint8_t byte, std::uint64_t time)> robot;
  // Keys in the order they are pressed (fake_keyboard.cpp).
  std::deque<KeyPress> keys;
  // Requests from outside (a signal) at virtual times, in order; an end
  // request, once it has come, stays.
  std::deque<std::pair<std::uint64_t, OutsideRequest>> requests;
  bool taking_requests = false;  // PlatformTakeRequests was called
  bool end_requested = false;
  bool input_ends = false;     // the keyboard's input ends after its keys
  bool keyboard_open = false;  // while a keyboard is open
  int keyboards_opened = 0;
  bool keyboard_before_requests = false;  // a keyboard opened before PlatformTakeRequests
  // PlatformRequestTiming calls, and the calls logged before the first one.
  int timing_requests = 0;
  std::size_t log_size_at_timing_request = 0;
  // Calls recorded in the log before PlatformStartUp; -1 until it is called.
  int started_after_calls = -1;
  // Extra milliseconds for chosen pauses (by their number, counting from 0),
  // as a real pause that wakes up late.
  std::map<int, std::uint64_t> late_pauses;
  int pauses_made = 0;
  // Extra milliseconds for chosen waits (reads and WaitFor calls that are
  // not refused, by their number, counting from 0), as a process that runs
  // again late: the call returns that much later, with what came meanwhile.
  std::map<int, std::uint64_t> late_waits;
  int waits_made = 0;
  // Extra milliseconds for chosen writes that are not refused (by their
  // number, counting from 0): the bytes go out at once and the call returns
  // that much later, as a process stopped right after its write.
  std::map<int, std::uint64_t> late_writes;
  int writes_made = 0;
  // What SerialDescribePort reports, and the port, path and error it was
  // asked about (0, "" and 0 until it is).
  PortDescription description{};
  std::int32_t described_port = 0;
  std::string described_path;
  std::int32_t described_error = 0;
};

// The clock of a fake platform: the platform's virtual time (from
// ms_at_zero on); a pause is recorded and moves the time on.
class VirtualClock final : public Clock {
 public:
  explicit VirtualClock(State& state) : state_(state) {}
  std::uint64_t NowMs() const override;
  void Pause(std::int32_t ms) const override;

 private:
  State& state_;
};

// A fresh fake platform: time 0, no calls, no refusals, no robot, no keys.
// While it lives, the platform's functions act on it; one made while another
// lives stands in for it until it ends. Ports still open stay usable and
// record into the platform that is current.
class Platform {
 public:
  Platform();
  ~Platform();
  Platform(const Platform&) = delete;
  Platform& operator=(const Platform&) = delete;

  State& state() { return state_; }
  const Clock& clock() const { return clock_; }

 private:
  State state_;
  VirtualClock clock_{state_};
  Platform* previous_;
};

// The current platform, and its state.
Platform& Current();
State& Get();

// A port on the simulated line, as PlatformOpenSerialDevice opens it. A call
// after Close fails (error 9) and is recorded as refused; the destructor
// records the close of a port that is still open.
class FakePort : public Port {
 public:
  explicit FakePort(std::int32_t id) : id_(id) {}
  ~FakePort() override;

  std::int32_t id() const { return id_; }

  SysResult<LineConfig> GetConfig() override;
  SysResult<void> Configure(const LineConfig& config) override;
  // Hands the bytes to the robot at once; a stalled write waits out its
  // time-out and writes nothing.
  SysResult<std::int32_t> Write(const std::uint8_t* bytes, std::int32_t n,
                                std::int32_t timeout_ms) override;
  // Read and WaitFor move the clock on to the arrival of the n-th byte, or to
  // the time-out.
  SysResult<std::int32_t> Read(std::uint8_t* bytes, std::int32_t n,
                               std::int32_t timeout_ms) override;
  SysResult<std::int32_t> Waiting() override;
  SysResult<std::int32_t> WaitFor(std::int32_t n, std::int32_t timeout_ms) override;
  SysResult<void> SetRts(bool on) override;
  SysResult<void> SetDtr(bool on) override;
  SysResult<void> Close() override;

 private:
  Record& Log(Call call);
  // Whether this call is refused (the error then set); a write may stall.
  bool Refused(Record& r, SysError* error, bool* stalled = nullptr);
  void WaitUntilWaiting(std::int32_t n, std::int32_t timeout_ms);

  std::int32_t id_;
  bool closed_ = false;
};

// Refuses calls of `call` with `error`: of the calls from now on, the first
// `after` succeed, the next `times` are refused.
void Refuse(Call call, std::int32_t error, int after = 0, int times = INT_MAX);
// The same with an error of the given kind.
void Refuse(Call call, std::int32_t error, ErrorKind kind, int after = 0, int times = INT_MAX);
// Writes that find no room (in place of a refusal of writes): of the writes
// from now on, the first `after` succeed, the next `times` wait out their
// time-out and write nothing.
void StallWrites(int after = 0, int times = INT_MAX);

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
// A request from outside (a signal) that comes at `time`.
void RequestAt(std::uint64_t time, OutsideRequest request);

// Calls of one kind, in order.
std::vector<Record> Calls(Call call);
int Count(Call call);
// All bytes written to the device, in order.
std::vector<std::uint8_t> Written();
// Bytes that arrived but were not read yet.
std::int32_t Waiting();

}  // namespace fake
