// Names of remote ports: rfc2217://host:port, given as the target of a link
// in the port directory or in the environment variable PADLINK_PORT_<N>.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/port.h"

namespace rfc2217 {

// True when the text begins like a URL, "scheme://". Such a name is never a
// file.
bool LooksLikeUrl(const char* text);

constexpr std::size_t kMaxHostName = 255;

struct PortUrl {
  std::string host;  // without the brackets of an IPv6 address
  std::uint16_t port = 0;
};

// Parses rfc2217://host:port (a trailing "/" is allowed). Fails with
// kNetErrBadUrl or kNetErrUnknownScheme.
SysResult<PortUrl> ParsePortUrl(const char* text);

// The URL that the environment variable `name` holds, given its value (null
// when it is unset): nothing when it is unset or empty; fails with
// kNetErrBadUrl when it holds no URL.
SysResult<std::optional<std::string>> UrlFromVariable(const char* name, const char* value);

}  // namespace rfc2217
