#include "tests/support/fake_fixture.h"

#include <algorithm>

#include "app/monitors.h"
#include "link/buffers.h"

void FakeTest::OpenPortQuietly() {
  ASSERT_EQ(ComOpen(1, 256, 256), 0);
  fake::Get().log.clear();
}

void FakeTest::ResetProcess() {
  fake::Reset();
  g_port_table = PortTable{};
  g_run = RunSettings{};
  std::fill(std::begin(TxBuffer), std::end(TxBuffer), 0);
  std::fill(std::begin(RxBuffer), std::end(RxBuffer), 0);
  g_ad_monitor = Monitor{};
  g_gyro_monitor = Monitor{};
  ElapsedStart();
}
