#include "app/report.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/port_hint.h"
#include "app/run_settings.h"
#include "samples/failure.h"

namespace {

// The words of samples/failure.h, whose results are the link's failures.
const char* FailureText(LinkFailure failure) {
  const char* meaning = FailureMeaning(static_cast<std::int32_t>(failure));
  return meaning ? meaning : "Unknown error.";
}

// What a setting's value must be: "must be a command from 1 to 32" or
// "must be milliseconds from 0 to 60000" (hold).
std::string MustBe(bool hold) {
  char text[64];
  if (hold)
    std::snprintf(text, sizeof text, "must be milliseconds from 0 to %d",
                  static_cast<int>(kMaxHoldMs));
  else
    std::snprintf(text, sizeof text, "must be a command from %d to %d",
                  static_cast<int>(kMinStopCommand), static_cast<int>(kMaxStopCommand));
  return text;
}

}  // namespace

void ReportUsage() {
  static constexpr char kUsage[] =
      "Usage: padlink -c ComNo [-d] [-a SensorNo | -g GyroNo] [-t Interval]\n"
      "\t-c ComNo\tSerial Port No. of PC\n"
      "\t-d\t\tCommunication via Cable\n"
      "\t-a SensorNo\tA/D Port No.(0-7) of ROBOT\n"
      "\t-g GyroNo\tGyro No.(1-4) of ROBOT\n"
      "\t-t Interval\tMonitoring interval by Second(s)\n"
      "\t\t= padlink robot remote control v" PADLINK_VERSION " =\n";
  std::fputs(kUsage, stderr);
}

void ReportHelp() {
  static constexpr char kHelp[] =
      "Usage: padlink -c ComNo [-d] [-a SensorNo | -g GyroNo] [-t Interval]\n"
      "               [--stop N] [--hold MS]\n"
      "Drives a robot over a serial line: each key of the key map sends one\n"
      "command (1 to 32); Esc, Delete or S quit. With -a or -g it also prints\n"
      "timed samples of a sensor on standard output.\n"
      "\n"
      "  -c ComNo      serial port number, 1 to 256 (required)\n"
      "  -d            cable mode; without it, strobe mode (an 8 ms RTS strobe\n"
      "                after every byte)\n"
      "  -a SensorNo   monitor A/D port 0 to 7\n"
      "  -g GyroNo     monitor gyro 1 to 4\n"
      "  -t Interval   monitoring interval in whole seconds (default 0.2 s;\n"
      "                0 samples as fast as the line allows)\n"
      "  --stop N      the stop command, 1 to 32, sent on every way out of a run\n"
      "  --hold MS     hold to drive: the stop command follows when no command\n"
      "                key came for MS milliseconds, 0 to 60000 (needs --stop)\n"
      "  -h, --help    this help\n"
      "  --version     the version\n"
      "\n"
      "Environment:\n"
      "  PADLINK_PORT_DIR   Linux: a directory of links com1, com2, ...; port n is\n"
      "                     its link comN, without it /dev/ttyS<n-1> (Windows: COMn)\n"
      "  PADLINK_PORT_<n>   port n on another computer, rfc2217://host:port\n"
      "  PADLINK_STOP       the stop command where --stop is not given\n"
      "  PADLINK_HOLD       the hold time where --hold is not given\n"
      "  PADLINK_REALTIME   0, no, off or false: no raised priority\n"
      "\n"
      "The keys, the link modes, the sample lines and the exit status: see\n"
      "padlink(1).\n";
  std::fputs(kHelp, stdout);
}

void ReportVersion() {
  std::fputs("padlink " PADLINK_VERSION "\n", stdout);
}

void ReportBadOption(const char* option, const char* value) {
  const bool hold = std::strcmp(option, "--hold") == 0;
  if (value)
    std::fprintf(stderr, "padlink: %s %s, not \"%s\"\n", option, MustBe(hold).c_str(), value);
  else
    std::fprintf(stderr, "padlink: %s needs a value: it %s\n", option, MustBe(hold).c_str());
}

void ReportOpenError(std::int32_t port, const PortAddress* address, const ComError& error) {
  std::fprintf(stderr, "Open error. %s\n", error.cause.text.c_str());
  std::fprintf(stderr, "%s\n", PortHint(port, address, error.cause.code).c_str());
}

void ReportConfigError(const ComError& error) {
  std::fprintf(stderr, "Config error. %s\n", error.cause.text.c_str());
}

void ReportRequestFailure(const char* origin, const LinkError& error) {
  // The strobe names its own failure first, as it happens.
  if (error.failure == LinkFailure::kClearRts) std::fprintf(stderr, "CLRRTS error\n");
  if (error.failure == LinkFailure::kSetRts) std::fprintf(stderr, "SETRTS error\n");
  std::fprintf(stderr, "%s:%s\n", origin, FailureText(error.failure));
}

void ReportCommand(const CommandOutcome& outcome) {
  if (!outcome.sent) std::fprintf(stderr, "CMD:Send error %d bytes sent.\n", 0);
  if (!outcome.rts_cleared) std::fprintf(stderr, "CMD:CLRRTS error\n");
  if (!outcome.rts_set) std::fprintf(stderr, "CMD:SETRTS error\n");
}

void ReportStopNotSent(const CommandOutcome* outcome) {
  std::fprintf(stderr,
               "padlink: the stop command could not be sent: the robot may still be moving\n");
  if (outcome && !outcome->rts_cleared) std::fprintf(stderr, "CMD:CLRRTS error\n");
  if (outcome && !outcome->rts_set) std::fprintf(stderr, "CMD:SETRTS error\n");
}

void ReportPasteNotSent() {
  std::fprintf(stderr, "padlink: pasted text is not sent to the robot; type the keys instead\n");
}

void ReportUnknownRealtime(const char* value) {
  std::fprintf(stderr,
               "padlink: PADLINK_REALTIME=\"%.64s\" is not known (0, no, off or false turn the "
               "raised priority off; 1, yes, on or true keep it): the priority is raised\n",
               value);
}

void ReportCannotWriteSamples(int error) {
  std::fprintf(stderr, "padlink: cannot write samples: %s\n", std::strerror(error ? error : EIO));
}

void ReportBadVariable(const char* name, const char* value) {
  const bool hold = std::strcmp(name, "PADLINK_HOLD") == 0;
  std::fprintf(stderr, "padlink: %s %s, not \"%s\"\n", name, MustBe(hold).c_str(), value);
}

void ReportHoldWithoutStop() {
  std::fprintf(stderr, "padlink: a hold time needs a stop command (--stop N or PADLINK_STOP=N)\n");
}

void ReportInputEnded() {
  std::fprintf(stderr,
               "padlink: standard input has ended, so no more keys can come; padlink runs on "
               "until a signal ends it (Ctrl+C, or kill)\n");
}

void ReportPortNote(const std::string& note) {
  std::fprintf(stderr, "%s\n", note.c_str());
}

void ReportPortGone(std::int32_t port, const std::string& place, const SysError& reason) {
  // Windows' texts end with a full stop and a line end of their own.
  std::string text = reason.text;
  while (!text.empty() &&
         (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' || text.back() == '.'))
    text.pop_back();
  std::fprintf(stderr, "padlink: port %d (%s) is gone: %s; trying it again every 0.5 s\n",
               static_cast<int>(port), place.c_str(), text.c_str());
}

void ReportPortBack(std::int32_t port, const std::string& place) {
  std::fprintf(stderr, "padlink: port %d (%s) is back\n", static_cast<int>(port), place.c_str());
}
