#include "serial/rfc2217/net_errors.h"

#include <cstdarg>
#include <cstdio>
#include <utility>

namespace rfc2217 {

namespace {

constexpr std::size_t kMaxDetail = 255;

// A code's text and the kind of failure it is, where the code alone tells;
// a connection that failed takes the connector's kind, and the failures that
// come from the connection ending take the way it ended.
struct Known {
  const char* text;
  ErrorKind kind;
};

Known Lookup(std::int32_t code) {
  switch (code) {
    case kNetErrBadUrl:
      return {"The port's address is not a valid URL (rfc2217://host:port)", ErrorKind::kOther};
    case kNetErrUnknownScheme:
      return {"The port's URL has an unknown scheme (remote ports are rfc2217://host:port)",
              ErrorKind::kOther};
    case kNetErrHostNotFound:
      return {"The port server's host name cannot be resolved", ErrorKind::kOther};
    case kNetErrConnect:
      return {"Cannot connect to the port server", ErrorKind::kOther};
    case kNetErrNoComPort:
      return {
          "The port server does not offer serial port control (telnet COM-PORT-OPTION, "
          "RFC 2217)",
          ErrorKind::kRefused};
    case kNetErrNegotiation:
      return {"The port server did not agree to the telnet options of a serial port",
              ErrorKind::kRefused};
    case kNetErrClosed:
      return {"The port server closed the connection", ErrorKind::kEnded};
    case kNetErrNoAnswer:
      return {"The port server did not answer the line settings", ErrorKind::kTimedOut};
    case kNetErrSettingRefused:
      return {"The port server refused the line settings", ErrorKind::kRefused};
    case kNetErrUnsupportedSetting:
      return {"A remote port cannot do the requested line settings", ErrorKind::kRefused};
    case kNetErrRtsRefused:
      return {"The port server did not apply an RTS change", ErrorKind::kRefused};
    case kNetErrConnectionLost:
      return {"The connection to the port server was lost", ErrorKind::kGone};
    case kNetErrBadHandle:
      return {"Not an open remote port", ErrorKind::kOther};
    case kNetErrDtrRefused:
      return {"The port server did not apply a DTR change", ErrorKind::kRefused};
    default:
      return {nullptr, ErrorKind::kOther};
  }
}

}  // namespace

bool IsNetError(std::int32_t code) {
  return Lookup(code).text != nullptr;
}

SysError NetError(std::int32_t code, const std::string& detail) {
  const Known known = Lookup(code);
  std::string text = known.text ? known.text : "Unknown remote port error";
  if (!detail.empty()) text += ": " + detail.substr(0, kMaxDetail);
#if defined(_WIN32)
  // The system's own texts end their line on Windows, and so do these.
  text += "\r\n";
#endif
  return SysError{code, std::move(text), known.kind};
}

SysError NetErrorF(std::int32_t code, const char* detail_format, ...) {
  char detail[kMaxDetail + 1];
  va_list ap;
  va_start(ap, detail_format);
  std::vsnprintf(detail, sizeof detail, detail_format, ap);
  va_end(ap);
  return NetError(code, detail);
}

}  // namespace rfc2217
