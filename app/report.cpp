#include "app/report.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/port_hint.h"
#include "app/run_settings.h"

namespace {

const char* FailureText(LinkFailure failure) {
  switch (failure) {
    case LinkFailure::kSendError:
      return "Send error.";
    case LinkFailure::kMismatch:
      return "Echoeback unmatch.";
    case LinkFailure::kTimeout:
      return "Echoeback timeout.";
    case LinkFailure::kSetRts:
      return "SETRTS error.";
    case LinkFailure::kClearRts:
      return "CLRRTS error.";
  }
  return "Unknown error.";
}

}  // namespace

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
  if (std::strcmp(name, "PADLINK_HOLD") == 0)
    std::fprintf(stderr, "padlink: %s must be milliseconds from 0 to %d, not \"%s\"\n", name,
                 static_cast<int>(kMaxHoldMs), value);
  else
    std::fprintf(stderr, "padlink: %s must be a command from %d to %d, not \"%s\"\n", name,
                 static_cast<int>(kMinStopCommand), static_cast<int>(kMaxStopCommand), value);
}

void ReportHoldWithoutStop() {
  std::fprintf(stderr, "padlink: a hold time needs a stop command (--stop N or PADLINK_STOP=N)\n");
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
