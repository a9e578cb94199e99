// The robot link's echoed exchange in both link modes over the fake port:
// arbitrary robot bytes and timings (an echoing robot with a delay, a
// corrupted and a missing byte, bytes left from earlier traffic, scripted
// bursts), refused and stalled calls, late pauses and waits that wake up
// late, and a command sent first. The calls the link made are walked
// against the discipline of its link mode, and the result is checked
// against what the calls returned: a value only when exactly count bytes
// were read and the echo matched, each failure with the cause of the call
// that failed, nothing after a failure except the strobe's putting RTS back
// up, nothing printed, and a bounded time.
//
// Input, read from the front (missing bytes read as 0):
//   flags: bit 0 cable mode, bit 1 echoing robot, bit 2 long request,
//          bit 3 RxBuffer holds a matching reply from an earlier exchange,
//          bit 4 refused writes stall instead, bit 5 a command goes first
//          (the robot does not answer it)
//   count: 1 + n % 8; with the long-request bit 9 + n % 8, or the longest
//          ones, 253..256, when n is 224 or more
//   the request: count bytes; the command byte
//   robot: delay (2 bytes, % 1500 ms), corrupt position, corrupt mask, drop
//          position (positions past the request: none), value byte
//   waiting: n % 9, then n bytes already waiting at the start
//   refusals of write, RTS changes, WaitFor and read: 2 bytes each
//          (0 = none, else the first (a - 1) % 16 calls succeed; then b % 4
//          calls are refused, all when b % 4 is 0)
//   late pauses, then late waits: n % 5, then (number, 2 bytes extra ms %
//          2000) each; a byte of the request that would go out more than
//          kMaxRequestGapMs after the one before is not sent, and the
//          request is made once more after the quiet time
//          (link/robot_link.h)
//   up to 4 bursts: time (2 bytes, % 3000), spacing, n % 8, n bytes
//
// `exchange_fuzz --write-seeds=DIR` writes the seed inputs and exits.
#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "link/robot_link.h"
#include "platform/fake/fake_platform.h"
#include "platform/platform.h"

namespace {

using fake::Call;
using Bytes = std::vector<std::uint8_t>;

// The kinds of call the input refuses, in its order, each with the error
// it is refused with, so that a cause names the call it came from.
constexpr std::pair<Call, std::int32_t> kRefusals[] = {
    {Call::kWrite, 11}, {Call::kSetRts, 12}, {Call::kWaitFor, 13}, {Call::kRead, 14}};

std::int32_t RefusalCode(Call call) {
  for (const auto& [kind, code] : kRefusals) {
    if (kind == call) return code;
  }
  return 0;
}

class Reader {
 public:
  Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  std::uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
  std::uint16_t U16() { return static_cast<std::uint16_t>(Byte() << 8 | Byte()); }
  bool AtEnd() const { return pos_ >= size_; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

// Answers the request's bytes; a command sent first gets no answer.
struct Robot {
  std::uint64_t delay;
  int corrupt_at;
  std::uint8_t corrupt_mask;
  int drop_at;
  std::uint8_t value;
  int count;
  int seen = 0;  // bytes of the request received; -1 while a command is due

  void OnByte(std::uint8_t b, std::uint64_t t) {
    const int i = seen++;
    if (i < 0) return;
    std::uint8_t reply = i == count - 1 ? value : b;
    if (i == corrupt_at) reply ^= corrupt_mask;
    if (i != drop_at) fake::RobotSends(t + delay, {reply});
  }
};

fuzz::StderrCapture* g_capture;

// What the calls made call for: a value, or a failure and the code of the
// refused call behind it (0 for none).
struct Outcome {
  std::optional<LinkFailure> failure;
  std::int32_t cause = 0;
  std::uint8_t value = 0;
};

// Walks the recorded calls of an optional command and one exchange against
// the discipline of the link mode and returns the outcome they call for, or
// stops the run on the first call out of place.
class Walk {
 public:
  Walk(const RobotLink& link, bool cable, const Bytes& request)
      : link_(link),
        cable_(cable),
        request_(request),
        count_(static_cast<std::int32_t>(request.size())),
        log_(fake::Get().log) {}

  // A command: its write, then the strobe, or the pause alone.
  // A command: its write, then the strobe, or the pause alone; each step
  // whatever the one before did. The outcome they call for.
  CommandOutcome Command(std::uint8_t command) {
    const fake::Record& w = Next(Call::kWrite, "the command");
    FUZZ_CHECK(w.bytes == Bytes{command}, "the command is not its byte alone");
    FUZZ_CHECK(w.timeout == kComDefaultTimeoutMs, "command time-out %d", w.timeout);
    CommandOutcome outcome;
    outcome.sent = w.ok && w.count >= 1;
    if (cable_) {
      FUZZ_CHECK(Next(Call::kPause, "the command's pause").value == kStrobeMs, "pause not 8 ms");
      return outcome;
    }
    const auto [clear, set] = Strobe();
    outcome.rts_cleared = clear->ok;
    outcome.rts_set = set->ok;
    return outcome;
  }

  // The exchange: one go, or, when the go was cut apart (a byte would have
  // followed the one before more than kMaxRequestGapMs later), the quiet
  // time after the last byte, the input read away, and a second go, which
  // fails as a time-out when it is cut apart too.
  Outcome Exchange() {
    std::optional<Outcome> first = Go(false);
    if (first) return *first;
    cut_ = true;
    const std::uint64_t since = Peek("the quiet time or the drain").time - last_write_;
    if (since < static_cast<std::uint64_t>(kFrameQuietMs)) {
      const fake::Record& quiet = Next(Call::kPause, "the quiet time");
      FUZZ_CHECK(quiet.value == kFrameQuietMs - static_cast<std::int64_t>(since),
                 "a quiet time of %lld ms, %llu ms after the last byte",
                 static_cast<long long>(quiet.value), static_cast<unsigned long long>(since));
    }
    Drain();
    return *Go(true);
  }

  // Whether a request was cut apart.
  bool cut() const { return cut_; }

 private:
  // One go at the request: its outcome, or nothing when it was cut apart
  // and is to be made again.
  std::optional<Outcome> Go(bool last) {
    std::int32_t wait_failure = 0;
    Bytes reply;  // the reply bytes read so far, in order
    for (std::int32_t i = 0; i < count_; ++i) {
      // The time the link looked at the clock: that of its next call, or,
      // when a second go was cut apart, the end of the exchange.
      const std::uint64_t now = at_ < log_.size() ? log_[at_].time : fake::Get().now;
      if (i > 0 && now - last_write_ > static_cast<std::uint64_t>(kMaxRequestGapMs)) {
        FUZZ_CHECK(at_ == log_.size() || log_[at_].call != Call::kWrite,
                   "byte %d went out %llu ms after the one before", i,
                   static_cast<unsigned long long>(now - last_write_));
        if (last) return Ends({LinkFailure::kTimeout, 0});
        return std::nullopt;
      }
      const fake::Record& w = Next(Call::kWrite, "a write");
      FUZZ_CHECK(w.bytes == Bytes{request_[static_cast<std::size_t>(i)]},
                 "write %d is not request byte %d alone", i, i);
      // A byte after the first waits no longer than what is left of the gap.
      const auto want_timeout =
          i > 0 ? static_cast<std::int32_t>(kMaxRequestGapMs -
                                            static_cast<std::int64_t>(now - last_write_))
                : kComDefaultTimeoutMs;
      FUZZ_CHECK(w.timeout == want_timeout, "write time-out %d, not %d", w.timeout, want_timeout);
      if (!w.ok) return Ends({LinkFailure::kSendError, Code(w)});
      if (w.count < 1) return Ends({LinkFailure::kSendError, 0});
      last_write_ = w.time;
      if (cable_) {
        const auto want =
            static_cast<std::int64_t>(i + 1) - static_cast<std::int64_t>(reply.size());
        const fake::Record& e = Next(Call::kRead, "an echo read");
        FUZZ_CHECK(e.value == want && e.timeout == 50, "echo read of %lld in %d ms",
                   static_cast<long long>(e.value), e.timeout);
        if (!e.ok && wait_failure == 0) wait_failure = Code(e);
        if (e.ok) reply.insert(reply.end(), e.bytes.begin(), e.bytes.end());
        continue;
      }
      const auto [clear, set] = Strobe();
      if (!clear->ok) return Ends({LinkFailure::kClearRts, Code(*clear)});
      if (!set->ok) return Ends({LinkFailure::kSetRts, Code(*set)});
    }
    if (!cable_) {
      const fake::Record& r = Next(Call::kWaitFor, "the reply wait");
      FUZZ_CHECK(r.value == count_ && r.timeout == 50, "reply wait for %lld in %d ms",
                 static_cast<long long>(r.value), r.timeout);
      if (!r.ok) return Ends({LinkFailure::kTimeout, Code(r)});
      if (r.count < count_) return Ends({LinkFailure::kTimeout, 0});
    }
    if (static_cast<std::int32_t>(reply.size()) < count_) {
      const auto want = static_cast<std::int64_t>(count_) - static_cast<std::int64_t>(reply.size());
      const fake::Record& read = Next(Call::kRead, "the reply read");
      FUZZ_CHECK(read.value == want && read.timeout == kComDefaultTimeoutMs,
                 "read of %lld in %d ms", static_cast<long long>(read.value), read.timeout);
      if (!read.ok) return Ends({LinkFailure::kTimeout, Code(read)});
      reply.insert(reply.end(), read.bytes.begin(), read.bytes.end());
    }
    if (static_cast<std::int32_t>(reply.size()) < count_)
      return Ends({LinkFailure::kTimeout, wait_failure});
    for (std::int32_t j = 0; j < count_; ++j)
      FUZZ_CHECK(link_.RxBuffer()[j] == reply[j], "RxBuffer[%d] is not the byte read", j);
    for (std::int32_t j = 0; j + 1 < count_; ++j) {
      if (reply[j] != request_[static_cast<std::size_t>(j)])
        return Ends({LinkFailure::kMismatch, 0});
    }
    return Ends({{}, 0, reply[count_ - 1]});
  }

  // What is waiting is read away, without waiting, until nothing is left
  // or the port fails.
  void Drain() {
    for (;;) {
      const fake::Record& waiting = Next(Call::kWaiting, "the drain's count");
      if (!waiting.ok || waiting.count <= 0) return;
      const fake::Record& read = Next(Call::kRead, "the drain's read");
      FUZZ_CHECK(read.value == std::min(waiting.count, RobotLink::kFrameSize) && read.timeout == 0,
                 "the drain reads %lld of %d in %d ms", static_cast<long long>(read.value),
                 waiting.count, read.timeout);
      if (!read.ok || read.count <= 0) return;
    }
  }

  const fake::Record& Peek(const char* what) const {
    FUZZ_CHECK(at_ < log_.size(), "the link stopped early: %s expected", what);
    return log_[at_];
  }

  const fake::Record& Next(Call call, const char* what) {
    FUZZ_CHECK(at_ < log_.size(), "the link stopped early: %s expected", what);
    FUZZ_CHECK(log_[at_].call == call, "call %zu is of kind %d, %s expected", at_,
               static_cast<int>(log_[at_].call), what);
    return log_[at_++];
  }

  // Clear RTS, the pause, set RTS: all three whatever each did.
  std::pair<const fake::Record*, const fake::Record*> Strobe() {
    const fake::Record& clear = Next(Call::kSetRts, "clear RTS");
    FUZZ_CHECK(clear.value == 0, "RTS set where it is cleared");
    FUZZ_CHECK(Next(Call::kPause, "the strobe").value == kStrobeMs, "strobe pause not 8 ms");
    const fake::Record& set = Next(Call::kSetRts, "set RTS");
    FUZZ_CHECK(set.value == 1, "RTS cleared where it is set");
    return {&clear, &set};
  }

  static std::int32_t Code(const fake::Record& r) { return RefusalCode(r.call); }

  Outcome Ends(Outcome outcome) {
    FUZZ_CHECK(at_ == log_.size(), "%zu calls after the exchange's end", log_.size() - at_);
    return outcome;
  }

  const RobotLink& link_;
  bool cable_;
  const Bytes& request_;
  std::int32_t count_;
  const std::vector<fake::Record>& log_;
  std::size_t at_ = 0;
  std::uint64_t last_write_ = 0;  // when the latest byte was written
  bool cut_ = false;
};

// Seeds: the cases of the link's unit tests in this input format.
struct Seed {
  const char* name;
  bool cable;
  Bytes request;
  bool robot = true;
  std::uint16_t delay = 1;
  std::uint8_t corrupt_at = 255, drop_at = 255, value = 0x80;
  Bytes waiting = {};
  Bytes refusals = Bytes(8, 0);  // (a, b) for write, RTS, WaitFor, read
  std::uint8_t more_flags = 0;   // bit 3 stale reply, bit 4 stalls, bit 5 command
  // Pauses and waits that wake up late: (number, extra ms).
  std::vector<std::pair<std::uint8_t, std::uint16_t>> late_pauses = {};
  std::vector<std::pair<std::uint8_t, std::uint16_t>> late_waits = {};
};

Bytes SeedInput(const Seed& s) {
  Bytes in;
  in.push_back(static_cast<std::uint8_t>((s.cable ? 1 : 0) | (s.robot ? 2 : 0) | s.more_flags));
  in.push_back(static_cast<std::uint8_t>(s.request.size() - 1));
  in.insert(in.end(), s.request.begin(), s.request.end());
  in.push_back(0x31);  // the command
  in.insert(in.end(), {static_cast<std::uint8_t>(s.delay >> 8), static_cast<std::uint8_t>(s.delay),
                       s.corrupt_at, 0xFF, s.drop_at, s.value});
  in.push_back(static_cast<std::uint8_t>(s.waiting.size()));
  in.insert(in.end(), s.waiting.begin(), s.waiting.end());
  in.insert(in.end(), s.refusals.begin(), s.refusals.end());
  for (const auto* late : {&s.late_pauses, &s.late_waits}) {
    in.push_back(static_cast<std::uint8_t>(late->size()));
    for (const auto& [number, ms] : *late)
      in.insert(in.end(),
                {number, static_cast<std::uint8_t>(ms >> 8), static_cast<std::uint8_t>(ms)});
  }
  return in;  // and no bursts
}

// The refusal bytes with (a, b) for one kind: 0 write, 1 RTS, 2 WaitFor,
// 3 read.
Bytes Refuse(int kind, std::uint8_t a, std::uint8_t b) {
  Bytes r(8, 0);
  r[static_cast<std::size_t>(2 * kind)] = a;
  r[static_cast<std::size_t>(2 * kind + 1)] = b;
  return r;
}

std::vector<Seed> Seeds() {
  const Bytes ad = {0xE2, 0x03, 0x00};
  const Bytes sram = {0xF7, 0x41, 0x01, 0x00};
  const Bytes ad5 = {0xE2, 0x05, 0x00};
  return {
      {.name = "strobe-delay-20", .cable = false, .request = ad, .delay = 20},
      {.name = "strobe-count-1-waiting",
       .cable = false,
       .request = {0x42},
       .robot = false,
       .delay = 0,
       .value = 0,
       .waiting = {0x99}},
      {.name = "strobe-value-0", .cable = false, .request = ad, .value = 0},
      {.name = "cable-value-0", .cable = true, .request = sram, .value = 0},
      {.name = "strobe-second-write-refused",
       .cable = false,
       .request = sram,
       .refusals = Refuse(0, 2, 1)},
      {.name = "strobe-second-write-stalls",
       .cable = false,
       .request = sram,
       .refusals = Refuse(0, 2, 1),
       .more_flags = 0x10},
      {.name = "strobe-clear-rts-refused",
       .cable = false,
       .request = sram,
       .refusals = Refuse(1, 3, 1)},
      {.name = "strobe-clear-and-set-refused",
       .cable = false,
       .request = sram,
       .refusals = Refuse(1, 3, 2)},
      {.name = "strobe-set-rts-refused",
       .cable = false,
       .request = sram,
       .refusals = Refuse(1, 4, 1)},
      {.name = "strobe-no-value", .cable = false, .request = ad, .drop_at = 2},
      {.name = "strobe-bad-echo", .cable = false, .request = sram, .corrupt_at = 1},
      {.name = "cable-bad-echo", .cable = true, .request = sram, .corrupt_at = 1},
      {.name = "cable-byte-left-waiting", .cable = true, .request = ad, .waiting = {0x55}},
      {.name = "strobe-byte-left-waiting", .cable = false, .request = ad, .waiting = {0x55}},
      {.name = "cable-delay-3", .cable = true, .request = ad5, .delay = 3},
      {.name = "cable-delay-200", .cable = true, .request = ad5, .delay = 200},
      {.name = "cable-delay-1100", .cable = true, .request = ad5, .delay = 1100},
      {.name = "cable-no-value-stale-reply",
       .cable = true,
       .request = ad5,
       .drop_at = 2,
       .more_flags = 0x08},
      {.name = "cable-write-refused", .cable = true, .request = ad5, .refusals = Refuse(0, 1, 1)},
      {.name = "strobe-wait-refused", .cable = false, .request = ad, .refusals = Refuse(2, 1, 1)},
      {.name = "cable-one-echo-wait-refused",
       .cable = true,
       .request = ad,
       .refusals = Refuse(2, 1, 1)},
      {.name = "cable-echo-waits-refused-no-value",
       .cable = true,
       .request = ad,
       .drop_at = 2,
       .refusals = Refuse(2, 1, 0)},
      {.name = "cable-read-refused", .cable = true, .request = ad, .refusals = Refuse(3, 1, 1)},
      {.name = "strobe-read-refused", .cable = false, .request = ad, .refusals = Refuse(3, 1, 1)},
      {.name = "strobe-command-first", .cable = false, .request = ad, .more_flags = 0x20},
      {.name = "cable-command-first", .cable = true, .request = ad, .more_flags = 0x20},
  };
}

// Seeds of a process that runs late: waits and pauses that wake up late,
// and requests cut apart by a stop between two bytes, made again.
std::vector<Seed> LateSeeds() {
  const Bytes ad = {0xE2, 0x03, 0x00};
  const Bytes sram = {0xF7, 0x41, 0x01, 0x00};
  return {
      // The reply comes while the wait for it wakes up late (at 24 + 50 + 30).
      {.name = "strobe-reply-during-a-late-wait",
       .cable = false,
       .request = ad,
       .delay = 70,
       .late_waits = {{0, 30}}},
      {.name = "strobe-late-wait-no-reply",
       .cable = false,
       .request = ad,
       .delay = 90,
       .late_waits = {{0, 30}}},
      {.name = "strobe-late-strobe-pause",
       .cable = false,
       .request = ad,
       .late_pauses = {{1, 100}}},
      {.name = "strobe-stopped-between-bytes",
       .cable = false,
       .request = sram,
       .late_pauses = {{1, 1000}}},
      {.name = "cable-stopped-between-bytes",
       .cable = true,
       .request = sram,
       .late_waits = {{0, 300}}},
      {.name = "strobe-cut-apart-twice",
       .cable = false,
       .request = ad,
       .late_pauses = {{0, 250}, {1, 250}}},
      {.name = "strobe-201-ms-between-bytes",
       .cable = false,
       .request = ad,
       .late_pauses = {{0, 193}}},
  };
}

void WriteSeeds(const std::string& dir) {
  std::vector<Seed> seeds = Seeds();
  for (Seed& s : LateSeeds())
    seeds.push_back(std::move(s));
  for (const Seed& s : seeds) {
    const Bytes in = SeedInput(s);
    const std::string path = dir + "/" + s.name;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f || std::fwrite(in.data(), 1, in.size(), f) != in.size()) {
      std::perror(path.c_str());
      std::exit(1);
    }
    std::fclose(f);
  }
}

// Room for the calls of the longest exchange, handed from the fake platform
// of one input to that of the next.
std::vector<fake::Record>* g_log_room = nullptr;

// A fresh fake platform for one input, whose log has the room the last
// input made for it.
class FreshPlatform {
 public:
  FreshPlatform() { std::swap(platform_.state().log, *g_log_room); }
  ~FreshPlatform() {
    platform_.state().log.clear();
    std::swap(platform_.state().log, *g_log_room);
  }

 private:
  fake::Platform platform_;
};

// A link over a fresh port of the fake platform that is current.
RobotLink FreshLink(LinkMode mode) {
  SysResult<std::unique_ptr<Port>> port = PlatformOpenSerialDevice(PlatformSerialDeviceName(1));
  FUZZ_CHECK(port.ok(), "the fake port did not open");
  fake::Get().log.clear();
  return RobotLink(std::move(port.value()), mode, PlatformClock());
}

// Runs an exchange of the request whose reply passes the check and ends in
// 0x5A, and forgets its calls: RxBuffer holds a reply that must not be
// taken for a later one.
void LeaveAStaleReply(RobotLink& link, std::int32_t count) {
  Bytes stale(link.TxBuffer().begin(), link.TxBuffer().begin() + count);
  stale.back() = 0x5A;
  fake::RobotSends(fake::Get().now, stale);
  const LinkResult<std::uint8_t> primed = link.EchoExchange(count);
  FUZZ_CHECK(primed.ok() && *primed == 0x5A, "the stale reply was not taken");
  fake::Get().log.clear();
  fake::Get().pauses_made = 0;
  fake::Get().waits_made = 0;
}

// Reads the rest of the input into the line: bytes waiting at `start`,
// refusals and stalls, late pauses and waits, bursts. Returns the extra
// milliseconds of the late pauses and waits, in all.
std::uint64_t ScriptTheLine(Reader& in, std::uint8_t flags, std::uint64_t start) {
  Bytes waiting(in.Byte() % 9);
  for (std::uint8_t& b : waiting)
    b = in.Byte();
  fake::RobotSends(start, waiting);

  for (const auto& [call, code] : kRefusals) {
    const std::uint8_t a = in.Byte();
    const std::uint8_t b = in.Byte();
    if (a == 0) continue;
    const int after = (a - 1) % 16;
    const int times = b % 4 == 0 ? INT_MAX : b % 4;
    if (call == Call::kWrite && (flags & 16)) {
      fake::StallWrites(after, times);
    } else {
      fake::Refuse(call, code, after, times);
    }
  }
  std::uint64_t late_total = 0;
  for (std::map<int, std::uint64_t>* late : {&fake::Get().late_pauses, &fake::Get().late_waits}) {
    for (int k = in.Byte() % 5; k > 0; --k) {
      const int number = in.Byte();
      const std::uint64_t extra = in.U16() % 2000u;
      late_total += extra - (*late)[number];
      (*late)[number] = extra;
    }
  }
  for (int bursts = 0; bursts < 4 && !in.AtEnd(); ++bursts) {
    const std::uint64_t time = start + in.U16() % 3000u;
    const std::uint64_t spacing = in.Byte();
    Bytes burst(in.Byte() % 8);
    for (std::uint8_t& b : burst)
      b = in.Byte();
    fake::RobotSends(time, burst, spacing);
  }
  return late_total;
}

// The result is the outcome the calls made call for, failure, cause and
// value.
void CheckOutcome(const LinkResult<std::uint8_t>& result, const Outcome& expected) {
  if (expected.failure) {
    FUZZ_CHECK(!result.ok(), "value %d, the calls made call for failure %d", *result,
               static_cast<int>(*expected.failure));
    FUZZ_CHECK(result.error().failure == *expected.failure, "failure %d, not %d",
               static_cast<int>(result.error().failure), static_cast<int>(*expected.failure));
    const std::optional<ComError>& cause = result.error().cause;
    FUZZ_CHECK(cause.has_value() == (expected.cause != 0), "a cause where none is, or none");
    if (cause)
      FUZZ_CHECK(cause->cause.code == expected.cause, "cause %d, not %d", cause->cause.code,
                 expected.cause);
  } else {
    FUZZ_CHECK(result.ok(), "failure %d, the calls made call for value %d",
               static_cast<int>(result.error().failure), expected.value);
    FUZZ_CHECK(*result == expected.value, "value %d, not %d", *result, expected.value);
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  for (int i = 1; i < *argc; ++i) {
    if (std::strncmp((*argv)[i], "--write-seeds=", 14) == 0) {
      WriteSeeds((*argv)[i] + 14);
      std::exit(0);
    }
  }
  g_capture = new fuzz::StderrCapture;
  g_log_room = new std::vector<fake::Record>;
  g_log_room->reserve(4096);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Reader in(data, size);
  const std::uint8_t flags = in.Byte();
  const bool cable = flags & 1;
  const std::uint8_t n = in.Byte();
  const std::int32_t count = !(flags & 4) ? 1 + n % 8 : n < 224 ? 9 + n % 8 : 253 + n % 4;

  const FreshPlatform platform;
  RobotLink link = FreshLink(cable ? LinkMode::kCable : LinkMode::kStrobe);
  for (std::int32_t i = 0; i < count; ++i)
    link.TxBuffer()[static_cast<std::size_t>(i)] = in.Byte();
  const std::uint8_t command = in.Byte();
  if (flags & 8) LeaveAStaleReply(link, count);
  const std::uint64_t start = fake::Get().now;

  Robot robot{in.U16() % 1500u,     in.Byte(), in.Byte(), in.Byte(), in.Byte(), count,
              (flags & 32) ? -1 : 0};
  if (flags & 2)
    fake::Get().robot = [&robot](std::uint8_t b, std::uint64_t t) { robot.OnByte(b, t); };
  const std::uint64_t late_total = ScriptTheLine(in, flags, start);

  const Bytes request(link.TxBuffer().begin(), link.TxBuffer().begin() + count);
  g_capture->Start();
  std::optional<CommandOutcome> sent;
  if (flags & 32) sent = link.SendCommand(command);
  const LinkResult<std::uint8_t> result = link.EchoExchange(count);
  const std::string err = g_capture->Stop();
  const std::uint64_t elapsed = fake::Get().now - start;

  FUZZ_CHECK(err.empty(), "printed \"%s\"", err.c_str());
  FUZZ_CHECK(std::equal(request.begin(), request.end(), link.TxBuffer().begin()),
             "the request was changed");
  Walk walk(link, cable, request);
  if (sent) {
    const CommandOutcome calls = walk.Command(command);
    FUZZ_CHECK(sent->sent == calls.sent && sent->rts_cleared == calls.rts_cleared &&
                   sent->rts_set == calls.rts_set,
               "the command's outcome is not what its calls did");
  }
  const Outcome expected = walk.Exchange();
  CheckOutcome(result, expected);
  // A command takes its pause and at most one stalled write; each byte its
  // strobe (strobe mode) or its echo wait (cable mode); the strobe mode's
  // reply wait takes 50 ms and its read finds the reply there; the cable
  // mode's read waits at most its time-out; one stalled write ends the
  // exchange. A request cut apart takes two goes and the quiet time.
  const std::uint64_t per_byte = cable ? 50u : std::uint64_t{kStrobeMs};
  const std::uint64_t go =
      per_byte * count + (cable ? kComDefaultTimeoutMs : 50u) + kComDefaultTimeoutMs;
  const std::uint64_t bound = (sent ? kStrobeMs + kComDefaultTimeoutMs : 0) +
                              (walk.cut() ? 2 * go + kFrameQuietMs : go) + late_total;
  FUZZ_CHECK(elapsed <= bound, "took %llu ms, more than %llu",
             static_cast<unsigned long long>(elapsed), static_cast<unsigned long long>(bound));
  return 0;
}
