#include "platform/fake/fake_platform.h"

#include "platform/connection.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

namespace fake {

namespace {

State g_state;

// The fake's code for a call on a port after its close.
constexpr std::int32_t kClosedPortError = 9;

Record& Log(Call call, std::int32_t port) {
  g_state.log.push_back(Record{call, g_state.now, port, true, 0, 0, 0, {}, {}, {}});
  return g_state.log.back();
}

// The refusal that applies to this call of its kind, or none.
const Refusal* Refusing(const Record& r) {
  auto it = g_state.refusals.find(r.call);
  if (it == g_state.refusals.end()) return nullptr;
  Refusal& f = it->second;
  const int seen = f.seen++;
  if (seen < f.after || seen - f.after >= f.times) return nullptr;
  return &f;
}

// The error a refusal gives.
SysError RefusalError(const Refusal& f) {
  SysError error = PlatformError(f.error);
  if (f.kind) error.kind = *f.kind;
  return error;
}

}  // namespace

State& Get() {
  return g_state;
}

void Reset() {
  g_state = State{};
}

FakePort::~FakePort() {
  if (closed_) return;
  SysError ignored;
  Refused(Log(Call::kClose), &ignored);
}

Record& FakePort::Log(Call call) {
  return fake::Log(call, id_);
}

bool FakePort::Refused(Record& r, SysError* error, bool* stalled) {
  if (closed_) {
    *error = PlatformError(kClosedPortError);
  } else if (const Refusal* f = Refusing(r); f && f->stall && stalled) {
    *stalled = true;
    return false;
  } else if (f) {
    *error = RefusalError(*f);
  } else {
    return false;
  }
  r.ok = false;
  return true;
}

void FakePort::WaitUntilWaiting(std::int32_t n, std::int32_t timeout_ms) {
  const std::uint64_t deadline = g_state.now + static_cast<std::uint64_t>(std::max(timeout_ms, 0));
  // Arrivals are kept in order: the n-th byte waiting is the n-th in line.
  const auto need = static_cast<std::size_t>(std::max(n, 0));
  std::uint64_t wake = deadline;
  if (need == 0) {
    wake = g_state.now;
  } else if (g_state.rx.size() >= need && g_state.rx[need - 1].first <= deadline) {
    wake = std::max(g_state.now, g_state.rx[need - 1].first);
  }
  g_state.now = wake;
  auto late = g_state.late_waits.find(g_state.waits_made++);
  if (late != g_state.late_waits.end()) g_state.now += late->second;
}

SysResult<LineConfig> FakePort::GetConfig() {
  Record& r = Log(Call::kGetConfig);
  SysError error;
  if (Refused(r, &error)) return Fail(error);
  return g_state.config;
}

SysResult<void> FakePort::Configure(const LineConfig& config) {
  Record& r = Log(Call::kConfigure);
  r.config = config;
  SysError error;
  if (Refused(r, &error)) return Fail(error);
  g_state.config = config;
  return {};
}

SysResult<std::int32_t> FakePort::Write(const std::uint8_t* bytes, std::int32_t n,
                                        std::int32_t timeout_ms) {
  Record& r = Log(Call::kWrite);
  r.value = n;
  r.timeout = timeout_ms;
  r.bytes.assign(bytes, bytes + std::max(n, 0));  // what was asked to be written
  SysError error;
  bool stalled = false;
  if (Refused(r, &error, &stalled)) return Fail(error);
  if (stalled) {
    g_state.now += static_cast<std::uint64_t>(std::max(timeout_ms, 0));
    return 0;
  }
  r.count = n;
  // The record may move when the robot's answer is logged; copy what it needs.
  const std::vector<std::uint8_t> written = r.bytes;
  const std::uint64_t time = g_state.now;
  if (g_state.robot) {
    for (std::uint8_t b : written)
      g_state.robot(b, time);
  }
  auto late = g_state.late_writes.find(g_state.writes_made++);
  if (late != g_state.late_writes.end()) g_state.now += late->second;
  return n;
}

SysResult<std::int32_t> FakePort::Read(std::uint8_t* bytes, std::int32_t n,
                                       std::int32_t timeout_ms) {
  Record& r = Log(Call::kRead);
  r.value = n;
  r.timeout = timeout_ms;
  SysError error;
  if (Refused(r, &error)) return Fail(error);
  WaitUntilWaiting(n, timeout_ms);
  const std::int32_t got = std::min(n, fake::Waiting());
  for (std::int32_t i = 0; i < got; ++i) {
    bytes[i] = g_state.rx.front().second;
    g_state.rx.pop_front();
  }
  r.bytes.assign(bytes, bytes + got);
  r.count = got;
  return got;
}

SysResult<std::int32_t> FakePort::Waiting() {
  Record& r = Log(Call::kWaiting);
  SysError error;
  if (Refused(r, &error)) return Fail(error);
  r.count = fake::Waiting();
  return r.count;
}

SysResult<std::int32_t> FakePort::WaitFor(std::int32_t n, std::int32_t timeout_ms) {
  Record& r = Log(Call::kWaitFor);
  r.value = n;
  r.timeout = timeout_ms;
  SysError error;
  if (Refused(r, &error)) return Fail(error);
  WaitUntilWaiting(n, timeout_ms);
  r.count = fake::Waiting();
  return r.count;
}

SysResult<void> FakePort::SetRts(bool on) {
  Record& r = Log(Call::kSetRts);
  r.value = on ? 1 : 0;
  SysError error;
  if (Refused(r, &error)) return Fail(error);
  return {};
}

SysResult<void> FakePort::SetDtr(bool on) {
  Record& r = Log(Call::kSetDtr);
  r.value = on ? 1 : 0;
  SysError error;
  if (Refused(r, &error)) return Fail(error);
  return {};
}

SysResult<void> FakePort::Close() {
  Record& r = Log(Call::kClose);
  SysError error;
  const bool refused = Refused(r, &error);
  closed_ = true;  // a close that failed releases the port all the same
  if (refused) return Fail(error);
  return {};
}

void Refuse(Call call, std::int32_t error, int after, int times) {
  g_state.refusals[call] = Refusal{error, after, times, 0, false};
}

void Refuse(Call call, std::int32_t error, ErrorKind kind, int after, int times) {
  g_state.refusals[call] = Refusal{error, after, times, 0, false, kind};
}

void StallWrites(int after, int times) {
  g_state.refusals[Call::kWrite] = Refusal{0, after, times, 0, true};
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
    out.insert(out.end(), r.bytes.begin(), r.bytes.begin() + r.count);
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

std::string PlatformSerialDeviceName(std::int32_t port) {
  return "fake:com" + std::to_string(port);
}

std::optional<std::string> PlatformReadLink(const std::string& /*path*/) {
  return std::nullopt;
}

SysResult<std::unique_ptr<Port>> PlatformOpenSerialDevice(const std::string& path) {
  fake::Record& r = fake::Log(Call::kOpen, 0);
  r.name = path;
  if (const fake::Refusal* f = fake::Refusing(r)) {
    r.ok = false;
    return Fail(fake::RefusalError(*f));
  }
  r.port = g_state.next_port++;
  return std::unique_ptr<Port>(std::make_unique<fake::FakePort>(r.port));
}

void SerialDescribePort(std::int32_t port, const std::string& path, std::int32_t error,
                        PortDescription* description) {
  g_state.described_port = port;
  g_state.described_path = path;
  g_state.described_error = error;
  *description = g_state.description;
}

// The fake's text for every code: "error <code>".
SysError PlatformError(std::int32_t code) {
  return SysError{code, "error " + std::to_string(code),
                  code == fake::kDeviceGone ? ErrorKind::kGone : ErrorKind::kOther};
}

// The fake's codes for the two errors the layers above report themselves.
SysError PlatformNoSuchPortError() {
  return PlatformError(2);
}
SysError PlatformInvalidArgumentError() {
  return PlatformError(22);
}

std::uint32_t PlatformTickMs() {
  return g_state.tick_at_zero + static_cast<std::uint32_t>(g_state.now);
}

void PlatformPause(std::int32_t ms) {
  fake::Record& r = fake::Log(Call::kPause, 0);
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

void fake::RequestAt(std::uint64_t time, OutsideRequest request) {
  g_state.requests.emplace_back(time, request);
}

void PlatformTakeRequests() {
  g_state.taking_requests = true;
}

// Requests that come before the run takes them stay waiting: the real
// platform would have acted on them at once, which a test does not ask for.
OutsideRequest PlatformRequest() {
  std::deque<std::pair<std::uint64_t, OutsideRequest>>& waiting = g_state.requests;
  while (g_state.taking_requests && !waiting.empty() && waiting.front().first <= g_state.now) {
    const OutsideRequest r = waiting.front().second;
    waiting.pop_front();
    if (r == OutsideRequest::kEnd) g_state.end_requested = true;
    if (r == OutsideRequest::kSuspend && !g_state.end_requested) return r;
  }
  return g_state.end_requested ? OutsideRequest::kEnd : OutsideRequest::kNone;
}

bool PlatformEndRequested() {
  const auto& waiting = g_state.requests;
  const bool due =
      g_state.taking_requests && std::any_of(waiting.begin(), waiting.end(), [](const auto& r) {
        return r.first <= g_state.now && r.second == OutsideRequest::kEnd;
      });
  return g_state.end_requested || due;
}

void PlatformSuspend() {
  fake::Log(Call::kSuspend, 0);
}

void PlatformExit(int status) {
  std::fflush(stdout);
  throw fake::Exit{status, g_state.end_requested};
}

// The fake has no network: remote ports are tested over their own
// connection in virtual time.
SysResult<std::unique_ptr<Connection>> PlatformConnectTcp(const std::string& host,
                                                          std::uint16_t port,
                                                          std::int32_t /*timeout_ms*/) {
  return Fail(SysError{kConnectErrConnect, host + ":" + std::to_string(port) + ": no network"});
}
