// Names of remote ports: rfc2217://host:port, given as the target of a link
// in the port directory or in the environment variable PADLINK_PORT_<N>.
#pragma once

#include <cstdint>

namespace rfc2217 {

// True when the text begins like a URL, "scheme://". Such a name is never a
// file.
bool LooksLikeUrl(const char* text);

struct PortUrl {
  char host[256];  // without the brackets of an IPv6 address
  char port[6];    // decimal, 1 to 65535
};

// Parses rfc2217://host:port (a trailing "/" is allowed). 0 on success,
// else the error code (kNetErrBadUrl or kNetErrUnknownScheme) with its
// detail set.
int ParsePortUrl(const char* text, PortUrl* url);

// The remote port that PADLINK_PORT_<port> names: 1 with the URL in buf, 0
// when the variable is unset or empty, -1 when it holds no URL or the URL
// does not fit (the error is pending, see net_errors.h).
int PortUrlFromEnvironment(std::int32_t port, char* buf, std::int32_t size);

}  // namespace rfc2217
