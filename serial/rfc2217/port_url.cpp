#include "serial/rfc2217/port_url.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "serial/rfc2217/net_errors.h"

namespace rfc2217 {

namespace {

bool Alpha(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool Digit(char c) {
  return c >= '0' && c <= '9';
}
bool SchemeChar(char c) {
  return Alpha(c) || Digit(c) || c == '+' || c == '-' || c == '.';
}
bool HostChar(char c) {
  return Alpha(c) || Digit(c) || c == '-' || c == '.' || c == '_';
}
bool Hex6Char(char c) {
  return Digit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F') || c == ':' || c == '.';
}

bool SameLetters(const char* a, const char* lower, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) {
    const char c = (a[i] >= 'A' && a[i] <= 'Z') ? static_cast<char>(a[i] - 'A' + 'a') : a[i];
    if (c != lower[i]) return false;
  }
  return true;
}

// Length of the scheme before "://", 0 when there is none.
std::size_t SchemeLength(const char* t) {
  if (!Alpha(t[0])) return 0;
  std::size_t n = 1;
  while (SchemeChar(t[n]))
    ++n;
  return std::strncmp(t + n, "://", 3) == 0 ? n : 0;
}

int Bad(const char* text, const char* why) {
  SetError(kNetErrBadUrl, "%s in \"%.160s\"", why, text);
  return kNetErrBadUrl;
}

}  // namespace

bool LooksLikeUrl(const char* text) {
  return text && SchemeLength(text) > 0;
}

int ParsePortUrl(const char* text, PortUrl* url) {
  const std::size_t scheme = SchemeLength(text);
  if (scheme == 0) return Bad(text, "no scheme://");
  if (scheme != 7 || !SameLetters(text, "rfc2217", 7)) {
    SetError(kNetErrUnknownScheme, "\"%.*s\" in \"%.160s\"",
             static_cast<int>(scheme > 32 ? 32 : scheme), text, text);
    return kNetErrUnknownScheme;
  }
  const char* p = text + scheme + 3;
  std::size_t host_len = 0;
  const char* host = p;
  if (*p == '[') {  // IPv6 literal
    host = ++p;
    while (Hex6Char(*p))
      ++p;
    if (*p != ']') return Bad(text, "unclosed or invalid [IPv6 address]");
    host_len = static_cast<std::size_t>(p - host);
    ++p;
  } else {
    while (HostChar(*p))
      ++p;
    host_len = static_cast<std::size_t>(p - host);
  }
  if (host_len == 0) return Bad(text, "no host name");
  if (host_len >= sizeof url->host) return Bad(text, "host name too long");
  if (*p != ':') return Bad(text, *p ? "invalid character in the host name" : "no port number");
  ++p;
  const char* digits = p;
  unsigned long port = 0;
  while (Digit(*p) && p - digits < 6) {
    port = port * 10 + static_cast<unsigned long>(*p - '0');
    ++p;
  }
  if (p == digits) return Bad(text, "no port number");
  if (port < 1 || port > 65535 || Digit(*p)) return Bad(text, "port number outside 1..65535");
  if (*p == '/') ++p;
  if (*p) return Bad(text, "unexpected text after the port number");
  std::memcpy(url->host, host, host_len);
  url->host[host_len] = 0;
  std::snprintf(url->port, sizeof url->port, "%lu", port);
  return 0;
}

int PortUrlFromEnvironment(std::int32_t port, char* buf, std::int32_t size) {
  char name[32];
  std::snprintf(name, sizeof name, "PADLINK_PORT_%d", static_cast<int>(port));
  const char* value = std::getenv(name);
  if (!value || !*value) return 0;
  if (!LooksLikeUrl(value)) {
    SetError(kNetErrBadUrl, "%s holds \"%.160s\"", name, value);
    return -1;
  }
  const int n = std::snprintf(buf, static_cast<std::size_t>(size), "%s", value);
  if (n < 0 || n >= size) {
    SetError(kNetErrBadUrl, "%s is too long", name);
    return -1;
  }
  return 1;
}

}  // namespace rfc2217
