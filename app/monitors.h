// The sensor monitors.
#pragma once

#include <cstdint>

// Lets each monitor asked for sample when its interval has passed. Ends the
// process with status 1 when a sample fails.
void MonitorStep(std::int32_t port, std::int32_t ad_channel, std::int32_t gyro,
                 std::int32_t interval_ms);
