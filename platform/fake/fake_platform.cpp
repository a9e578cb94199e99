#include "platform/fake/fake_platform.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>

namespace fake {

namespace {

State g_state;

Record& Log(Call call, PlatformHandle h) {
  g_state.log.push_back(Record{call, g_state.now, h, true, 0, {}, {}, {}, {}});
  return g_state.log.back();
}

// Decides whether this call of its kind is refused; a refused call sets the
// last error.
bool Refused(Record& r) {
  auto it = g_state.refusals.find(r.call);
  if (it == g_state.refusals.end()) return false;
  Refusal& f = it->second;
  const int seen = f.seen++;
  if (seen < f.after || seen - f.after >= f.times) return false;
  g_state.last_error = f.error;
  r.ok = false;
  return true;
}

bool Arrived() {
  return !g_state.rx.empty() && g_state.rx.front().first <= g_state.now;
}

}  // namespace

State& Get() {
  return g_state;
}

void Reset() {
  g_state = State{};
}

void Refuse(Call call, std::int32_t error, int after, int times) {
  g_state.refusals[call] = Refusal{error, after, times, 0};
}

void RobotSends(std::uint64_t time, const std::vector<std::uint8_t>& bytes, std::uint64_t spacing) {
  for (std::uint8_t b : bytes) {
    // Keep arrivals in order even when a later call schedules earlier bytes.
    const std::uint64_t at = g_state.rx.empty() ? time : std::max(time, g_state.rx.back().first);
    g_state.rx.emplace_back(at, b);
    time += spacing;
  }
}

void EchoEveryByte(std::uint64_t delay) {
  g_state.robot = [delay](std::uint8_t b, std::uint64_t t) { RobotSends(t + delay, {b}); };
}

std::vector<Record> Calls(Call call) {
  std::vector<Record> out;
  for (const Record& r : g_state.log) {
    if (r.call == call) out.push_back(r);
  }
  return out;
}

int Count(Call call) {
  return static_cast<int>(Calls(call).size());
}

std::vector<std::uint8_t> Written() {
  std::vector<std::uint8_t> out;
  for (const Record& r : Calls(Call::kWrite))
    out.insert(out.end(), r.bytes.begin(), r.bytes.end());
  return out;
}

std::int32_t Waiting() {
  // Arrivals are kept in order: the waiting bytes are those at the front.
  std::int32_t n = 0;
  for (auto it = g_state.rx.begin(); it != g_state.rx.end() && it->first <= g_state.now; ++it)
    ++n;
  return n;
}

}  // namespace fake

using fake::Call;
using fake::g_state;

bool SerialDeviceName(std::int32_t port, char* buf, std::int32_t size) {
  std::snprintf(buf, static_cast<std::size_t>(size), "fake:com%d", static_cast<int>(port));
  return true;
}

PlatformHandle SerialOpen(const char* name) {
  fake::Record& r = fake::Log(Call::kOpen, kInvalidPlatformHandle);
  r.name = name;
  if (fake::Refused(r)) return kInvalidPlatformHandle;
  r.handle = g_state.next_handle++;
  return r.handle;
}

bool SerialSetQueues(PlatformHandle h, std::int32_t in_size, std::int32_t out_size) {
  fake::Record& r = fake::Log(Call::kSetQueues, h);
  r.value = static_cast<std::int64_t>(in_size) << 32 | static_cast<std::uint32_t>(out_size);
  return !fake::Refused(r);
}

bool SerialGetSettings(PlatformHandle h, LineSettings* settings) {
  fake::Record& r = fake::Log(Call::kGetSettings, h);
  if (fake::Refused(r)) return false;
  *settings = g_state.settings;
  return true;
}

bool SerialSetSettings(PlatformHandle h, const LineSettings* settings) {
  fake::Record& r = fake::Log(Call::kSetSettings, h);
  r.settings = *settings;
  if (fake::Refused(r)) return false;
  g_state.settings = *settings;
  return true;
}

bool SerialGetTimeouts(PlatformHandle h, PortTimeouts* timeouts) {
  fake::Record& r = fake::Log(Call::kGetTimeouts, h);
  if (fake::Refused(r)) return false;
  *timeouts = g_state.timeouts;
  return true;
}

bool SerialSetTimeouts(PlatformHandle h, const PortTimeouts* timeouts) {
  fake::Record& r = fake::Log(Call::kSetTimeouts, h);
  r.timeouts = *timeouts;
  if (fake::Refused(r)) return false;
  g_state.timeouts = *timeouts;
  return true;
}

bool SerialInputCount(PlatformHandle h, std::int32_t* count) {
  fake::Record& r = fake::Log(Call::kInputCount, h);
  if (fake::Refused(r)) return false;
  *count = fake::Waiting();
  r.value = *count;
  return true;
}

// Reads as a Windows port does with its time-outs: until n bytes arrived, the
// interval passed between two bytes, or the total passed.
std::int32_t SerialRead(PlatformHandle h, void* buf, std::int32_t n) {
  fake::Record& r = fake::Log(Call::kRead, h);
  r.value = n;
  if (fake::Refused(r)) return 0;
  constexpr std::uint64_t kNever = std::numeric_limits<std::uint64_t>::max();
  const PortTimeouts& t = g_state.timeouts;
  const std::uint64_t total =
      std::uint64_t{t.ReadTotalTimeoutMultiplier} * static_cast<std::uint64_t>(n) +
      t.ReadTotalTimeoutConstant;
  const std::uint64_t total_deadline = total ? g_state.now + total : kNever;
  std::uint64_t last_byte = 0;
  auto* out = static_cast<std::uint8_t*>(buf);
  std::int32_t got = 0;
  while (got < n) {
    if (fake::Arrived()) {
      out[got++] = g_state.rx.front().second;
      g_state.rx.pop_front();
      last_byte = g_state.now;
      continue;
    }
    const std::uint64_t interval_deadline =
        (t.ReadIntervalTimeout && got > 0) ? last_byte + t.ReadIntervalTimeout : kNever;
    const std::uint64_t deadline = std::min(total_deadline, interval_deadline);
    const std::uint64_t next = g_state.rx.empty() ? kNever : g_state.rx.front().first;
    if (next <= deadline && next != kNever) {
      g_state.now = next;
    } else {
      if (deadline != kNever) g_state.now = deadline;
      break;
    }
  }
  r.bytes.assign(out, out + got);
  return got;
}

std::int32_t SerialWrite(PlatformHandle h, const void* buf, std::int32_t n) {
  fake::Record& r = fake::Log(Call::kWrite, h);
  r.value = n;
  const auto* in = static_cast<const std::uint8_t*>(buf);
  r.bytes.assign(in, in + n);  // what was asked to be written
  if (fake::Refused(r)) return 0;
  // The record may move when the robot's answer is logged; copy what it needs.
  const std::vector<std::uint8_t> bytes = r.bytes;
  const std::uint64_t time = g_state.now;
  if (g_state.robot) {
    for (std::uint8_t b : bytes)
      g_state.robot(b, time);
  }
  return n;
}

bool SerialEscape(PlatformHandle h, RtsEscape function) {
  fake::Record& r = fake::Log(function == RtsEscape::kSet ? Call::kSetRts : Call::kClearRts, h);
  return !fake::Refused(r);
}

bool SerialClose(PlatformHandle h) {
  fake::Record& r = fake::Log(Call::kClose, h);
  return !fake::Refused(r);
}

void SerialDescribePort(std::int32_t port, std::int32_t error, PortDescription* description) {
  g_state.described_port = port;
  g_state.described_error = error;
  *description = g_state.description;
}

std::int32_t PlatformLastError() {
  return g_state.last_error;
}

// The fake's codes for the two errors the Parts set themselves.
void PlatformSetNoSuchPortError() {
  g_state.last_error = 2;
}
void PlatformSetInvalidArgumentError() {
  g_state.last_error = 22;
}

char* PlatformErrorText(std::int32_t code) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "error %d", static_cast<int>(code));
  char* text = new char[std::strlen(buf) + 1];
  std::strcpy(text, buf);
  return text;
}

void PlatformFreeErrorText(char* text) {
  delete[] text;
}

std::uint32_t PlatformTickMs() {
  return g_state.tick_at_zero + static_cast<std::uint32_t>(g_state.now);
}

void PlatformPause(std::int32_t ms) {
  fake::Record& r = fake::Log(Call::kPause, kInvalidPlatformHandle);
  r.value = ms;
  g_state.now += static_cast<std::uint64_t>(ms);
  auto late = g_state.late_pauses.find(g_state.pauses_made++);
  if (late != g_state.late_pauses.end()) g_state.now += late->second;
}

void PlatformRequestTiming() {
  if (g_state.timing_requests++ == 0) g_state.log_size_at_timing_request = g_state.log.size();
}

void PlatformStartUp() {
  g_state.started_after_calls = static_cast<int>(g_state.log.size());
}

void PlatformExit(int status) {
  std::fflush(stdout);
  throw fake::Exit{status};
}
