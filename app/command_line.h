// The command line and start-up.
#pragma once

#include <cstdint>

#include "app/run_settings.h"

constexpr std::int32_t kQueueSize = 256;

// Reads the options after the program name into *settings. True when they
// are complete and valid.
bool ParseCommandLine(int argc, const char* const* argv, RunSettings* settings);
// The seven-line usage text, on standard error.
void PrintUsage();
// Parses the command line into g_run, opens and configures the port and runs
// the control loop. Ends the process on every path.
[[noreturn]] void StartUp(int argc, const char* const* argv);
