// The command line: a pure parse into the run settings, and the usage text.
#pragma once

#include "app/run_settings.h"

// Reads the options after the program name into *settings. True when they
// are complete and valid.
bool ParseCommandLine(int argc, const char* const* argv, RunSettings* settings);
// The seven-line usage text, on standard error.
void PrintUsage();
