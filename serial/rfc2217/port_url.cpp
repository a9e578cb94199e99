#include "serial/rfc2217/port_url.h"

#include <cstring>
#include <string>
#include <utility>

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
// A zone (the network interface of a link-local address): a name or a
// number, as the system knows them.
bool ZoneChar(char c) {
  return Alpha(c) || Digit(c) || c == '-' || c == '.' || c == '_' || c == '~';
}
constexpr std::size_t kMaxZone = 64;

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

SysError Bad(const char* text, const char* why) {
  return NetErrorF(kNetErrBadUrl, "%s in \"%.160s\"", why, text);
}

// The IPv6 address in brackets at *p, with its zone after "%" (a URL
// writes the "%" as "%25", and both spellings are taken): the address as
// the system reads it, "fe80::2%eth0". Moves *p past the "]".
SysResult<std::string> Ipv6Literal(const char* text, const char** p) {
  const char* start = ++*p;
  const char* q = start;
  while (Hex6Char(*q))
    ++q;
  std::string host(start, static_cast<std::size_t>(q - start));
  if (*q == '%') {
    // "%25" is the URL's escaped "%"; a zone of its own that begins with
    // 25 is written "%2525...".
    q += (q[1] == '2' && q[2] == '5' && ZoneChar(q[3])) ? 3 : 1;
    const char* zone = q;
    while (ZoneChar(*q))
      ++q;
    const std::size_t zone_len = static_cast<std::size_t>(q - zone);
    if (zone_len == 0 || zone_len > kMaxZone || *q != ']')
      return Fail(Bad(text, "invalid zone in the [IPv6 address%zone]"));
    host += '%';
    host.append(zone, zone_len);
  }
  if (*q != ']') return Fail(Bad(text, "unclosed or invalid [IPv6 address]"));
  *p = q + 1;
  if (host.empty() || host[0] == '%') return Fail(Bad(text, "no host name"));
  return host;
}

}  // namespace

bool LooksLikeUrl(const char* text) {
  return text && SchemeLength(text) > 0;
}

SysResult<PortUrl> ParsePortUrl(const char* text) {
  const std::size_t scheme = SchemeLength(text);
  if (scheme == 0) return Fail(Bad(text, "no scheme://"));
  if (scheme != 7 || !SameLetters(text, "rfc2217", 7)) {
    return Fail(NetErrorF(kNetErrUnknownScheme, "\"%.*s\" in \"%.160s\"",
                          static_cast<int>(scheme > 32 ? 32 : scheme), text, text));
  }
  const char* p = text + scheme + 3;
  std::string host;
  if (*p == '[') {
    SysResult<std::string> literal = Ipv6Literal(text, &p);
    if (!literal) return Fail(std::move(literal.error()));
    host = std::move(*literal);
  } else {
    const char* start = p;
    while (HostChar(*p))
      ++p;
    host.assign(start, static_cast<std::size_t>(p - start));
  }
  if (host.empty()) return Fail(Bad(text, "no host name"));
  if (host.size() > kMaxHostName) return Fail(Bad(text, "host name too long"));
  if (*p != ':')
    return Fail(Bad(text, *p ? "invalid character in the host name" : "no port number"));
  ++p;
  const char* digits = p;
  unsigned long port = 0;
  while (Digit(*p) && p - digits < 6) {
    port = port * 10 + static_cast<unsigned long>(*p - '0');
    ++p;
  }
  if (p == digits) return Fail(Bad(text, "no port number"));
  if (port < 1 || port > 65535 || Digit(*p)) return Fail(Bad(text, "port number outside 1..65535"));
  if (*p == '/') ++p;
  if (*p) return Fail(Bad(text, "unexpected text after the port number"));
  return PortUrl{std::move(host), static_cast<std::uint16_t>(port)};
}

std::string TrimBlanks(const char* text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  const char* begin = text;
  while (blank(*begin))
    ++begin;
  const char* end = begin + std::strlen(begin);
  while (end > begin && blank(end[-1]))
    --end;
  return std::string(begin, static_cast<std::size_t>(end - begin));
}

SysResult<std::optional<std::string>> UrlFromVariable(const char* name, const char* value) {
  if (!value) return std::optional<std::string>{};
  std::string url = TrimBlanks(value);
  if (url.empty()) return std::optional<std::string>{};
  if (!LooksLikeUrl(url.c_str()))
    return Fail(NetErrorF(kNetErrBadUrl, "%s holds \"%.160s\"", name, value));
  return std::optional<std::string>{std::move(url)};
}

}  // namespace rfc2217
