#include "tests/support/fake_fixture.h"

void FakeTest::ResetProcess() {
  fake::Reset();
  g_port_table = PortTable{};
  g_run = RunSettings{};
  ElapsedStart();
}
