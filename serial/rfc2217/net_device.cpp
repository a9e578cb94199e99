#include "serial/rfc2217/net_device.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "serial/rfc2217/net_errors.h"
#include "serial/rfc2217/telnet_engine.h"

namespace rfc2217 {

namespace {

constexpr std::uint64_t kNoDeadline = ~std::uint64_t{0};

struct Device {
  Transport* t = nullptr;  // nullptr for a free slot
  Engine engine;
  // Data from the server with the telnet layer removed, not yet read.
  std::uint8_t rx[4096] = {};
  std::size_t rx_start = 0;
  std::size_t rx_size = 0;
  // Bytes for the server, in order: negotiation replies, commands, and the
  // rest of a data byte whose escape was cut by a short send.
  Outbox out;
  PortTimeouts timeouts{};
  LineSettings settings{};
  bool lost = false;
  char lost_reason[160] = {};
};

Device g_devices[kMaxNetDevices];

std::uint64_t Now(const Device& d) {
  return d.t->now_ms(d.t->self);
}
bool WaitFor(const Device& d, bool write, std::uint64_t deadline) {
  return d.t->wait(d.t->self, write, deadline);
}

Device* Find(PlatformHandle h) {
  if (!IsNetHandle(h)) return nullptr;
  Device* d = &g_devices[h - kFirstNetHandle];
  return d->t ? d : nullptr;
}

bool BadHandle() {
  SetError(kNetErrBadHandle, "%s", "");
  return false;
}

void Lose(Device& d, int err) {
  if (d.lost) return;
  d.lost = true;
  if (err == 0)
    std::snprintf(d.lost_reason, sizeof d.lost_reason, "closed by the server");
  else
    d.t->describe_error(d.t->self, err, d.lost_reason, sizeof d.lost_reason);
}

bool FailLost(const Device& d) {
  SetError(kNetErrConnectionLost, "%s", d.lost_reason);
  return false;
}

// Sends what can go without waiting.
void SendNow(Device& d) {
  while (d.out.size > 0 && !d.lost) {
    int err = 0;
    const int r = d.t->send(d.t->self, d.out.bytes, static_cast<int>(d.out.size), &err);
    if (r < 0) {
      Lose(d, err);
      return;
    }
    if (r == 0) return;
    d.out.Consume(static_cast<std::size_t>(r));
  }
}

// Sends the outbox, waiting for the connection until the deadline; false
// when bytes are left.
bool SendAll(Device& d, std::uint64_t deadline) {
  for (;;) {
    SendNow(d);
    if (d.out.size == 0) return true;
    if (d.lost || !WaitFor(d, true, deadline)) return false;
  }
}

// Moves what the connection holds without waiting: sends the outbox,
// receives as much as the receive buffer has room for, and sends the
// engine's replies. False once the connection is lost.
bool Pump(Device& d) {
  if (d.lost) return false;
  SendNow(d);
  if (d.rx_start > 0) {
    std::memmove(d.rx, d.rx + d.rx_start, d.rx_size);
    d.rx_start = 0;
  }
  while (!d.lost) {
    const std::size_t room = sizeof d.rx - d.rx_size;
    if (room == 0) break;
    std::uint8_t in[sizeof d.rx];
    int err = 0;
    const int r = d.t->receive(d.t->self, in, static_cast<int>(room), &err);
    if (r < 0) {
      Lose(d, err);
      break;
    }
    if (r == 0) break;
    d.rx_size += d.engine.Receive(in, static_cast<std::size_t>(r), d.rx + d.rx_size, d.out);
  }
  SendNow(d);
  return !d.lost;
}

// Pumps until done() or the deadline: 1 done, 0 time-out, -1 lost.
template <typename Done>
int PumpUntil(Device& d, std::uint64_t deadline, Done done) {
  for (;;) {
    if (!Pump(d)) return -1;
    if (done()) return 1;
    if (Now(d) >= deadline) return 0;
    WaitFor(d, d.out.size > 0, deadline);
  }
}

std::size_t TakeData(Device& d, std::uint8_t* out, std::size_t n) {
  const std::size_t k = std::min(n, d.rx_size);
  std::memcpy(out, d.rx + d.rx_start, k);
  d.rx_start += k;
  d.rx_size -= k;
  if (d.rx_size == 0) d.rx_start = 0;
  return k;
}

// The server closed the connection (or it broke) while the port was being
// set up; what it said before, if anything, is the reason.
void FailSetup(Device& d) {
  char text[128];
  std::size_t n = 0;
  for (std::size_t i = 0; i < d.rx_size && n + 1 < sizeof text; ++i) {
    const std::uint8_t c = d.rx[d.rx_start + i];
    if (c >= 0x20 && c < 0x7F)
      text[n++] = static_cast<char>(c);
    else if ((c == '\r' || c == '\n') && n > 0 && text[n - 1] != ' ')
      text[n++] = ' ';
  }
  while (n > 0 && text[n - 1] == ' ')
    --n;
  text[n] = 0;
  if (n > 0)
    SetError(kNetErrClosed, "%s", text);
  else if (d.lost_reason[0] && std::strcmp(d.lost_reason, "closed by the server") != 0)
    SetError(kNetErrClosed, "%s", d.lost_reason);
  else
    SetError(kNetErrClosed, "before the serial port was set up");
}

void Release(Device& d) {
  d.t->close(d.t->self);
  d.t = nullptr;
}

LineSettings InitialSettings() {
  LineSettings s{};
  s.DCBlength = sizeof(LineSettings);
  s.BaudRate = 9600;
  s.fBinary = 1;
  s.fDtrControl = kDtrControlEnable;
  s.fRtsControl = kRtsControlEnable;
  s.XonLim = 2048;
  s.XoffLim = 512;
  s.ByteSize = 8;
  s.XonChar = 0x11;
  s.XoffChar = 0x13;
  return s;
}

// Line-settings codes and their values on the wire.
std::uint8_t WireParity(std::uint8_t parity) {
  return static_cast<std::uint8_t>(parity + 1);  // none, odd, even, mark, space
}
std::uint8_t WireStopsize(std::uint8_t stop) {
  return stop == kOneStopBit ? 1 : stop == kTwoStopBits ? 2 : 3;
}

const char* ParityName(std::uint32_t wire) {
  static const char* const kNames[] = {"?", "none", "odd", "even", "mark", "space"};
  return wire <= 5 ? kNames[wire] : "?";
}
const char* StopName(std::uint32_t wire) {
  return wire == 1 ? "1" : wire == 2 ? "2" : wire == 3 ? "1.5" : "?";
}
const char* ControlName(std::uint32_t wire) {
  switch (wire) {
    case 1:
      return "off";
    case 2:
      return "XON/XOFF";
    case 3:
      return "hardware";
    case 8:
    case 11:
      return "on";
    case 9:
    case 12:
      return "off";
    default:
      return "unknown";
  }
}

// What a remote port cannot do; nullptr when it can.
const char* Unsupported(const LineSettings& s) {
  if (s.BaudRate == 0) return "a baud rate of 0";
  if (s.ByteSize < 5 || s.ByteSize > 8) return "data bits outside 5..8";
  if (s.Parity > kSpaceParity) return "an unknown parity";
  if (s.StopBits > kTwoStopBits) return "unknown stop bits";
  if (s.fOutxCtsFlow || s.fOutxDsrFlow || s.fOutX || s.fInX) return "flow control";
  if (s.fDtrControl > kDtrControlEnable) return "DTR handshake";
  if (s.fRtsControl > kRtsControlEnable) return "RTS handshake or toggle";
  return nullptr;
}

// Sends the four line values without waiting for their answers.
void SendLineValues(Device& d, const LineSettings& s) {
  d.engine.SetBaudrate(s.BaudRate, d.out);
  d.engine.SetDatasize(s.ByteSize, d.out);
  d.engine.SetParity(WireParity(s.Parity), d.out);
  d.engine.SetStopsize(WireStopsize(s.StopBits), d.out);
}

// The first setting the server answered differently, as the error.
bool Refused(Device& d) {
  struct Check {
    Setting setting;
    const char* what;
  };
  static constexpr Check kChecks[] = {{kBaud, "baud rate"},
                                      {kDatasize, "data bits"},
                                      {kParity, "parity"},
                                      {kStopsize, "stop bits"},
                                      {kFlow, "flow control"},
                                      {kDtr, "DTR"},
                                      {kRts, "RTS"}};
  bool refused = false;
  for (const Check& c : kChecks) {
    const Mismatch m = d.engine.TakeMismatch(c.setting);
    if (!m.seen || refused) continue;
    refused = true;
    if (c.setting == kBaud || c.setting == kDatasize) {
      SetError(kNetErrSettingRefused, "%s %lu answered with %lu", c.what,
               static_cast<unsigned long>(m.wanted), static_cast<unsigned long>(m.got));
    } else {
      const char* (*name)(std::uint32_t) = c.setting == kParity     ? ParityName
                                           : c.setting == kStopsize ? StopName
                                                                    : ControlName;
      SetError(kNetErrSettingRefused, "%s %s answered with %s", c.what, name(m.wanted),
               name(m.got));
    }
  }
  return refused;
}

}  // namespace

bool IsNetHandle(PlatformHandle h) {
  return h >= kFirstNetHandle && h < kFirstNetHandle + kMaxNetDevices;
}

PlatformHandle NetOpen(const char* name, Connector connect) {
  PortUrl url;
  if (ParsePortUrl(name, &url) != 0) return kInvalidPlatformHandle;
  int slot = 0;
  while (slot < kMaxNetDevices && g_devices[slot].t)
    ++slot;
  if (slot == kMaxNetDevices) {
    SetError(kNetErrTooManyPorts, "at most %d", kMaxNetDevices);
    return kInvalidPlatformHandle;
  }
  Transport* t = connect(url, kConnectTimeoutMs);
  if (!t) return kInvalidPlatformHandle;

  Device& d = g_devices[slot];
  d.t = t;
  d.engine = Engine{};
  d.rx_start = 0;
  d.rx_size = 0;
  d.out = Outbox{};
  d.timeouts = PortTimeouts{};
  d.settings = InitialSettings();
  d.lost = false;
  d.lost_reason[0] = 0;

  // Telnet options: binary both ways, COM-PORT-OPTION.
  d.engine.Start(d.out);
  std::uint64_t deadline = Now(d) + kAnswerTimeoutMs;
  const int negotiated = PumpUntil(d, deadline, [&d] {
    return d.engine.Ready() || d.engine.ComPortRefused() || d.engine.BinaryRefused();
  });
  if (negotiated < 0) {
    FailSetup(d);
  } else if (d.engine.ComPortRefused()) {
    SetError(kNetErrNoComPort, "%s:%s", url.host, url.port);
  } else if (d.engine.BinaryRefused()) {
    SetError(kNetErrNegotiation, "binary transmission refused");
  } else if (negotiated == 0) {
    SetError(kNetErrNegotiation, "no answer in %u ms", static_cast<unsigned>(kAnswerTimeoutMs));
  }
  if (negotiated <= 0 || !d.engine.Ready()) {
    Release(d);
    return kInvalidPlatformHandle;
  }

  // Empty both of the server's queues and learn its line settings.
  d.engine.PurgeData(kPurgeBoth, d.out);
  d.engine.SetBaudrate(0, d.out);
  d.engine.SetDatasize(0, d.out);
  d.engine.SetParity(0, d.out);
  d.engine.SetStopsize(0, d.out);
  deadline = Now(d) + kAnswerTimeoutMs;
  const int answered = PumpUntil(d, deadline, [&d] {
    return d.engine.Outstanding(kPurge) == 0 && d.engine.Outstanding(kBaud) == 0 &&
           d.engine.Outstanding(kDatasize) == 0 && d.engine.Outstanding(kParity) == 0 &&
           d.engine.Outstanding(kStopsize) == 0;
  });
  if (answered <= 0) {
    if (answered < 0)
      FailSetup(d);
    else
      SetError(kNetErrNoAnswer, "no answer to the purge and the queries in %u ms",
               static_cast<unsigned>(kAnswerTimeoutMs));
    Release(d);
    return kInvalidPlatformHandle;
  }
  d.rx_start = 0;
  d.rx_size = 0;  // what was on its way before the purge
  d.settings.BaudRate = d.engine.LastAnswer(kBaud);
  const std::uint32_t bits = d.engine.LastAnswer(kDatasize);
  if (bits >= 5 && bits <= 8) d.settings.ByteSize = static_cast<std::uint8_t>(bits);
  const std::uint32_t parity = d.engine.LastAnswer(kParity);
  if (parity >= 1 && parity <= 5) d.settings.Parity = static_cast<std::uint8_t>(parity - 1);
  const std::uint32_t stop = d.engine.LastAnswer(kStopsize);
  d.settings.StopBits = stop == 2 ? kTwoStopBits : stop == 3 ? kOne5StopBits : kOneStopBit;
  for (int s = 0; s < kSettingCount; ++s)
    d.engine.TakeMismatch(static_cast<Setting>(s));
  return kFirstNetHandle + slot;
}

bool NetGetSettings(PlatformHandle h, LineSettings* settings) {
  Device* d = Find(h);
  if (!d) return BadHandle();
  *settings = d->settings;
  return true;
}

bool NetSetSettings(PlatformHandle h, const LineSettings* settings) {
  Device* d = Find(h);
  if (!d) return BadHandle();
  const LineSettings& s = *settings;
  if (const char* what = Unsupported(s)) {
    SetError(kNetErrUnsupportedSetting, "%s", what);
    return false;
  }
  if (!Pump(*d)) return FailLost(*d);
  for (int k = 0; k < kSettingCount; ++k)
    d->engine.TakeMismatch(static_cast<Setting>(k));

  SendLineValues(*d, s);
  d->engine.SetControl(kControlNoFlow, d->out);
  d->engine.SetControl(s.fDtrControl == kDtrControlEnable ? kControlDtrOn : kControlDtrOff, d->out);
  d->engine.SetControl(s.fRtsControl == kRtsControlEnable ? kControlRtsOn : kControlRtsOff, d->out);
  // A query answered after everything above: a server that gives no answer
  // to a modem-line change by then (one whose device has no modem lines)
  // gives none at all.
  d->engine.SetControl(kControlFlowQuery, d->out);

  const std::uint64_t deadline = Now(*d) + kAnswerTimeoutMs;
  const int answered = PumpUntil(*d, deadline, [d] {
    return d->engine.Outstanding(kBaud) == 0 && d->engine.Outstanding(kDatasize) == 0 &&
           d->engine.Outstanding(kParity) == 0 && d->engine.Outstanding(kStopsize) == 0 &&
           d->engine.Outstanding(kFlow) == 0;
  });
  if (answered < 0) return FailLost(*d);
  if (answered == 0) {
    static constexpr const char* kNames[] = {"baud rate", "data bits", "parity", "stop bits",
                                             "flow control"};
    const char* missing = "flow control";
    for (int k = kBaud; k <= kFlow; ++k) {
      if (d->engine.Outstanding(static_cast<Setting>(k)) > 0) {
        missing = kNames[k];
        break;
      }
    }
    SetError(kNetErrNoAnswer, "no answer to the %s in %u ms", missing,
             static_cast<unsigned>(kAnswerTimeoutMs));
    return false;
  }
  d->engine.Forget(kDtr);
  d->engine.Forget(kRts);
  if (Refused(*d)) {
    // Back to the previous settings, as far as the server takes them.
    SendLineValues(*d, d->settings);
    SendNow(*d);
    return false;
  }
  d->settings = s;
  return true;
}

bool NetGetTimeouts(PlatformHandle h, PortTimeouts* timeouts) {
  Device* d = Find(h);
  if (!d) return BadHandle();
  *timeouts = d->timeouts;
  return true;
}

bool NetSetTimeouts(PlatformHandle h, const PortTimeouts* timeouts) {
  Device* d = Find(h);
  if (!d) return BadHandle();
  d->timeouts = *timeouts;
  return true;
}

bool NetInputCount(PlatformHandle h, std::int32_t* count) {
  Device* d = Find(h);
  if (!d) return BadHandle();
  Pump(*d);
  if (d->lost && d->rx_size == 0) return FailLost(*d);
  *count = static_cast<std::int32_t>(d->rx_size);
  return true;
}

std::int32_t NetRead(PlatformHandle h, void* buf, std::int32_t n) {
  Device* d = Find(h);
  if (!d) {
    BadHandle();
    return 0;
  }
  if (n <= 0) return 0;
  const PortTimeouts& to = d->timeouts;
  const std::uint64_t start = Now(*d);
  const std::uint64_t total =
      std::uint64_t{to.ReadTotalTimeoutMultiplier} * static_cast<std::uint64_t>(n) +
      to.ReadTotalTimeoutConstant;
  // An interval of MAXDWORD with no total returns at once with what is there.
  const bool immediate = to.ReadIntervalTimeout == 0xFFFFFFFFu && total == 0;
  const std::uint64_t total_deadline = total ? start + total : kNoDeadline;
  std::uint64_t interval_deadline = kNoDeadline;
  auto* out = static_cast<std::uint8_t*>(buf);
  std::int32_t got = 0;
  for (;;) {
    const std::size_t k = TakeData(*d, out + got, static_cast<std::size_t>(n - got));
    if (k > 0) {
      got += static_cast<std::int32_t>(k);
      if (to.ReadIntervalTimeout && !immediate)
        interval_deadline = Now(*d) + to.ReadIntervalTimeout;
    }
    if (got == n) break;
    if (!Pump(*d)) {
      if (d->rx_size > 0) continue;  // what came before the end
      FailLost(*d);
      break;
    }
    if (d->rx_size > 0) continue;
    if (immediate) break;
    if (!WaitFor(*d, false, std::min(total_deadline, interval_deadline))) break;
  }
  return got;
}

std::int32_t NetWrite(PlatformHandle h, const void* buf, std::int32_t n) {
  Device* d = Find(h);
  if (!d) {
    BadHandle();
    return 0;
  }
  if (n <= 0) return 0;
  if (d->lost) {
    FailLost(*d);
    return 0;
  }
  const PortTimeouts& to = d->timeouts;
  const std::uint64_t total =
      std::uint64_t{to.WriteTotalTimeoutMultiplier} * static_cast<std::uint64_t>(n) +
      to.WriteTotalTimeoutConstant;
  const std::uint64_t deadline = total ? Now(*d) + total : kNoDeadline;
  // What must go first: replies and commands already queued.
  if (!SendAll(*d, deadline)) {
    if (d->lost) FailLost(*d);
    return 0;
  }
  const auto* in = static_cast<const std::uint8_t*>(buf);
  std::int32_t done = 0;
  while (done < n) {
    const std::size_t units = std::min<std::size_t>(static_cast<std::size_t>(n - done), 512);
    std::uint8_t wire[1024];
    const std::size_t len = EscapeData(in + done, units, wire);
    std::size_t sent = 0;
    while (sent < len) {
      int err = 0;
      const int r = d->t->send(d->t->self, wire + sent, static_cast<int>(len - sent), &err);
      if (r < 0) {
        Lose(*d, err);
        break;
      }
      sent += static_cast<std::size_t>(r);
      if (r == 0 && !WaitFor(*d, true, deadline)) break;
    }
    // The data bytes whose wire form went out whole. A send that ended in
    // the middle of a doubled 0xFF owes the server its second half.
    std::size_t pos = 0;
    std::int32_t whole = 0;
    for (std::size_t i = 0; i < units; ++i) {
      const std::size_t width = in[static_cast<std::size_t>(done) + i] == kIac ? 2 : 1;
      if (pos + width <= sent) {
        pos += width;
        ++whole;
      } else {
        if (pos < sent) {  // first half of a pair
          const std::uint8_t second = kIac;
          d->out.Append(&second, 1);
          ++whole;
        }
        break;
      }
    }
    done += whole;
    if (sent < len) break;
  }
  if (d->out.size > 0) SendNow(*d);
  if (d->lost) FailLost(*d);
  return done;
}

bool NetEscape(PlatformHandle h, RtsEscape function) {
  Device* d = Find(h);
  if (!d) return BadHandle();
  // Take in the answers that came meanwhile; a server that answered an
  // earlier change with another state did not make it.
  if (!Pump(*d)) return FailLost(*d);
  const Mismatch m = d->engine.TakeMismatch(kRts);
  if (m.seen) {
    SetError(kNetErrRtsRefused, "RTS %s answered with RTS %s", ControlName(m.wanted),
             ControlName(m.got));
    return false;
  }
  // Sent at once; the answer is taken in later, never waited for.
  const std::uint8_t value = function == RtsEscape::kSet ? kControlRtsOn : kControlRtsOff;
  if (!d->engine.SetControl(value, d->out)) {
    SetError(kNetErrConnectionLost, "the port server takes no more commands");
    return false;
  }
  SendNow(*d);
  if (d->lost) return FailLost(*d);
  return true;
}

bool NetClose(PlatformHandle h) {
  Device* d = Find(h);
  if (!d) return BadHandle();
  if (!d->lost) SendNow(*d);
  Release(*d);
  return true;
}

}  // namespace rfc2217
