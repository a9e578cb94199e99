#include "serial/rfc2217/net_errors.h"

#include <cstdarg>
#include <cstdio>

namespace rfc2217 {

namespace {

std::int32_t g_pending = 0;
std::int32_t g_detail_code = 0;
char g_detail[256] = "";

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
    case kNetErrTooManyPorts:
      return "Too many remote ports are open";
    default:
      return nullptr;
  }
}

}  // namespace

void SetError(std::int32_t code, const char* detail_format, ...) {
  g_pending = code;
  g_detail_code = code;
  va_list ap;
  va_start(ap, detail_format);
  std::vsnprintf(g_detail, sizeof g_detail, detail_format, ap);
  va_end(ap);
}

std::int32_t TakeError() {
  const std::int32_t e = g_pending;
  g_pending = 0;
  return e;
}

bool ErrorText(std::int32_t code, char* buf, std::size_t size) {
  const char* base = BaseText(code);
  if (!base) return false;
  if (code == g_detail_code && g_detail[0])
    std::snprintf(buf, size, "%s: %s", base, g_detail);
  else
    std::snprintf(buf, size, "%s", base);
  return true;
}

}  // namespace rfc2217
