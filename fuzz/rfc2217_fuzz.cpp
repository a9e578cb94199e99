// libFuzzer target for what padlink parses from a port server and from the
// user: the telnet COM-PORT-OPTION stream, the port URL, and a remote port
// opened and used against a server that sends whatever it likes.
//
// Input: the first byte picks the parser. Even, below 128: the rest is a
// stream from the server, parsed whole, then again cut into packets at the
// positions the following bytes choose, and one byte at a time; all three
// must give the same data, replies and answers. Odd: the rest is a port URL.
// Even, 128 and up: the next byte is the size of the server's packets (one
// a millisecond), the rest everything the server sends; bit 1 of the first
// byte: the server closes the connection after it, else it stays silent;
// bit 2: the port is one tried again, whose set-up has limits and is given
// up at 200 ms. The port is opened, configured, read, looked at after a
// quiet time and written in virtual time; no wait may come back at once with
// nothing moved (a loop that spins), and every call ends within its
// time-outs.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/connection.h"
#include "serial/rfc2217/net_errors.h"
#include "serial/rfc2217/port_url.h"
#include "serial/rfc2217/remote_port.h"
#include "serial/rfc2217/telnet_engine.h"

namespace {

struct Outcome {
  std::vector<std::uint8_t> data;
  std::vector<std::uint8_t> replies;
  std::uint32_t answers[rfc2217::kSettingCount];
  std::uint32_t last[rfc2217::kSettingCount];
  bool ready;
  // The outbox filled up and dropped replies: a whole stream then keeps
  // fewer of them than the same stream in packets, whose replies are sent
  // after each packet.
  bool replies_dropped;
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
  r.replies_dropped = out.overflow;
  Check(r.data.size() <= n);
  return r;
}

bool Same(const Outcome& a, const Outcome& b) {
  const bool replies = a.replies_dropped || b.replies_dropped || a.replies == b.replies;
  return a.data == b.data && replies && a.ready == b.ready &&
         std::memcmp(a.answers, b.answers, sizeof a.answers) == 0 &&
         std::memcmp(a.last, b.last, sizeof a.last) == 0;
}

// The server's side in virtual time: its bytes arrive `packet` at a time,
// one packet a millisecond; what the port sends is taken and dropped. The
// state outlives the connection, which a failed open ends.
struct Script {
  const std::uint8_t* p;
  std::size_t n;
  std::size_t packet;
  bool closes;
  std::size_t pos = 0;
  std::uint64_t now = 0;
  bool moved = true;  // bytes moved since the last wait
  int idle = 0;

  std::size_t Arrived() const {
    return static_cast<std::size_t>(std::min<std::uint64_t>(n, (now + 1) * packet));
  }
  bool Ended() const { return closes && pos == n; }
  // A wait that ends at once: something must have moved since the last.
  bool Ready() {
    Check(moved || ++idle < 64);
    if (moved) idle = 0;
    moved = false;
    return true;
  }
};

class ScriptedServer final : public Connection {
 public:
  explicit ScriptedServer(Script* s) : s_(s) {}

  SysResult<std::int32_t> Send(const std::uint8_t*, std::int32_t n) override {
    if (s_->Ended()) return Fail(SysError{32, "reset", ErrorKind::kGone});
    s_->moved = true;
    return n;
  }
  SysResult<std::int32_t> Receive(std::uint8_t* bytes, std::int32_t n) override {
    const std::size_t k = std::min(s_->Arrived() - s_->pos, static_cast<std::size_t>(n));
    if (k == 0) {
      if (s_->Ended()) return Fail(SysError{0, "", ErrorKind::kEnded});
      return 0;
    }
    std::memcpy(bytes, s_->p + s_->pos, k);
    s_->pos += k;
    s_->moved = true;
    return static_cast<std::int32_t>(k);
  }
  bool WaitReadable(std::uint64_t deadline) override {
    if (s_->Arrived() > s_->pos || s_->Ended()) return s_->Ready();
    if (s_->pos < s_->n) {
      const std::uint64_t next = s_->pos / s_->packet;  // when the packet that holds it arrives
      if (next <= deadline) {
        s_->now = std::max(s_->now, next);
        return s_->Ready();
      }
    }
    Check(deadline != kNoDeadlineMs);
    s_->now = std::max(s_->now, deadline);
    s_->moved = false;
    return false;
  }
  bool WaitWritable(std::uint64_t) override { return s_->Ready(); }
  // The server may answer the end by closing, or go on sending: the script
  // decides.
  SysResult<void> EndSending() override {
    if (s_->Ended()) return Fail(SysError{32, "reset", ErrorKind::kGone});
    s_->moved = true;
    return {};
  }
  std::uint64_t NowMs() override { return s_->now; }

 private:
  Script* s_;
};

// A port tried again while a run goes on: its whole set-up within this, and
// given up when the run says so at kGiveUpAt.
constexpr std::int32_t kSetUpMs = 250;
constexpr std::uint64_t kGiveUpAt = 200;

// Opens a remote port against the scripted server and uses it; `limited`:
// as a port tried again, whose set-up (the open and the settings before the
// first transfer) ends within its limits.
void RemotePortAgainst(const std::uint8_t* p, std::size_t n, bool closes, bool limited) {
  if (n == 0) return;
  Script script{p + 1, n - 1, 1 + p[0] * 64u, closes};
  const auto connect = [&](const std::string&, std::uint16_t,
                           std::int32_t) -> SysResult<std::unique_ptr<Connection>> {
    return std::unique_ptr<Connection>(std::make_unique<ScriptedServer>(&script));
  };
  rfc2217::SetUpLimits limits;
  if (limited) limits = {kSetUpMs, [&script] { return script.now >= kGiveUpAt; }};
  SysResult<std::unique_ptr<Port>> opened =
      rfc2217::OpenRemotePort("rfc2217://pi:2217", connect, limits);
  // Negotiation, then the purge and the queries, each within its time-out.
  const std::uint64_t limit = 2 * static_cast<std::uint64_t>(rfc2217::kAnswerTimeoutMs) + 2;
  const std::uint64_t set_up_limit = kGiveUpAt + rfc2217::kGiveUpLookMs;
  Check(script.now <= (limited ? set_up_limit : limit));
  if (!opened) {
    Check(rfc2217::IsNetError(opened.error().code));
    return;
  }
  Port& port = **opened;
  if (limited) {
    (void)port.Configure(LineConfig{});
    Check(script.now <= set_up_limit);
  }
  const SysResult<std::int32_t> waiting = port.Waiting();
  Check(!waiting || *waiting <= static_cast<std::int32_t>(rfc2217::kReceiveBufferBytes));
  (void)port.Configure(LineConfig{});
  Check(script.now <= 2 * limit);
  (void)port.SetRts(false);
  std::uint8_t buf[64];
  const std::uint64_t before = script.now;
  const SysResult<std::int32_t> read = port.Read(buf, sizeof buf, 100);
  Check(!read || (*read >= 0 && *read <= static_cast<std::int32_t>(sizeof buf)));
  Check(script.now <= before + 100);
  const std::uint8_t out[] = {0x0B, 0xFF, 0xE2};
  (void)port.Write(out, sizeof out, 100);
  // Quiet for a while: a look asks the server whether it runs, and a write
  // waits for its answer no longer than its time-out.
  script.now += rfc2217::kQuietMs;
  (void)port.Waiting();
  const std::uint64_t before_write = script.now;
  (void)port.Write(out, 1, 100);
  Check(script.now <= before_write + 100);
  Check(port.Close().ok());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t* p = data + 1;
  const std::size_t n = size - 1;
  if (data[0] >= 128 && data[0] % 2 == 0) {
    RemotePortAgainst(p, n, (data[0] & 2) != 0, (data[0] & 4) != 0);
    return 0;
  }
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
    // As a variable's value: the URL without the blanks around it, or
    // nothing when there is nothing but blanks.
    const SysResult<std::optional<std::string>> variable =
        rfc2217::UrlFromVariable("PADLINK_PORT_1", url);
    if (variable && *variable) {
      const std::string& v = **variable;
      Check(rfc2217::LooksLikeUrl(v.c_str()) && v == rfc2217::TrimBlanks(url));
      Check(v.find_first_of(" \t\r\n") != 0 && v.find_last_of(" \t\r\n") != v.size() - 1);
    } else if (variable) {
      Check(rfc2217::TrimBlanks(url).empty());
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
