// What the user means, as an input source tells it: the run acts on
// intents, whatever device they came from.
#pragma once

#include <cstdint>

enum class IntentKind {
  kPress,    // a command key pressed (or repeated by the device); `command` 1..32
  kRelease,  // a command key let go, where the source can tell; `command` 1..32
  kNothing,  // a key that does nothing, or input that could not be read
  kQuit,     // end the run
  kPaste,    // pasted text, which sends nothing
  kMarker,   // a mark in the run
  kLost,     // the source's device is gone
  kBack,     // the source's device is back
};

struct Intent {
  IntentKind kind;
  std::uint8_t command = 0;

  bool operator==(const Intent&) const = default;
};
