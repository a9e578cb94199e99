// The control loop: keys become command bytes for the robot.
#pragma once

#include "app/run_settings.h"

// Runs until a quit key or a failed monitor sample ends the process.
[[noreturn]] void ControlLoop(const RunSettings& run);
