#include "serial/rfc2217/telnet_engine.h"

namespace rfc2217 {

namespace {

// The setting a SET-CONTROL value (request or answer) belongs to; -1 for
// those the client never asks for.
int ControlSetting(std::uint8_t value) {
  if (value <= 3) return kFlow;
  if (value >= 7 && value <= 9) return kDtr;
  if (value >= 10 && value <= 12) return kRts;
  return -1;
}

constexpr char kOwnSignature[] = "padlink";

}  // namespace

std::size_t EscapeData(const std::uint8_t* in, std::size_t n, std::uint8_t* out) {
  std::size_t o = 0;
  for (std::size_t i = 0; i < n; ++i) {
    out[o++] = in[i];
    if (in[i] == kIac) out[o++] = kIac;
  }
  return o;
}

void Engine::Start(Outbox& out) {
  const std::uint8_t opening[] = {kIac, kWill, kOptBinary,          kIac, kDo, kOptBinary,
                                  kIac, kWill, kOptSuppressGoAhead, kIac, kDo, kOptSuppressGoAhead,
                                  kIac, kWill, kOptComPort};
  us_[kOptBinary] = Q::kWantYes;
  him_[kOptBinary] = Q::kWantYes;
  us_[kOptSuppressGoAhead] = Q::kWantYes;
  him_[kOptSuppressGoAhead] = Q::kWantYes;
  us_[kOptComPort] = Q::kWantYes;
  out.Append(opening, sizeof opening);
}

bool Engine::Ready() const {
  return us_[kOptComPort] == Q::kYes && us_[kOptBinary] == Q::kYes && him_[kOptBinary] == Q::kYes;
}

bool Engine::ComPortRefused() const {
  return us_[kOptComPort] == Q::kNo;
}

bool Engine::BinaryRefused() const {
  return us_[kOptBinary] == Q::kNo || him_[kOptBinary] == Q::kNo;
}

bool Engine::WeWill(std::uint8_t option) {
  return option == kOptBinary || option == kOptSuppressGoAhead || option == kOptComPort;
}

bool Engine::WeWantHim(std::uint8_t option) {
  return option == kOptBinary || option == kOptSuppressGoAhead;
}

std::size_t Engine::Receive(const std::uint8_t* in, std::size_t n, std::uint8_t* data,
                            Outbox& out) {
  std::size_t produced = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint8_t b = in[i];
    switch (state_) {
      case State::kData:
        if (b == kIac)
          state_ = State::kIac;
        else
          data[produced++] = b;
        break;
      case State::kIac:
        if (b == kIac) {
          data[produced++] = kIac;
          state_ = State::kData;
        } else if (b >= kWill && b <= kDont) {
          verb_ = b;
          state_ = State::kOption;
        } else if (b == kSb) {
          state_ = State::kSbOption;
        } else {
          state_ = State::kData;  // NOP, GA, DM, BRK, ...: nothing to do
        }
        break;
      case State::kOption:
        Negotiate(verb_, b, out);
        state_ = State::kData;
        break;
      case State::kSbOption:
        sb_option_ = b;
        sb_size_ = 0;
        sb_overflow_ = false;
        state_ = State::kSbData;
        break;
      case State::kSbData:
        if (b == kIac) {
          state_ = State::kSbIac;
        } else if (sb_size_ < sizeof sb_) {
          sb_[sb_size_++] = b;
        } else {
          sb_overflow_ = true;
        }
        break;
      case State::kSbIac:
        if (b == kIac) {
          if (sb_size_ < sizeof sb_)
            sb_[sb_size_++] = kIac;
          else
            sb_overflow_ = true;
          state_ = State::kSbData;
        } else if (b == kSe) {
          if (!sb_overflow_) Subnegotiation(out);
          state_ = State::kData;
        } else {
          // A command inside a subnegotiation: the subnegotiation was cut
          // short. Drop it and take the byte as the command it is.
          state_ = State::kIac;
          --i;
        }
        break;
    }
  }
  return produced;
}

void Engine::Negotiate(std::uint8_t verb, std::uint8_t option, Outbox& out) {
  const bool about_him = verb == kWill || verb == kWont;
  const bool on = verb == kWill || verb == kDo;
  Q& q = about_him ? him_[option] : us_[option];
  const bool acceptable = about_him ? WeWantHim(option) : WeWill(option);
  // The reply verb that agrees (or disagrees) with the server.
  const std::uint8_t agree = about_him ? kDo : kWill;
  const std::uint8_t refuse = about_him ? kDont : kWont;
  auto reply = [&out, option](std::uint8_t v) {
    const std::uint8_t r[] = {kIac, v, option};
    out.Append(r, sizeof r);
  };
  switch (q) {
    case Q::kNo:
      if (!on) break;
      if (acceptable) {
        q = Q::kYes;
        reply(agree);
      } else {
        reply(refuse);
      }
      break;
    case Q::kYes:
      if (on) break;
      q = Q::kNo;
      reply(refuse);
      break;
    case Q::kWantNo:
      q = Q::kNo;  // either an agreement or (if on) an error: off it is
      break;
    case Q::kWantYes:
      q = on ? Q::kYes : Q::kNo;
      break;
  }
}

void Engine::Subnegotiation(Outbox& out) {
  if (sb_option_ != kOptComPort || sb_size_ == 0) return;
  const std::uint8_t code = sb_[0];
  const std::uint8_t* v = sb_ + 1;
  const std::size_t n = sb_size_ - 1;
  if (code < kServerOffset) return;  // a client command: not ours to take
  switch (code - kServerOffset) {
    case kSignature:
      if (n == 0)
        Command(kSignature, reinterpret_cast<const std::uint8_t*>(kOwnSignature),
                sizeof kOwnSignature - 1, out);
      break;
    case kSetBaudrate:
      if (n == 4)
        Answer(kBaud, std::uint32_t{v[0]} << 24 | std::uint32_t{v[1]} << 16 |
                          std::uint32_t{v[2]} << 8 | v[3]);
      break;
    case kSetDatasize:
      if (n == 1) Answer(kDatasize, v[0]);
      break;
    case kSetParity:
      if (n == 1) Answer(kParity, v[0]);
      break;
    case kSetStopsize:
      if (n == 1) Answer(kStopsize, v[0]);
      break;
    case kSetControl:
      if (n == 1) {
        const int s = ControlSetting(v[0]);
        if (s >= 0) Answer(static_cast<Setting>(s), v[0]);
      }
      break;
    case kNotifyLinestate:
      if (n == 1) linestate_ = v[0];
      break;
    case kNotifyModemstate:
      if (n == 1) modemstate_ = v[0];
      break;
    case kFlowControlSuspend:
      suspended_ = true;
      break;
    case kFlowControlResume:
      suspended_ = false;
      break;
    case kPurgeData:
      if (n == 1) Answer(kPurge, v[0]);
      break;
    default:
      break;
  }
}

void Engine::Expect(Setting s, std::uint32_t value) {
  Fifo& f = expect_[s];
  constexpr int kSize = sizeof f.values / sizeof f.values[0];
  if (f.size == kSize) {  // a server that stopped answering: forget the oldest
    f.head = (f.head + 1) % kSize;
    --f.size;
  }
  f.values[(f.head + f.size) % kSize] = value;
  ++f.size;
}

void Engine::Answer(Setting s, std::uint32_t value) {
  last_[s] = value;
  ++answers_[s];
  Fifo& f = expect_[s];
  if (f.size == 0) return;  // unasked, or asked before it was forgotten
  constexpr int kSize = sizeof f.values / sizeof f.values[0];
  const std::uint32_t wanted = f.values[f.head];
  // A server answers with the state at the time it answers, which may
  // already be that of a later request (two quick RTS changes can both be
  // answered with the second state). A state that no request in flight
  // asked for is a refusal.
  bool asked = wanted == kAnyValue || wanted == value;
  for (int i = 1; i < f.size && !asked; ++i)
    asked = f.values[(f.head + i) % kSize] == value;
  f.head = (f.head + 1) % kSize;
  --f.size;
  if (!asked && !mismatch_[s].seen) mismatch_[s] = Mismatch{true, wanted, value};
}

Mismatch Engine::TakeMismatch(Setting s) {
  const Mismatch m = mismatch_[s];
  mismatch_[s] = Mismatch{};
  return m;
}

bool Engine::Command(std::uint8_t code, const std::uint8_t* value, std::size_t n, Outbox& out) {
  std::uint8_t msg[4 + 2 * 64 + 2];
  if (n > 64) return false;
  std::size_t o = 0;
  msg[o++] = kIac;
  msg[o++] = kSb;
  msg[o++] = kOptComPort;
  msg[o++] = code;
  o += EscapeData(value, n, msg + o);
  msg[o++] = kIac;
  msg[o++] = kSe;
  return out.Append(msg, o);
}

bool Engine::SetBaudrate(std::uint32_t baud, Outbox& out) {
  const std::uint8_t v[] = {static_cast<std::uint8_t>(baud >> 24),
                            static_cast<std::uint8_t>(baud >> 16),
                            static_cast<std::uint8_t>(baud >> 8), static_cast<std::uint8_t>(baud)};
  if (!Command(kSetBaudrate, v, sizeof v, out)) return false;
  Expect(kBaud, baud == 0 ? kAnyValue : baud);
  return true;
}

bool Engine::SetDatasize(std::uint8_t bits, Outbox& out) {
  if (!Command(kSetDatasize, &bits, 1, out)) return false;
  Expect(kDatasize, bits == 0 ? kAnyValue : bits);
  return true;
}

bool Engine::SetParity(std::uint8_t parity, Outbox& out) {
  if (!Command(kSetParity, &parity, 1, out)) return false;
  Expect(kParity, parity == 0 ? kAnyValue : parity);
  return true;
}

bool Engine::SetStopsize(std::uint8_t stop, Outbox& out) {
  if (!Command(kSetStopsize, &stop, 1, out)) return false;
  Expect(kStopsize, stop == 0 ? kAnyValue : stop);
  return true;
}

bool Engine::SetControl(std::uint8_t value, Outbox& out) {
  const int s = ControlSetting(value);
  if (!Command(kSetControl, &value, 1, out)) return false;
  // The queries of a group (0, 7, 10) are answered with the state.
  const bool query = value == 0 || value == 7 || value == 10;
  if (s >= 0) Expect(static_cast<Setting>(s), query ? kAnyValue : value);
  return true;
}

bool Engine::PurgeData(std::uint8_t which, Outbox& out) {
  if (!Command(kPurgeData, &which, 1, out)) return false;
  Expect(kPurge, which);
  return true;
}

}  // namespace rfc2217
