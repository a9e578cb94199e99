// Errors of remote ports. The codes sit in the application range of the
// platforms' error codes (bit 29 set), beside the system's own; each has a
// text of its own, followed by the detail of the last failure that set it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace rfc2217 {

constexpr std::int32_t kNetErrBadUrl = 0x20000101;
constexpr std::int32_t kNetErrUnknownScheme = 0x20000102;
constexpr std::int32_t kNetErrHostNotFound = 0x20000103;
constexpr std::int32_t kNetErrConnect = 0x20000104;
constexpr std::int32_t kNetErrNoComPort = 0x20000105;
constexpr std::int32_t kNetErrNegotiation = 0x20000106;
constexpr std::int32_t kNetErrClosed = 0x20000107;
constexpr std::int32_t kNetErrNoAnswer = 0x20000108;
constexpr std::int32_t kNetErrSettingRefused = 0x20000109;
constexpr std::int32_t kNetErrUnsupportedSetting = 0x2000010A;
constexpr std::int32_t kNetErrRtsRefused = 0x2000010B;
constexpr std::int32_t kNetErrConnectionLost = 0x2000010C;
constexpr std::int32_t kNetErrBadHandle = 0x2000010D;
constexpr std::int32_t kNetErrTooManyPorts = 0x2000010E;

// Records a failure: its code becomes the pending error (see TakeError)
// and the formatted text its detail.
void SetError(std::int32_t code, const char* detail_format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;

// The error recorded since the last call, 0 when none; clears it. The
// platform layer moves it into its last error.
std::int32_t TakeError();

// The text of a remote-port error code with its detail, in buf; false when
// the code is not one of them.
bool ErrorText(std::int32_t code, char* buf, std::size_t size);

}  // namespace rfc2217
