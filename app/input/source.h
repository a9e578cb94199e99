// An input source: a device the user drives the run with, yielding intents.
// The run owns its sources and asks each in turn, at every pass, for all
// that has come, without waiting. A new kind of input is a class of this interface in a folder of
// its own, and one line in the run's wiring (app/start_up.cpp).
#pragma once

#include <optional>

#include "app/input/intent.h"

class InputSource {
 public:
  virtual ~InputSource() = default;
  InputSource() = default;
  InputSource(const InputSource&) = delete;
  InputSource& operator=(const InputSource&) = delete;

  // Takes the device, once, when the run starts: after the run takes the
  // requests from outside, so that a signal never finds the device taken
  // without the run there to give it back.
  virtual void Open() = 0;
  // The next intent when one has come; nothing when none has.
  virtual std::optional<Intent> Poll() = 0;
  // Drops what the device has and the run has not taken (the run is about
  // to be suspended): nothing that came before comes after it.
  virtual void Discard() = 0;
};
