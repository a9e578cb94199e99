// The command line: a pure parse into the run settings (or what else it asks
// for), and the settings the environment adds.
#pragma once

#include "app/run_settings.h"

// What a command line asks for.
enum class CommandRequest {
  kRun,       // a run with the settings
  kHelp,      // -h or --help: the full help on standard output
  kVersion,   // --version
  kUsage,     // a wrong or incomplete line: the usage text
  kBadValue,  // a long option whose value is missing or out of its range
};

struct CommandLine {
  CommandRequest request = CommandRequest::kUsage;
  RunSettings settings;          // kRun
  const char* option = nullptr;  // kBadValue: the option's name ("--stop", "--hold")
  const char* value = nullptr;   // kBadValue: its value; null when none followed
};

// Reads the options after the program name. The first -h, --help or
// --version wins over everything else on the line; otherwise the first long
// option with a bad value is named; otherwise a line that is wrong or has no
// port asks for the usage text.
CommandLine ParseCommandLine(int argc, const char* const* argv);

// The long options, each with its value as the next argument (--stop 5) or
// after '=' (--stop=5). The usage text does not list them; the help and
// padlink(1) do.
inline constexpr const char* kLongOptions[] = {"--stop", "--hold"};

// Where the command line gave none, the stop command and the hold time of
// the environment: `stop` and `hold` are the values of PADLINK_STOP and
// PADLINK_HOLD, null when unset (an empty value counts as unset). False when
// a value is not a whole number in its range; *bad then names the variable.
bool ApplyEnvironment(const char* stop, const char* hold, RunSettings* settings, const char** bad);
