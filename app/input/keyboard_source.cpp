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
      // A quit key among the last keys ends the run: nothing to say then.
      if (say_when_ended_ && !quit_taken_ && keyboard_->Ended()) {
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
      default: {
        const Intent intent = IntentOf(KeyMap(**key));
        if (intent.kind == IntentKind::kQuit) quit_taken_ = true;
        return intent;
      }
    }
  }
  return std::nullopt;
}

void KeyboardSource::Discard() {
  if (keyboard_) keyboard_->Discard();
}
