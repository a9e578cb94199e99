// Every message of a run on standard error, each printed here and nowhere
// else. Messages name their origin as a prefix: "PeekAD3:" and "PeekSRAM:"
// for requests, "CMD:" for commands; start-up messages have none.
#pragma once

#include <cstdint>
#include <string>

#include "link/robot_link.h"
#include "serial/com.h"

// The seven-line usage text of a wrong command line, on standard error.
void ReportUsage();
// The full help of -h and --help, on standard output: the usage, every
// option, the variables, and where the manual is.
void ReportHelp();
// "padlink <version>" on standard output.
void ReportVersion();
// A long option whose value is missing or out of its range:
// "padlink: --stop must be a command from 1 to 32, not "0"", as for the
// variables; `value` is null when none followed the option.
void ReportBadOption(const char* option, const char* value);
// "Open error. <reason>", then the line that says which device the port
// number stood for and what to do. `address` is null when the number could
// not be resolved.
void ReportOpenError(std::int32_t port, const PortAddress* address, const ComError& error);
// "Config error. <reason>".
void ReportConfigError(const ComError& error);
// A failed request: the strobe's own line for an RTS failure, then
// "<origin>:<failure>" (origin "PeekAD3", "PeekSRAM").
void ReportRequestFailure(const char* origin, const LinkError& error);
// What failed of a command: "CMD:Send error 0 bytes sent." and the strobe's
// lines.
void ReportCommand(const CommandOutcome& outcome);
// A stop command that did not go out, after a command that did: "padlink:
// the stop command could not be sent: the robot may still be moving", and
// the strobe's lines when there was a try (outcome; null when the port is
// gone).
void ReportStopNotSent(const CommandOutcome* outcome);
// The first paste of a run: "padlink: pasted text is not sent to the robot;
// type the keys instead".
void ReportPasteNotSent();
// PADLINK_REALTIME holding a value that is neither on nor off: what it is
// and what is done.
void ReportUnknownRealtime(const char* value);
// Sample lines that cannot be written: "padlink: cannot write samples: <reason>"
// (errno value; 0 when the failed call left none).
void ReportCannotWriteSamples(int error);
// An environment variable whose value is no setting: "padlink: PADLINK_STOP
// must be a command from 1 to 32, not "<value>"", and the like for
// PADLINK_HOLD.
void ReportBadVariable(const char* name, const char* value);
// A hold time without a stop command to send.
void ReportHoldWithoutStop();
// Standard input that has ended on a run without monitors: no key can come,
// and what ends the run.
void ReportInputEnded();
// Where the port number led, when it is the system's own device and other
// serial devices exist: the hint line of a port that would not open.
void ReportPortNote(const std::string& note);
// The port is gone: "padlink: port <n> (<place>) is gone: <reason>; trying it
// again every 0.5 s", once; and "padlink: port <n> (<place>) is back" when
// it could be opened again.
void ReportPortGone(std::int32_t port, const std::string& place, const SysError& reason);
void ReportPortBack(std::int32_t port, const std::string& place);
