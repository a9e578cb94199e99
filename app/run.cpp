#include "app/run.h"

#include <functional>
#include <utility>

#include "app/port_open.h"
#include "app/report.h"
#include "app/writers/csv_stdout/csv_stdout.h"

namespace {

constexpr std::int32_t kPassPauseMs = 5;
// A port tried again is had within the retry interval: a remote port's
// connection within kRetryConnectMs, and its set-up (the negotiation, the
// purge, the settings) within kRetrySetUpMs after it.
constexpr std::int32_t kRetryConnectMs = 200;
constexpr std::int32_t kRetrySetUpMs = 250;
static_assert(kRetryConnectMs + kRetrySetUpMs < PortLife::kRetryMs);
// Intents taken from one source at a time.
constexpr int kMaxPolls = 256;
// The write time-out of the stop command on the way out: a port that takes
// no byte for this long does not hold the end of the run.
constexpr std::int32_t kLeavingWriteMs = 200;

std::optional<Monitor> MonitorOf(bool asked, std::int32_t number, std::int32_t interval_ms) {
  if (!asked) return std::nullopt;
  Monitor m;
  m.number = number;
  m.interval_ms = interval_ms;
  return m;
}

// The run's sample writers, each given every header and sample. A writer
// is a folder of its own under app/writers/, whose sources join the app by
// themselves (app/CMakeLists.txt): adding one is that folder and its line
// here.
SampleWriters Writers() {
  SampleWriters writers;
  writers.Add(std::make_unique<CsvStdout>());  // the lines on standard output
  return writers;
}

// Where the port number leads now, for the messages.
std::string PlaceOf(std::int32_t port) {
  const ComResult<PortAddress> address = ResolvePort(port);
  return address ? PortPlace(*address) : std::string("?");
}

bool IsKey(const Intent& intent) {
  return intent.kind == IntentKind::kPress || intent.kind == IntentKind::kNothing ||
         intent.kind == IntentKind::kQuit;
}

}  // namespace

Run::Run(const RunSettings& settings, RobotLink link, InputSources inputs)
    : settings_(settings),
      link_(std::move(link)),
      inputs_(std::move(inputs)),
      clock_(link_.clock()),
      ad_monitor_(MonitorOf(settings.ad_channel >= 0, settings.ad_channel, settings.interval_ms)),
      gyro_monitor_(MonitorOf(settings.gyro >= 1, settings.gyro, settings.interval_ms)),
      writers_(Writers()),
      stop_(static_cast<std::uint8_t>(settings.stop_command.value_or(0))),
      repeat_(link_.clock().NowMs()),
      hold_(stop_ ? settings.hold_ms.value_or(0) : 0, link_.clock().NowMs()) {}

// Takes all that has come from the sources into the queue, each key with
// the time it was taken: at most kMaxPolls intents of each source a call,
// so that a source that never runs dry (a long paste streaming in) cannot
// hold the pass, and none while the queue is full. A paste sends nothing:
// the first says so as it begins; releases, markers and a source's changes
// do nothing yet. True when a quit key waits.
bool Run::GatherKeys() {
  const std::uint64_t now = clock_.clock().NowMs();
  for (const std::unique_ptr<InputSource>& source : inputs_) {
    for (int polls = 0; polls < kMaxPolls && !keys_.Full(); ++polls) {
      const std::optional<Intent> intent = source->Poll();
      if (!intent) break;
      if (IsKey(*intent)) keys_.Add(*intent, now);
      if (intent->kind == IntentKind::kPaste && !paste_reported_) {
        ReportPasteNotSent();
        paste_reported_ = true;
      }
    }
  }
  return keys_.QuitWaiting();
}

// The run takes outside requests before it takes its input devices: from
// the moment the terminal reads single keys, a signal ends the run through
// Finish (its stop command, the lines off) and never by its default action.
int Run::Execute() {
  PlatformTakeRequests();
  for (const std::unique_ptr<InputSource>& source : inputs_)
    source->Open();
  for (;;) {
    if (const std::optional<int> status = Pass()) return Finish(*status);
    clock_.clock().Pause(kPassPauseMs);
  }
}

std::optional<int> Run::Pass() {
  if (const std::optional<int> status = ActOnRequest()) return status;
  if (GatherKeys()) return 0;
  if (const std::optional<TimedIntent> key = keys_.Take()) HandleKey(*key);
  if (link_.life().state() == PortLife::State::kRetrying) {
    KeepPort();
    return std::nullopt;
  }
  if (const std::optional<int> status = MonitorStep()) return status;
  if (hold_.Due(clock_.clock().NowMs())) SendStop(false);
  KeepPort();
  return std::nullopt;
}

std::optional<int> Run::ActOnRequest() {
  switch (PlatformRequest()) {
    case OutsideRequest::kEnd:
      return 0;
    case OutsideRequest::kSuspend:
      Suspend();
      return std::nullopt;
    case OutsideRequest::kNone:
      break;
  }
  return std::nullopt;
}

void Run::HandleKey(const TimedIntent& key) {
  if (key.intent.kind != IntentKind::kPress) {
    repeat_.NoAction();
    return;
  }
  hold_.CommandKey(key.at);  // a held key keeps the robot going
  if (repeat_.Admit(key.intent.command, clock_.clock().NowMs())) SendCommand(key.intent.command);
}

// A port that is retrying takes nothing, now or later: the key is reported
// as a send that failed.
void Run::SendCommand(std::uint8_t command) {
  if (link_.life().state() == PortLife::State::kRetrying) {
    ReportCommand(CommandOutcome{.sent = false});
  } else {
    const CommandOutcome outcome = link_.SendCommand(command);
    ReportCommand(outcome);
    if (outcome.sent) moving_ = command != stop_;
    hold_.Sent(command, stop_);
  }
  repeat_.Sent(command, clock_.clock().NowMs());
}

// A sample's requests leave no last command: the first key after a sample
// is never a repeat.
std::optional<int> Run::MonitorStep() {
  const auto ended = [](SampleStatus s) { return s != SampleStatus::kOk; };
  const std::uint64_t requests = link_.RequestsMade();
  std::optional<int> status;
  if (ad_monitor_ && ended(MonitorAD(*ad_monitor_, link_, clock_, writers_))) status = 1;
  if (!status && gyro_monitor_ && ended(MonitorGyro(*gyro_monitor_, link_, clock_, writers_)))
    status = 1;
  if (link_.RequestsMade() != requests) repeat_.RequestMade();
  return status;
}

void Run::KeepPort() {
  // A remote port's set-up is given up at once for an end request or a
  // quit key, which the next pass acts on.
  const std::function<bool()> give_up = [this] { return PlatformEndRequested() || GatherKeys(); };
  const PortLife::Opener reopen = [&]() -> std::unique_ptr<Port> {
    auto opened = OpenRunPort(settings_, kRetryConnectMs, kRetrySetUpMs, give_up);
    return opened ? std::move(opened.value()) : nullptr;
  };
  switch (link_.KeepPort(!Monitoring(), reopen)) {
    case PortLife::Change::kLost:
      hold_.Disarm();
      ReportPortGone(settings_.port, PlaceOf(settings_.port), link_.life().GoneError()->cause);
      break;
    case PortLife::Change::kBack:
      ReportPortBack(settings_.port, PlaceOf(settings_.port));
      SendStop(false);
      break;
    case PortLife::Change::kNone:
      break;
  }
}

// The stop command goes out whatever the repeat rule says; it becomes the
// command a repeat is compared with. A stop command that could not go out
// after a command that did says that the robot may still be moving. On the
// way out its write waits kLeavingWriteMs at most.
void Run::SendStop(bool leaving) {
  hold_.Disarm();
  if (stop_ == 0) return;
  if (link_.PortGone()) {
    if (moving_) ReportStopNotSent(nullptr);
    moving_ = false;  // said once
    return;
  }
  const CommandOutcome outcome =
      link_.SendCommand(stop_, leaving ? kLeavingWriteMs : kComDefaultTimeoutMs);
  if (outcome.sent) {
    ReportCommand(outcome);
    moving_ = false;
  } else {
    ReportStopNotSent(&outcome);
  }
  repeat_.Sent(stop_, clock_.clock().NowMs());
}

// Nothing that came before the suspend is acted on after it: the keys
// waiting here and in the sources are dropped.
void Run::Suspend() {
  SendStop(false);
  if (link_.life().port()) link_.RaiseRts();
  keys_.Clear();
  for (const std::unique_ptr<InputSource>& source : inputs_)
    source->Discard();
  PlatformSuspend();
}

// Every way out of a run closes the port here.
int Run::Finish(int status) {
  SendStop(true);
  if (link_.life().port()) (void)link_.Close();
  return status;
}
