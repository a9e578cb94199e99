#include "platform/fake/fake_platform.h"

#include "platform/connection.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

namespace fake {

namespace {

// The platform the platform's functions act on: the latest that still lives.
Platform* g_current = nullptr;

// The fake's code for a call on a port after its close.
constexpr std::int32_t kClosedPortError = 9;

Record& Log(Call call, std::int32_t port) {
  fake::Get().log.push_back(Record{call, fake::Get().now, port, true, 0, 0, 0, {}, {}, {}});
  return fake::Get().log.back();
}

// The refusal that applies to this call of its kind, or none.
const Refusal* Refusing(const Record& r) {
  auto it = fake::Get().refusals.find(r.call);
  if (it == fake::Get().refusals.end()) return nullptr;
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

Platform& Current() {
  if (!g_current) {
    std::fputs("fake platform: no fake::Platform is alive\n", stderr);
    std::abort();
  }
  return *g_current;
}

State& Get() {
  return Current().state();
}

Platform::Platform() : previous_(g_current) {
  g_current = this;
}

Platform::~Platform() {
  g_current = previous_;
}

std::uint64_t VirtualClock::NowMs() const {
  return state_.ms_at_zero + state_.now;
}

void VirtualClock::Pause(std::int32_t ms) const {
  Record& r =
      state_.log.emplace_back(Record{Call::kPause, state_.now, 0, true, 0, 0, 0, {}, {}, {}});
  r.value = ms;
  state_.now += static_cast<std::uint64_t>(std::max(ms, 0));
  auto late = state_.late_pauses.find(state_.pauses_made++);
  if (late != state_.late_pauses.end()) state_.now += late->second;
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
  const std::uint64_t deadline =
      fake::Get().now + static_cast<std::uint64_t>(std::max(timeout_ms, 0));
  // Arrivals are kept in order: the n-th byte waiting is the n-th in line.
  const auto need = static_cast<std::size_t>(std::max(n, 0));
  std::uint64_t wake = deadline;
  if (need == 0) {
    wake = fake::Get().now;
  } else if (fake::Get().rx.size() >= need && fake::Get().rx[need - 1].first <= deadline) {
    wake = std::max(fake::Get().now, fake::Get().rx[need - 1].first);
  }
  fake::Get().now = wake;
  auto late = fake::Get().late_waits.find(fake::Get().waits_made++);
  if (late != fake::Get().late_waits.end()) fake::Get().now += late->second;
}

SysResult<LineConfig> FakePort::GetConfig() {
  Record& r = Log(Call::kGetConfig);
  SysError error;
  if (Refused(r, &error)) return Fail(error);
  return fake::Get().config;
}

SysResult<void> FakePort::Configure(const LineConfig& config) {
  Record& r = Log(Call::kConfigure);
  r.config = config;
  SysError error;
  if (Refused(r, &error)) return Fail(error);
  fake::Get().config = config;
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
    fake::Get().now += static_cast<std::uint64_t>(std::max(timeout_ms, 0));
    return 0;
  }
  r.count = n;
  // The record may move when the robot's answer is logged; copy what it needs.
  const std::vector<std::uint8_t> written = r.bytes;
  const std::uint64_t time = fake::Get().now;
  if (fake::Get().robot) {
    for (std::uint8_t b : written)
      fake::Get().robot(b, time);
  }
  auto late = fake::Get().late_writes.find(fake::Get().writes_made++);
  if (late != fake::Get().late_writes.end()) fake::Get().now += late->second;
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
    bytes[i] = fake::Get().rx.front().second;
    fake::Get().rx.pop_front();
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
  fake::Get().refusals[call] = Refusal{error, after, times, 0, false};
}

void Refuse(Call call, std::int32_t error, ErrorKind kind, int after, int times) {
  Get().refusals[call] = Refusal{error, after, times, 0, false, kind};
}

void StallWrites(int after, int times) {
  fake::Get().refusals[Call::kWrite] = Refusal{0, after, times, 0, true};
}

void RobotSends(std::uint64_t time, const std::vector<std::uint8_t>& bytes, std::uint64_t spacing) {
  for (std::uint8_t b : bytes) {
    // Keep arrivals in order even when a later call schedules earlier bytes.
    const std::uint64_t at =
        fake::Get().rx.empty() ? time : std::max(time, fake::Get().rx.back().first);
    fake::Get().rx.emplace_back(at, b);
    time += spacing;
  }
}

void EchoEveryByte(std::uint64_t delay) {
  fake::Get().robot = [delay](std::uint8_t b, std::uint64_t t) { RobotSends(t + delay, {b}); };
}

std::vector<Record> Calls(Call call) {
  std::vector<Record> out;
  for (const Record& r : fake::Get().log) {
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
  for (auto it = fake::Get().rx.begin(); it != fake::Get().rx.end() && it->first <= fake::Get().now;
       ++it)
    ++n;
  return n;
}

}  // namespace fake

using fake::Call;

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
  r.port = fake::Get().next_port++;
  return std::unique_ptr<Port>(std::make_unique<fake::FakePort>(r.port));
}

void SerialDescribePort(std::int32_t port, const std::string& path, std::int32_t error,
                        PortDescription* description) {
  fake::Get().described_port = port;
  fake::Get().described_path = path;
  fake::Get().described_error = error;
  *description = fake::Get().description;
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

const Clock& PlatformClock() {
  return fake::Current().clock();
}

std::uint32_t PlatformTickMs() {
  return static_cast<std::uint32_t>(PlatformClock().NowMs());
}

void PlatformPause(std::int32_t ms) {
  PlatformClock().Pause(ms);
}

void PlatformRequestTiming() {
  if (fake::Get().timing_requests++ == 0)
    fake::Get().log_size_at_timing_request = fake::Get().log.size();
}

void PlatformStartUp() {
  fake::Get().started_after_calls = static_cast<int>(fake::Get().log.size());
}

void fake::RequestAt(std::uint64_t time, OutsideRequest request) {
  fake::Get().requests.emplace_back(time, request);
}

void PlatformTakeRequests() {
  fake::Get().taking_requests = true;
}

// Requests that come before the run takes them stay waiting: the real
// platform would have acted on them at once, which a test does not ask for.
OutsideRequest PlatformRequest() {
  std::deque<std::pair<std::uint64_t, OutsideRequest>>& waiting = fake::Get().requests;
  while (fake::Get().taking_requests && !waiting.empty() &&
         waiting.front().first <= fake::Get().now) {
    const OutsideRequest r = waiting.front().second;
    waiting.pop_front();
    if (r == OutsideRequest::kEnd) fake::Get().end_requested = true;
    if (r == OutsideRequest::kSuspend && !fake::Get().end_requested) return r;
  }
  return fake::Get().end_requested ? OutsideRequest::kEnd : OutsideRequest::kNone;
}

bool PlatformEndRequested() {
  const auto& waiting = fake::Get().requests;
  const bool due =
      fake::Get().taking_requests && std::any_of(waiting.begin(), waiting.end(), [](const auto& r) {
        return r.first <= fake::Get().now && r.second == OutsideRequest::kEnd;
      });
  return fake::Get().end_requested || due;
}

void PlatformSuspend() {
  fake::Log(Call::kSuspend, 0);
}

void PlatformExit(int status) {
  std::fflush(stdout);
  throw fake::Exit{status, fake::Get().end_requested};
}

// The fake has no network: remote ports are tested over their own
// connection in virtual time.
SysResult<std::unique_ptr<Connection>> PlatformConnectTcp(const std::string& host,
                                                          std::uint16_t port,
                                                          std::int32_t /*timeout_ms*/) {
  return Fail(SysError{kConnectErrConnect, host + ":" + std::to_string(port) + ": no network"});
}
