// The console keyboard as an input source: each key through the key map.
// A key the map knows gives a press of its command, the quit keys a quit,
// every other key nothing; a paste gives a paste as it begins; bytes the
// terminal sends that are no key (reports, unknown sequences, the end of a
// paste) are looked past. A keyboard
// that cannot be read gives a key that does nothing.
#pragma once

#include <memory>
#include <optional>

#include "app/input/source.h"
#include "platform/platform.h"

class KeyboardSource : public InputSource {
 public:
  // With say_when_ended, the end of the input (standard input a file or a
  // pipe at its end) is said once: on a run without monitors nothing would
  // show that the run goes on with no key to come.
  explicit KeyboardSource(bool say_when_ended = false) : say_when_ended_(say_when_ended) {}
  void Open() override;
  std::optional<Intent> Poll() override;
  void Discard() override;

 private:
  std::unique_ptr<Keyboard> keyboard_;
  bool say_when_ended_;
  bool quit_taken_ = false;  // a quit key was taken: the run is ending
};
