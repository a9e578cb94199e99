#include "app/elapsed.h"

#include "platform/platform.h"

namespace {
std::uint32_t g_start_tick = 0;
}

void ElapsedStart() {
  g_start_tick = PlatformTickMs();
}

std::int32_t ElapsedMs() {
  return static_cast<std::int32_t>(PlatformTickMs() - g_start_tick);
}
