// libFuzzer target for what padlink parses from a port server and from the
// user: the telnet COM-PORT-OPTION stream and the port URL.
//
// Input: the first byte picks the parser. Even: the rest is a stream from
// the server, parsed whole, then again cut into packets at the positions the
// following bytes choose, and one byte at a time; all three must give the
// same data, replies and answers. Odd: the rest is a port URL.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "serial/rfc2217/net_errors.h"
#include "serial/rfc2217/port_url.h"
#include "serial/rfc2217/telnet_engine.h"

namespace {

struct Outcome {
  std::vector<std::uint8_t> data;
  std::vector<std::uint8_t> replies;
  std::uint32_t answers[rfc2217::kSettingCount];
  std::uint32_t last[rfc2217::kSettingCount];
  bool ready;
};

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

// Parses the stream in packets that end at `cuts` (ascending).
Outcome Parse(const std::uint8_t* p, std::size_t n, const std::vector<std::size_t>& cuts) {
  rfc2217::Engine e;
  rfc2217::Outbox out;
  e.Start(out);
  // A few requests in flight, so that answers are matched against them.
  e.SetBaudrate(9600, out);
  e.SetControl(rfc2217::kControlRtsOff, out);
  e.SetControl(rfc2217::kControlRtsOn, out);
  e.SetControl(rfc2217::kControlFlowQuery, out);
  Outcome r{};
  std::size_t pos = 0;
  std::vector<std::uint8_t> buf(n + 1);
  for (std::size_t k = 0; k <= cuts.size(); ++k) {
    const std::size_t end = k < cuts.size() ? cuts[k] : n;
    const std::size_t got = e.Receive(p + pos, end - pos, buf.data(), out);
    Check(got <= end - pos);
    r.data.insert(r.data.end(), buf.begin(), buf.begin() + static_cast<std::ptrdiff_t>(got));
    r.replies.insert(r.replies.end(), out.bytes, out.bytes + out.size);
    out.Consume(out.size);
    pos = end;
  }
  for (int s = 0; s < rfc2217::kSettingCount; ++s) {
    r.answers[s] = e.Answers(static_cast<rfc2217::Setting>(s));
    r.last[s] = e.LastAnswer(static_cast<rfc2217::Setting>(s));
    Check(e.Outstanding(static_cast<rfc2217::Setting>(s)) >= 0);
  }
  r.ready = e.Ready();
  Check(r.data.size() <= n);
  return r;
}

bool Same(const Outcome& a, const Outcome& b) {
  return a.data == b.data && a.replies == b.replies && a.ready == b.ready &&
         std::memcmp(a.answers, b.answers, sizeof a.answers) == 0 &&
         std::memcmp(a.last, b.last, sizeof a.last) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t* p = data + 1;
  const std::size_t n = size - 1;
  if (data[0] % 2 == 1) {
    char url[512];
    const std::size_t len = n < sizeof url - 1 ? n : sizeof url - 1;
    std::memcpy(url, p, len);
    url[len] = 0;
    const SysResult<rfc2217::PortUrl> parsed = rfc2217::ParsePortUrl(url);
    if (parsed) {
      Check(rfc2217::LooksLikeUrl(url));
      Check(!parsed->host.empty() && parsed->host.size() <= rfc2217::kMaxHostName);
      Check(parsed->port >= 1);
    } else {
      Check(rfc2217::IsNetError(parsed.error().code) && !parsed.error().text.empty());
    }
    return 0;
  }
  const Outcome whole = Parse(p, n, {});
  std::vector<std::size_t> cuts;
  for (std::size_t i = 0; i < n && i < 16; ++i) {
    const std::size_t c = p[i] % (n + 1);
    if (cuts.empty() || c > cuts.back()) cuts.push_back(c);
  }
  Check(Same(whole, Parse(p, n, cuts)));
  std::vector<std::size_t> every;
  for (std::size_t i = 1; i < n; ++i)
    every.push_back(i);
  Check(Same(whole, Parse(p, n, every)));
  return 0;
}
