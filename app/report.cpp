#include "app/report.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/port_hint.h"

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

void ReportUnknownRealtime(const char* value) {
  std::fprintf(stderr,
               "padlink: PADLINK_REALTIME=\"%.64s\" is not known (0, no, off or false turn the "
               "raised priority off; 1, yes, on or true keep it): the priority is raised\n",
               value);
}

void ReportCannotWriteSamples(int error) {
  std::fprintf(stderr, "padlink: cannot write samples: %s\n", std::strerror(error ? error : EIO));
}
