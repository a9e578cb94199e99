#include "tests/support/fake_fixture.h"

#include <algorithm>

#include "app/monitors.h"
#include "link/buffers.h"
#include "link/link_mode.h"
#include "serial/port_table.h"

void FakeTest::OpenPortQuietly() {
  ASSERT_EQ(ComOpen(1, 256, 256), 0);
  fake::Get().log.clear();
}

std::vector<fake::Call> FakeTest::CallKinds(std::size_t n) {
  std::vector<fake::Call> kinds;
  for (const fake::Record& r : fake::Get().log) {
    if (kinds.size() == n) break;
    kinds.push_back(r.call);
  }
  return kinds;
}

void FakeTest::ResetProcess() {
  fake::Reset();
  g_port_table = PortTable{};
  g_run = RunSettings{};
  g_link_mode = LinkMode::kStrobe;
  std::fill(std::begin(TxBuffer), std::end(TxBuffer), 0);
  std::fill(std::begin(RxBuffer), std::end(RxBuffer), 0);
  g_ad_monitor = Monitor{};
  g_gyro_monitor = Monitor{};
  ElapsedStart();
}
