#include "app/control_loop.h"

#include "platform/platform.h"
#include "serial/com.h"

// Start-up only, for now: the port opened and configured, close it again.
void ControlLoop(std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t) {
  ComCloseAll();
  PlatformExit(0);
}
