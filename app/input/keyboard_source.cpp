#include "app/input/keyboard_source.h"

#include "app/key_map.h"
#include "app/report.h"

namespace {

// Ignored bytes one poll looks past for a key.
constexpr int kMaxIgnored = 256;

Intent IntentOf(const KeyMapping& mapping) {
  switch (mapping.action) {
    case KeyAction::kCommand:
      return Intent{IntentKind::kPress, mapping.command};
    case KeyAction::kQuit:
      return Intent{IntentKind::kQuit};
    case KeyAction::kNone:
      break;
  }
  return Intent{IntentKind::kNothing};
}

}  // namespace

void KeyboardSource::Open() {
  keyboard_ = PlatformOpenKeyboard();
}

std::optional<Intent> KeyboardSource::Poll() {
  if (!keyboard_) return std::nullopt;
  for (int i = 0; i < kMaxIgnored; ++i) {
    const SysResult<std::optional<Key>> key = keyboard_->Poll();
    if (!key) return Intent{IntentKind::kNothing};
    if (!*key) {
      if (say_when_ended_ && keyboard_->Ended()) {
        say_when_ended_ = false;
        ReportInputEnded();
      }
      return std::nullopt;
    }
    switch ((*key)->kind) {
      case KeyKind::kPasteBegin:
        return Intent{IntentKind::kPaste};
      case KeyKind::kPaste:
      case KeyKind::kIgnored:
        break;
      default:
        return IntentOf(KeyMap(**key));
    }
  }
  return std::nullopt;
}

void KeyboardSource::Discard() {
  if (keyboard_) keyboard_->Discard();
}
