// Errors of remote ports. The codes sit in the application range of the
// platforms' error codes (bit 29 set), beside the system's own; each has a
// text of its own, which the detail of the failure follows.
#pragma once

#include <cstdint>
#include <string>

#include "platform/connection.h"
#include "platform/port.h"

namespace rfc2217 {

constexpr std::int32_t kNetErrBadUrl = 0x20000101;
constexpr std::int32_t kNetErrUnknownScheme = 0x20000102;
// The platform's codes for a connection that could not be made.
constexpr std::int32_t kNetErrHostNotFound = kConnectErrHostNotFound;  // 0x20000103
constexpr std::int32_t kNetErrConnect = kConnectErrConnect;            // 0x20000104
constexpr std::int32_t kNetErrNoComPort = 0x20000105;
constexpr std::int32_t kNetErrNegotiation = 0x20000106;
constexpr std::int32_t kNetErrClosed = 0x20000107;
constexpr std::int32_t kNetErrNoAnswer = 0x20000108;
constexpr std::int32_t kNetErrSettingRefused = 0x20000109;
constexpr std::int32_t kNetErrUnsupportedSetting = 0x2000010A;
constexpr std::int32_t kNetErrRtsRefused = 0x2000010B;
constexpr std::int32_t kNetErrConnectionLost = 0x2000010C;
// A call on a remote port that was closed.
constexpr std::int32_t kNetErrBadHandle = 0x2000010D;
// 0x2000010E stood for too many open remote ports; there is no such limit.
constexpr std::int32_t kNetErrDtrRefused = 0x2000010F;

// True for the codes above.
bool IsNetError(std::int32_t code);

// The error with its code's text, followed by ": " and the detail unless
// the detail is empty, of the kind the code stands for: a lost connection
// is gone, an unanswered request timed out, a setting, modem-line change or
// telnet option the server would not take refused, a connection the server
// closed while the port was set up ended; anything else other. A detail is
// cut at 255 characters.
SysError NetError(std::int32_t code, const std::string& detail);

// NetError with the detail formatted as by printf.
SysError NetErrorF(std::int32_t code, const char* detail_format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;

// A port name that is no valid URL, with the detail.
inline SysError BadUrlError(const std::string& detail) {
  return NetError(kNetErrBadUrl, detail);
}

}  // namespace rfc2217
