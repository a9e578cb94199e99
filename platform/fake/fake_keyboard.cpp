// The fake keyboard: keys pressed at chosen virtual times. A poll takes a
// key whose time has come; a read waits for the next one, the clock moving
// on to its time, and finds the input ended when no key is left.
#include <algorithm>
#include <memory>

#include "platform/fake/fake_platform.h"

namespace fake {

void PressKey(std::uint64_t time, const Key& key) {
  Get().keys.push_back({time, key});
}

void PressKey(std::uint64_t time, unsigned char character) {
  PressKey(time, Key::Character(character));
}

void PressSpecial(std::uint64_t time, SpecialKey key, KeyForm form) {
  PressKey(time, Key::Special(key, form));
}

void KeyboardFails(std::uint64_t time, std::int32_t error) {
  Get().keys.push_back({time, std::nullopt, error});
}

namespace {

class FakeKeyboard : public Keyboard {
 public:
  FakeKeyboard() {
    Get().keyboard_open = true;
    ++Get().keyboards_opened;
    if (!Get().taking_requests) Get().keyboard_before_requests = true;
  }
  ~FakeKeyboard() override { Get().keyboard_open = false; }

  SysResult<std::optional<Key>> Poll() override {
    const State& s = Get();
    if (s.keys.empty() || s.keys.front().time > s.now) return std::optional<Key>();
    SysResult<Key> key = Take();
    if (!key) return Fail(key.error());
    return std::optional<Key>(*key);
  }

  // Every key pressed by now.
  void Discard() override {
    State& s = Get();
    while (!s.keys.empty() && s.keys.front().time <= s.now)
      s.keys.pop_front();
  }
  bool Ended() override { return Get().input_ends && Get().keys.empty(); }

  SysResult<Key> Read() override {
    State& s = Get();
    if (s.keys.empty()) return Fail(SysError{0, "the input has ended", ErrorKind::kEnded});
    s.now = std::max(s.now, s.keys.front().time);
    return Take();
  }

 private:
  static SysResult<Key> Take() {
    const KeyPress press = Get().keys.front();
    Get().keys.pop_front();
    if (!press.key) return Fail(PlatformError(press.error));
    return *press.key;
  }
};

}  // namespace

}  // namespace fake

std::unique_ptr<Keyboard> PlatformOpenKeyboard() {
  return std::make_unique<fake::FakeKeyboard>();
}
