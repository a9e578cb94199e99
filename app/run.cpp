#include "app/run.h"

#include <utility>

#include "app/port_open.h"
#include "app/report.h"
#include "app/writers/csv_stdout/csv_stdout.h"

namespace {

constexpr std::int32_t kPassPauseMs = 5;
// A remote port's connection gets a little less than the retry interval.
constexpr std::int32_t kRetryConnectMs = 400;
// Pastes and other intents a pass looks past for a key.
constexpr int kMaxPassedOver = 256;

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

// The key the sources have for this pass: nothing when none has come. A
// paste sends nothing: the pass looks past it, and says once that a paste
// is not sent; so it does past releases, markers and a source's changes,
// which do nothing yet.
std::optional<Intent> Run::TakeKey() {
  int passed_over = 0;
  for (const std::unique_ptr<InputSource>& source : inputs_) {
    while (passed_over++ < kMaxPassedOver) {
      const std::optional<Intent> intent = source->Poll();
      if (!intent) break;
      if (IsKey(*intent)) return intent;
      if (intent->kind == IntentKind::kPaste && !paste_reported_) {
        ReportPasteNotSent();
        paste_reported_ = true;
      }
    }
  }
  return std::nullopt;
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
  if (std::optional<Intent> key = TakeKey(); key && HandleKey(*key)) return 0;
  if (link_.life().state() == PortLife::State::kRetrying) {
    KeepPort();
    return std::nullopt;
  }
  if (const std::optional<int> status = MonitorStep()) return status;
  if (hold_.Due(clock_.clock().NowMs())) SendStop();
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

bool Run::HandleKey(const Intent& key) {
  if (key.kind == IntentKind::kQuit) return true;
  if (key.kind != IntentKind::kPress) {
    repeat_.NoAction();
    return false;
  }
  const std::uint64_t now = clock_.clock().NowMs();
  hold_.CommandKey(now);  // a held key keeps the robot going
  if (repeat_.Admit(key.command, now)) SendCommand(key.command);
  return false;
}

// A port that is retrying takes nothing, now or later: the key is reported
// as a send that failed.
void Run::SendCommand(std::uint8_t command) {
  if (link_.life().state() == PortLife::State::kRetrying) {
    ReportCommand(CommandOutcome{.sent = false});
  } else {
    ReportCommand(link_.SendCommand(command));
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
  const PortLife::Opener reopen = [this]() -> std::unique_ptr<Port> {
    auto opened = OpenRunPort(settings_, kRetryConnectMs);
    return opened ? std::move(opened.value()) : nullptr;
  };
  switch (link_.KeepPort(!Monitoring(), reopen)) {
    case PortLife::Change::kLost:
      hold_.Disarm();
      ReportPortGone(settings_.port, PlaceOf(settings_.port), link_.life().GoneError()->cause);
      break;
    case PortLife::Change::kBack:
      ReportPortBack(settings_.port, PlaceOf(settings_.port));
      SendStop();
      break;
    case PortLife::Change::kNone:
      break;
  }
}

// The stop command goes out whatever the repeat rule says; it becomes the
// command a repeat is compared with.
void Run::SendStop() {
  hold_.Disarm();
  if (stop_ == 0 || link_.PortGone()) return;
  ReportCommand(link_.SendCommand(stop_));
  repeat_.Sent(stop_, clock_.clock().NowMs());
}

void Run::Suspend() {
  SendStop();
  if (link_.life().port()) link_.RaiseRts();
  PlatformSuspend();
}

// Every way out of a run closes the port here.
int Run::Finish(int status) {
  SendStop();
  if (link_.life().port()) (void)link_.Close();
  return status;
}
