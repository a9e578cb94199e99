#include "app/run.h"

#include <memory>
#include <utility>

#include "app/port_open.h"
#include "app/report.h"
#include "app/writers/csv_stdout/csv_stdout.h"

namespace {

constexpr std::uint32_t kRepeatWindowMs = 500;
constexpr std::int32_t kPassPauseMs = 5;
// How often a run without monitors looks whether its port is still there,
// and how often a port that is gone is tried again; a remote port's
// connection then gets a little less than that.
constexpr std::uint32_t kWatchMs = 100;
constexpr std::uint32_t kRetryMs = 500;
constexpr std::int32_t kRetryConnectMs = 400;

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

// Pastes and ignored bytes a pass looks past for a key.
constexpr int kMaxPassedOver = 256;

// Where the port number leads now, for the messages.
std::string PlaceOf(std::int32_t port) {
  const ComResult<PortAddress> address = ResolvePort(port);
  return address ? PortPlace(*address) : std::string("?");
}

}  // namespace

Run::Run(const RunSettings& settings, RobotLink link)
    : settings_(settings),
      link_(std::move(link)),
      ad_monitor_(MonitorOf(settings.ad_channel >= 0, settings.ad_channel, settings.interval_ms)),
      gyro_monitor_(MonitorOf(settings.gyro >= 1, settings.gyro, settings.interval_ms)),
      writers_(Writers()),
      last_send_time_(clock_.ElapsedMs()),
      stop_(static_cast<std::uint8_t>(settings.stop_command.value_or(0))),
      hold_ms_(stop_ ? settings.hold_ms.value_or(0) : 0),
      last_command_key_(last_send_time_),
      last_look_(last_send_time_) {}

// The key the keyboard has for this pass, as the key map reads it; nothing
// when none has come. Ignored bytes are no key and pasted text sends
// nothing: the pass looks past them, and says once that a paste is not sent.
// A keyboard that cannot be read gives a key without action.
std::optional<KeyMapping> Run::TakeKey(Keyboard& keyboard) {
  for (int i = 0; i < kMaxPassedOver; ++i) {
    const SysResult<std::optional<Key>> key = keyboard.Poll();
    if (!key) return KeyMapping{KeyAction::kNone, 0};
    if (!*key) return std::nullopt;
    if ((*key)->kind == KeyKind::kPaste && !paste_reported_) {
      ReportPasteNotSent();
      paste_reported_ = true;
    }
    if ((*key)->kind != KeyKind::kPaste && (*key)->kind != KeyKind::kIgnored) return KeyMap(**key);
  }
  return std::nullopt;
}

// The run takes outside requests before it takes the keyboard: from the
// moment the terminal reads single keys, a signal ends the run through
// Finish (its stop command, the lines off) and never by its default action.
int Run::Execute() {
  PlatformTakeRequests();
  const std::unique_ptr<Keyboard> keyboard = PlatformOpenKeyboard();
  for (;;) {
    if (const std::optional<int> status = Pass(*keyboard)) return Finish(*status);
    PlatformPause(kPassPauseMs);
  }
}

std::optional<int> Run::Pass(Keyboard& keyboard) {
  if (const std::optional<int> status = ActOnRequest()) return status;
  if (std::optional<KeyMapping> key = TakeKey(keyboard); key && HandleKey(*key)) return 0;
  if (lost_) {
    TryPortAgain();
    return std::nullopt;
  }
  if (const std::optional<int> status = MonitorStep()) return status;
  HoldStep();
  WatchPort();
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

bool Run::HandleKey(const KeyMapping& key) {
  if (key.action == KeyAction::kQuit) return true;
  bool send = key.action == KeyAction::kCommand;
  if (send) {
    pending_ = key.command;
    last_command_key_ = clock_.ElapsedMs();  // a held key keeps the robot going
  }
  // A request since the last send left no last command, so the first key
  // after a sample is never a repeat.
  if (send && pending_ == link_.LastCommand() &&
      MsBetween(last_send_time_, clock_.ElapsedMs()) <= kRepeatWindowMs) {
    send = false;
  }
  link_.SetLastCommand(pending_);  // also after a key without action
  if (send) SendPending();
  return false;
}

// A port that is gone takes nothing, now or later: the key is reported as a
// send that failed.
void Run::SendPending() {
  if (lost_) {
    ReportCommand(CommandOutcome{.sent = false});
  } else {
    ReportCommand(link_.SendCommand(pending_));
    hold_due_ = hold_ms_ > 0 && pending_ != stop_;
  }
  last_send_time_ = clock_.ElapsedMs();
}

std::optional<int> Run::MonitorStep() {
  const auto ended = [](SampleStatus s) { return s != SampleStatus::kOk; };
  if (ad_monitor_ && ended(MonitorAD(*ad_monitor_, link_, clock_, writers_))) return 1;
  if (gyro_monitor_ && ended(MonitorGyro(*gyro_monitor_, link_, clock_, writers_))) return 1;
  return std::nullopt;
}

void Run::HoldStep() {
  if (hold_due_ &&
      MsBetween(last_command_key_, clock_.ElapsedMs()) >= static_cast<std::uint32_t>(hold_ms_))
    SendStop();
}

void Run::WatchPort() {
  if (Monitoring()) return;  // a failed sample tells, and ends the run
  const std::int32_t now = clock_.ElapsedMs();
  if (!link_.PortGone() && MsBetween(last_look_, now) >= kWatchMs) {
    last_look_ = now;
    link_.CheckPort();
  }
  if (link_.PortGone()) LosePort();
}

void Run::LosePort() {
  lost_ = true;
  hold_due_ = false;
  ReportPortGone(settings_.port, PlaceOf(settings_.port), link_.GoneError()->cause);
  // Closed at once, so that an adapter plugged in again gets its old name.
  (void)link_.Close();
  last_look_ = clock_.ElapsedMs();
}

void Run::TryPortAgain() {
  const std::int32_t now = clock_.ElapsedMs();
  if (MsBetween(last_look_, now) < kRetryMs) return;
  last_look_ = now;
  auto opened = OpenRunPort(settings_, kRetryConnectMs);
  if (!opened) return;
  link_.ReplacePort(std::move(opened.value()));
  lost_ = false;
  ReportPortBack(settings_.port, PlaceOf(settings_.port));
  SendStop();
}

// The stop command goes out whatever the repeat rule says; it becomes the
// command a repeat is compared with.
void Run::SendStop() {
  hold_due_ = false;
  if (stop_ == 0 || lost_ || link_.PortGone()) return;
  ReportCommand(link_.SendCommand(stop_));
  pending_ = stop_;
  last_send_time_ = clock_.ElapsedMs();
}

void Run::Suspend() {
  SendStop();
  if (!lost_) link_.RaiseRts();
  PlatformSuspend();
}

// Every way out of a run closes the port here.
int Run::Finish(int status) {
  SendStop();
  if (!lost_) (void)link_.Close();
  return status;
}
