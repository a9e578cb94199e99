// The fake platform at virtual time 0 for each unit test, and a port of it
// opened through the serial layer. Tests build the objects they need; no
// state of the program outlives its objects.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "app/run.h"
#include "platform/fake/fake_platform.h"
#include "platform/port.h"

class FakeTest : public ::testing::Test {
 public:
  // The test's clock: the virtual clock of its fake platform.
  const Clock& clock() const { return platform_.clock(); }

  // A port of the fake, opened as start-up opens one, with the calls the
  // open made forgotten.
  static std::unique_ptr<Port> OpenQuietly();

  // The kinds of the calls the fake recorded, oldest first; at most n.
  static std::vector<fake::Call> CallKinds(std::size_t n = SIZE_MAX);

 private:
  fake::Platform platform_;
};

// The keyboard as the run's one input source, as padlink runs.
InputSources KeyboardInput();

// Sets (or, with nullptr, removes) an environment variable. Windows keeps
// no empty variables: there an empty value removes it, which padlink takes
// the same way.
void SetVariable(const char* name, const char* value);
