#include "serial/rfc2217/net_errors.h"

#include <cstdarg>
#include <cstdio>
#include <utility>

namespace rfc2217 {

namespace {

constexpr std::size_t kMaxDetail = 255;

const char* BaseText(std::int32_t code) {
  switch (code) {
    case kNetErrBadUrl:
      return "The port's address is not a valid URL (rfc2217://host:port)";
    case kNetErrUnknownScheme:
      return "The port's URL has an unknown scheme (remote ports are rfc2217://host:port)";
    case kNetErrHostNotFound:
      return "The port server's host name cannot be resolved";
    case kNetErrConnect:
      return "Cannot connect to the port server";
    case kNetErrNoComPort:
      return "The port server does not offer serial port control (telnet COM-PORT-OPTION, "
             "RFC 2217)";
    case kNetErrNegotiation:
      return "The port server did not agree to the telnet options of a serial port";
    case kNetErrClosed:
      return "The port server closed the connection";
    case kNetErrNoAnswer:
      return "The port server did not answer the line settings";
    case kNetErrSettingRefused:
      return "The port server refused the line settings";
    case kNetErrUnsupportedSetting:
      return "A remote port cannot do the requested line settings";
    case kNetErrRtsRefused:
      return "The port server did not apply an RTS change";
    case kNetErrConnectionLost:
      return "The connection to the port server was lost";
    case kNetErrBadHandle:
      return "Not an open remote port";
    case kNetErrDtrRefused:
      return "The port server did not apply a DTR change";
    default:
      return nullptr;
  }
}

}  // namespace

bool IsNetError(std::int32_t code) {
  return BaseText(code) != nullptr;
}

SysError NetError(std::int32_t code, const std::string& detail) {
  const char* base = BaseText(code);
  std::string text = base ? base : "Unknown remote port error";
  if (!detail.empty()) text += ": " + detail.substr(0, kMaxDetail);
#if defined(_WIN32)
  // The system's own texts end their line on Windows, and so do these.
  text += "\r\n";
#endif
  return SysError{code, std::move(text)};
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
