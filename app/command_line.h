// The command line: a pure parse into the run settings, the settings the
// environment adds, and the usage text.
#pragma once

#include <optional>

#include "app/run_settings.h"

// Reads the options after the program name: the settings they ask for when
// they are complete and valid, else nothing.
std::optional<RunSettings> ParseCommandLine(int argc, const char* const* argv);

// The long options, each with its value as the next argument (--stop 5) or
// after '=' (--stop=5). The usage text does not list them; padlink(1) does.
inline constexpr const char* kLongOptions[] = {"--stop", "--hold"};

// Where the command line gave none, the stop command and the hold time of
// the environment: `stop` and `hold` are the values of PADLINK_STOP and
// PADLINK_HOLD, null when unset (an empty value counts as unset). False when
// a value is not a whole number in its range; *bad then names the variable.
bool ApplyEnvironment(const char* stop, const char* hold, RunSettings* settings, const char** bad);

// The seven-line usage text, on standard error.
void PrintUsage();
