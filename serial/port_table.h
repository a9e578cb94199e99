// The port table itself: internal to the serial port layer. Everything else
// goes through the Com operations of serial/com.h; the unit tests look inside.
#pragma once

#include <cstdint>

#include "serial/com.h"

struct PortTable {
  std::int32_t open[kMaxPort];
  PlatformHandle handle[kMaxPort];
};
extern PortTable g_port_table;
