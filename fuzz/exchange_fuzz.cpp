// The echoed exchange in both link modes on the fake platform: arbitrary
// robot bytes and timings (an echoing robot with a delay, a corrupted and a
// missing byte, bytes left from earlier traffic, scripted bursts), refused
// calls and late pauses. The calls the exchange made are walked against the
// discipline of its link mode, and the result is checked against what was
// read: a value only when exactly count bytes were read and the echo
// matched, failures only from the documented set, nothing after a failure,
// and a bounded time. A strobe-mode wait whose last pause ran long looks once
// more before it gives up.
//
// Input, read from the front (missing bytes read as 0):
//   flags: bit 0 cable mode, bit 1 echoing robot, bit 2 long request,
//          bit 3 RxBuffer holds a matching reply from an earlier exchange
//   count: 1 + n % 8; with the long-request bit 9 + n % 8, or in strobe mode
//          the longest ones, 253..256, when n is 224 or more (in cable mode
//          they cost up to 12800 polls, too slow to fuzz)
//   the request: count bytes
//   robot: delay (2 bytes, % 1500 ms), corrupt position, corrupt mask, drop
//          position (positions past the request: none), value byte
//   waiting: n % 9, then n bytes already waiting at the start
//   refusals of write, clear RTS, set RTS, input count and read: 2 bytes each
//          (0 = none, else the first (a - 1) % 16 calls succeed; then b % 4
//          calls are refused, all when b % 4 is 0)
//   late pauses: n % 5, then (pause number, 2 bytes extra ms % 2000) each
//   up to 4 bursts: time (2 bytes, % 3000), spacing, n % 8, n bytes
//
// `exchange_fuzz --write-seeds=DIR` writes the seed inputs and exits.
#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "link/buffers.h"
#include "link/exchange.h"
#include "link/link_mode.h"
#include "platform/fake/fake_platform.h"
#include "serial/port_table.h"

namespace {

using fake::Call;
using Bytes = std::vector<std::uint8_t>;

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

struct Robot {
  std::uint64_t delay;
  int corrupt_at;
  std::uint8_t corrupt_mask;
  int drop_at;
  std::uint8_t value;
  int seen = 0;  // bytes received in this exchange
  int count;

  void OnByte(std::uint8_t b, std::uint64_t t) {
    const int i = seen++;
    std::uint8_t reply = i == count - 1 ? value : b;
    if (i == corrupt_at) reply ^= corrupt_mask;
    if (i != drop_at) fake::RobotSends(t + delay, {reply});
  }
};

fuzz::StderrCapture* g_capture;

// Walks the recorded calls of one exchange against its discipline and
// returns the result it must have had, or stops the run on the first call
// out of place. `err` is what it printed.
std::int32_t Expected(bool cable, std::int32_t count, const std::string& err) {
  const std::vector<fake::Record>& log = fake::Get().log;
  std::size_t at = 0;
  auto next = [&](Call call, const char* what) -> const fake::Record& {
    FUZZ_CHECK(at < log.size(), "the exchange stopped early: %s expected", what);
    FUZZ_CHECK(log[at].call == call, "call %zu is of kind %d, %s expected", at,
               static_cast<int>(log[at].call), what);
    return log[at++];
  };
  auto ends_here = [&](std::int32_t result) {
    FUZZ_CHECK(at == log.size(), "%zu calls after the exchange's end (result %d)", log.size() - at,
               result);
    return result;
  };
  auto finish = [&](const fake::Record& read) {
    FUZZ_CHECK(read.value == count, "read asked for %lld bytes, not %d",
               static_cast<long long>(read.value), count);
    if (static_cast<std::int32_t>(read.bytes.size()) < count) return ends_here(kExchangeTimeout);
    for (std::int32_t j = 0; j < count; ++j)
      FUZZ_CHECK(RxBuffer[j] == read.bytes[j], "RxBuffer[%d] is not the byte read", j);
    for (std::int32_t j = 0; j + 1 < count; ++j) {
      if (read.bytes[j] != TxBuffer[j]) return ends_here(kExchangeMismatch);
    }
    return ends_here(read.bytes[count - 1]);
  };
  auto waiting = [](const fake::Record& r) { return r.ok ? r.value : 0; };

  for (std::int32_t i = 0; i < count; ++i) {
    const fake::Record& w = next(Call::kWrite, "a write");
    FUZZ_CHECK(w.bytes == Bytes{TxBuffer[i]}, "write %d is not request byte %d alone", i, i);
    if (!w.ok) return ends_here(kExchangeSendError);
    if (cable) {
      for (int poll = 0; poll < 50; ++poll) {
        if (waiting(next(Call::kInputCount, "an echo poll")) > i) break;
        FUZZ_CHECK(next(Call::kPause, "a poll pause").value == 1, "poll pause not 1 ms");
      }
      continue;
    }
    if (!next(Call::kClearRts, "clear RTS").ok) {
      FUZZ_CHECK(err == "CLRRTS error\n", "clear RTS failed, printed \"%s\"", err.c_str());
      return ends_here(kExchangeClearRtsError);
    }
    FUZZ_CHECK(next(Call::kPause, "the strobe").value == kStrobeMs, "strobe pause not 8 ms");
    if (!next(Call::kSetRts, "set RTS").ok) {
      FUZZ_CHECK(err == "SETRTS error\n", "set RTS failed, printed \"%s\"", err.c_str());
      return ends_here(kExchangeSetRtsError);
    }
  }
  if (cable) return finish(next(Call::kRead, "the reply read"));
  const fake::Record* pause = nullptr;
  for (int poll = 0; poll < 50; ++poll) {
    if (waiting(next(Call::kInputCount, "a reply poll")) >= count)
      return finish(next(Call::kRead, "the reply read"));
    pause = &next(Call::kPause, "a poll pause");
    FUZZ_CHECK(pause->value == 1, "poll pause not 1 ms");
  }
  // A last pause that ran long gets one more look for the reply.
  const std::uint64_t after = at < log.size() ? log[at].time : fake::Get().now;
  if (after - pause->time <= 1) return ends_here(kExchangeTimeout);
  if (waiting(next(Call::kInputCount, "the look after a long pause")) >= count)
    return finish(next(Call::kRead, "the reply read"));
  return ends_here(kExchangeTimeout);
}

// Seeds: the cases of the exchange's unit tests in this input format.
struct Seed {
  const char* name;
  bool cable;
  Bytes request;
  bool robot = true;
  std::uint16_t delay = 1;
  std::uint8_t corrupt_at = 255, drop_at = 255, value = 0x80;
  Bytes waiting = {};
  Bytes refusals = Bytes(10, 0);  // (a, b) for write, clear RTS, set RTS, count, read
  bool stale_reply = false;
  int late_pause = -1;  // the pause that wakes up 100 ms late
};

void WriteSeeds(const std::string& dir) {
  const Bytes ad = {0xE2, 0x03, 0x00};
  const Bytes sram = {0xF7, 0x41, 0x01, 0x00};
  const Seed seeds[] = {
      {"strobe-delay-20", false, ad, true, 20},
      {"strobe-count-1-waiting", false, {0x42}, false, 0, 255, 255, 0, {0x99}},
      {"strobe-value-0", false, ad, true, 1, 255, 255, 0},
      {"cable-value-0", true, sram, true, 1, 255, 255, 0},
      {"strobe-second-write-refused",
       false,
       sram,
       true,
       1,
       255,
       255,
       0x80,
       {},
       {2, 1, 0, 0, 0, 0, 0, 0, 0, 0}},
      {"strobe-clear-rts-refused",
       false,
       sram,
       true,
       1,
       255,
       255,
       0x80,
       {},
       {0, 0, 1, 1, 0, 0, 0, 0, 0, 0}},
      {"strobe-third-set-rts-refused",
       false,
       sram,
       true,
       1,
       255,
       255,
       0x80,
       {},
       {0, 0, 0, 0, 3, 1, 0, 0, 0, 0}},
      {"strobe-no-value", false, ad, true, 1, 255, 2},
      {"strobe-bad-echo", false, sram, true, 1, 1},
      {"cable-bad-echo", true, sram, true, 1, 1},
      {"cable-byte-left-waiting", true, ad, true, 1, 255, 255, 0x80, {0x55}},
      {"cable-delay-3", true, {0xE2, 0x05, 0x00}, true, 3},
      {"cable-delay-200", true, {0xE2, 0x05, 0x00}, true, 200},
      {"cable-no-value-stale-reply",
       true,
       {0xE2, 0x05, 0x00},
       true,
       1,
       255,
       2,
       0x80,
       {},
       Bytes(10, 0),
       true},
      {"cable-write-refused",
       true,
       {0xE2, 0x05, 0x00},
       true,
       1,
       255,
       255,
       0x80,
       {},
       {1, 1, 0, 0, 0, 0, 0, 0, 0, 0}},
      {"strobe-count-refused",
       false,
       ad,
       true,
       1,
       255,
       255,
       0x80,
       {},
       {0, 0, 0, 0, 0, 0, 1, 0, 0, 0}},
      {"cable-read-refused", true, ad, true, 1, 255, 255, 0x80, {}, {0, 0, 0, 0, 0, 0, 0, 0, 1, 1}},
      // The reply comes while the last poll's pause runs long: three strobe
      // pauses, then poll pauses 3..52.
      {"strobe-reply-during-a-long-last-pause",
       false,
       ad,
       true,
       60,
       255,
       255,
       0x80,
       {},
       Bytes(10, 0),
       false,
       52},
      {"strobe-long-last-pause-no-reply",
       false,
       ad,
       true,
       60,
       255,
       2,
       0x80,
       {},
       Bytes(10, 0),
       false,
       52},
  };
  for (const Seed& s : seeds) {
    Bytes in;
    in.push_back(
        static_cast<std::uint8_t>((s.cable ? 1 : 0) | (s.robot ? 2 : 0) | (s.stale_reply ? 8 : 0)));
    in.push_back(static_cast<std::uint8_t>(s.request.size() - 1));
    in.insert(in.end(), s.request.begin(), s.request.end());
    in.insert(in.end(),
              {static_cast<std::uint8_t>(s.delay >> 8), static_cast<std::uint8_t>(s.delay),
               s.corrupt_at, 0xFF, s.drop_at, s.value});
    in.push_back(static_cast<std::uint8_t>(s.waiting.size()));
    in.insert(in.end(), s.waiting.begin(), s.waiting.end());
    in.insert(in.end(), s.refusals.begin(), s.refusals.end());
    if (s.late_pause < 0) {
      in.push_back(0);  // no late pauses, no bursts
    } else {
      in.insert(in.end(), {1, static_cast<std::uint8_t>(s.late_pause), 0, 100});
    }
    const std::string path = dir + "/" + s.name;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f || std::fwrite(in.data(), 1, in.size(), f) != in.size()) {
      std::perror(path.c_str());
      std::exit(1);
    }
    std::fclose(f);
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
  // Room for the calls of the longest exchange, kept from input to input.
  fake::Get().log.reserve(4096);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Reader in(data, size);
  const std::uint8_t flags = in.Byte();
  const bool cable = flags & 1;
  const std::uint8_t n = in.Byte();
  const std::int32_t count = !(flags & 4)         ? 1 + n % 8
                             : (n < 224 || cable) ? 9 + n % 8
                                                  : 253 + n % 4;

  // A fresh fake, whose log keeps the room the last input made for it.
  std::vector<fake::Record> log = std::move(fake::Get().log);
  fake::Reset();
  g_port_table = PortTable{};
  FUZZ_CHECK(ComOpen(1, 256, 256) == kComOk, "the fake port did not open");
  log.clear();
  fake::Get().log = std::move(log);
  g_link_mode = cable ? LinkMode::kCable : LinkMode::kStrobe;
  std::fill(std::begin(TxBuffer), std::end(TxBuffer), 0);
  std::fill(std::begin(RxBuffer), std::end(RxBuffer), 0);
  for (std::int32_t i = 0; i < count; ++i)
    TxBuffer[i] = in.Byte();
  if (flags & 8) {
    // A stale reply that would pass the check if it were used.
    std::copy(TxBuffer, TxBuffer + count, RxBuffer);
    RxBuffer[count - 1] = 0x5A;
  }

  Robot robot{in.U16() % 1500u, in.Byte(), in.Byte(), in.Byte(), in.Byte(), 0, count};
  if (flags & 2)
    fake::Get().robot = [&robot](std::uint8_t b, std::uint64_t t) { robot.OnByte(b, t); };
  Bytes waiting(in.Byte() % 9);
  for (std::uint8_t& b : waiting)
    b = in.Byte();
  fake::RobotSends(0, waiting);

  for (Call call : {Call::kWrite, Call::kClearRts, Call::kSetRts, Call::kInputCount, Call::kRead}) {
    const std::uint8_t a = in.Byte();
    const std::uint8_t b = in.Byte();
    if (a != 0) fake::Refuse(call, 5, (a - 1) % 16, b % 4 == 0 ? INT_MAX : b % 4);
  }
  std::uint64_t late_total = 0;
  for (int k = in.Byte() % 5; k > 0; --k) {
    const int pause = in.Byte();
    const std::uint64_t extra = in.U16() % 2000u;
    late_total += extra - fake::Get().late_pauses[pause];
    fake::Get().late_pauses[pause] = extra;
  }
  for (int bursts = 0; bursts < 4 && !in.AtEnd(); ++bursts) {
    const std::uint64_t time = in.U16() % 3000u;
    const std::uint64_t spacing = in.Byte();
    Bytes burst(in.Byte() % 8);
    for (std::uint8_t& b : burst)
      b = in.Byte();
    fake::RobotSends(time, burst, spacing);
  }

  const Bytes request(TxBuffer, TxBuffer + count);
  g_capture->Start();
  const std::int32_t result = EchoExchange(1, count);
  const std::string err = g_capture->Stop();
  const std::uint64_t elapsed = fake::Get().now;

  FUZZ_CHECK(std::equal(request.begin(), request.end(), TxBuffer), "the request was changed");
  const bool documented =
      (result >= 0 && result <= 255) || result == kExchangeSendError ||
      result == kExchangeMismatch || result == kExchangeTimeout ||
      (!cable && (result == kExchangeSetRtsError || result == kExchangeClearRtsError));
  FUZZ_CHECK(documented, "result %d is not one of the %s mode's results", result,
             cable ? "cable" : "strobe");
  const std::int32_t expected = Expected(cable, count, err);
  FUZZ_CHECK(result == expected, "result %d, the calls made call for %d", result, expected);
  if (result != kExchangeClearRtsError && result != kExchangeSetRtsError)
    FUZZ_CHECK(err.empty(), "printed \"%s\" with result %d", err.c_str(), result);
  // Every pause is 1 or 8 ms, at most 50 polls per byte in cable mode and
  // 50 in all in strobe mode; the final read waits at most its time-out.
  const std::uint64_t bound =
      cable ? 50u * count + kComDefaultTimeoutMs : std::uint64_t{kStrobeMs} * count + 50u;
  FUZZ_CHECK(elapsed <= bound + late_total, "took %llu ms, more than %llu",
             static_cast<unsigned long long>(elapsed),
             static_cast<unsigned long long>(bound + late_total));
  return 0;
}
