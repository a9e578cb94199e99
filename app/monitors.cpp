#include "app/monitors.h"

void MonitorStep(std::int32_t, std::int32_t, std::int32_t, std::int32_t) {}
