#include "tests/support/fake_fixture.h"

#include <cstdlib>

#include "app/input/keyboard_source.h"
#include "serial/com.h"

std::unique_ptr<Port> FakeTest::OpenQuietly() {
  ComResult<std::unique_ptr<Port>> port = ComOpen(DevicePath{"/dev/fake1"});
  EXPECT_TRUE(port.ok());
  fake::Get().log.clear();
  return port ? std::move(port.value()) : nullptr;
}

std::vector<fake::Call> FakeTest::CallKinds(std::size_t n) {
  std::vector<fake::Call> kinds;
  for (const fake::Record& r : fake::Get().log) {
    if (kinds.size() == n) break;
    kinds.push_back(r.call);
  }
  return kinds;
}

void SetVariable(const char* name, const char* value) {
#if defined(_WIN32)
  _putenv_s(name, value ? value : "");
#else
  if (value)
    setenv(name, value, 1);
  else
    unsetenv(name);
#endif
}

InputSources KeyboardInput() {
  InputSources inputs;
  inputs.push_back(std::make_unique<KeyboardSource>());
  return inputs;
}
