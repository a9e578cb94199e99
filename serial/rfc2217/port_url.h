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
  // Without the brackets of an IPv6 address; with its zone after "%"
  // ("fe80::2%eth0"), as the system's name lookup takes it.
  std::string host;
  std::uint16_t port = 0;
};

// Parses rfc2217://host:port (a trailing "/" is allowed). The host is a
// name, an IPv4 address or an IPv6 address in brackets, which may name the
// zone (the interface) of a link-local address: [fe80::2%25eth0] as URLs
// escape the "%", or [fe80::2%eth0]. Fails with kNetErrBadUrl or
// kNetErrUnknownScheme.
SysResult<PortUrl> ParsePortUrl(const char* text);

// The text without the blanks (spaces, tabs, line ends) around it: a URL
// pasted into a variable or a link with a blank before or after it.
std::string TrimBlanks(const char* text);

// The URL that the environment variable `name` holds, given its value (null
// when it is unset), without blanks around it: nothing when it is unset or
// blank; fails with kNetErrBadUrl when it holds no URL.
SysResult<std::optional<std::string>> UrlFromVariable(const char* name, const char* value);

}  // namespace rfc2217
