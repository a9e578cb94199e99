// The control loop: keys become command bytes for the robot.
#pragma once

#include <cstdint>

// Runs until a quit key or a failed monitor sample ends the process.
[[noreturn]] void ControlLoop(std::int32_t port, std::int32_t cable, std::int32_t ad_channel,
                              std::int32_t gyro, std::int32_t interval_ms);
