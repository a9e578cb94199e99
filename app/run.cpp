#include "app/run.h"

#include <memory>

#include "app/report.h"
#include "platform/platform.h"

namespace {

constexpr std::uint32_t kRepeatWindowMs = 500;
constexpr std::int32_t kPassPauseMs = 5;

std::optional<Monitor> MonitorOf(bool asked, std::int32_t number, std::int32_t interval_ms) {
  if (!asked) return std::nullopt;
  Monitor m;
  m.number = number;
  m.interval_ms = interval_ms;
  return m;
}

// Pastes and ignored bytes a pass looks past for a key.
constexpr int kMaxPassedOver = 256;

}  // namespace

Run::Run(const RunSettings& settings, RobotLink link)
    : settings_(settings),
      link_(std::move(link)),
      ad_monitor_(MonitorOf(settings.ad_channel >= 0, settings.ad_channel, settings.interval_ms)),
      gyro_monitor_(MonitorOf(settings.gyro >= 1, settings.gyro, settings.interval_ms)),
      last_send_time_(clock_.ElapsedMs()) {}

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

int Run::Execute() {
  const std::unique_ptr<Keyboard> keyboard = PlatformOpenKeyboard();
  for (;;) {
    if (std::optional<KeyMapping> key = TakeKey(*keyboard); key && HandleKey(*key))
      return Finish(0);
    if (const std::optional<int> status = MonitorStep()) return Finish(*status);
    PlatformPause(kPassPauseMs);
  }
}

bool Run::HandleKey(const KeyMapping& key) {
  if (key.action == KeyAction::kQuit) return true;
  bool send = key.action == KeyAction::kCommand;
  if (send) pending_ = key.command;
  // A request since the last send left no last command, so the first key
  // after a sample is never a repeat.
  if (send && pending_ == link_.LastCommand() &&
      MsBetween(last_send_time_, clock_.ElapsedMs()) <= kRepeatWindowMs) {
    send = false;
  }
  link_.SetLastCommand(pending_);  // also after a key without action
  if (send) {
    ReportCommand(link_.SendCommand(pending_));
    last_send_time_ = clock_.ElapsedMs();
  }
  return false;
}

std::optional<int> Run::MonitorStep() {
  const auto ended = [](SampleStatus s) { return s != SampleStatus::kOk; };
  if (ad_monitor_ && ended(MonitorAD(*ad_monitor_, link_, clock_))) return 1;
  if (gyro_monitor_ && ended(MonitorGyro(*gyro_monitor_, link_, clock_))) return 1;
  return std::nullopt;
}

// Every way out of a run closes the port here.
int Run::Finish(int status) {
  (void)link_.Close();
  return status;
}
