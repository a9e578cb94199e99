// Line settings of a remote port: sent to the server all at once and
// checked against its answers; a refusal brings the previous line values
// back.
#include "serial/rfc2217/net_errors.h"
#include "serial/rfc2217/remote_port.h"

namespace rfc2217 {

namespace {

// Line-settings values on the wire.
std::uint8_t WireParity(Parity parity) {
  return static_cast<std::uint8_t>(static_cast<std::uint8_t>(parity) + 1);
}
std::uint8_t WireStopsize(StopBits stop) {
  return stop == StopBits::kOne ? 1 : stop == StopBits::kTwo ? 2 : 3;
}

const char* ParityName(std::uint32_t wire) {
  switch (wire) {
    case 1:
      return "none";
    case 2:
      return "odd";
    case 3:
      return "even";
    case 4:
      return "mark";
    case 5:
      return "space";
    default:
      return "?";
  }
}
const char* StopName(std::uint32_t wire) {
  return wire == 1 ? "1" : wire == 2 ? "2" : wire == 3 ? "1.5" : "?";
}

// What a remote port cannot do; nullptr when it can.
const char* Unsupported(const LineConfig& c) {
  if (c.baud == 0) return "a baud rate of 0";
  if (c.data_bits < 5 || c.data_bits > 8) return "data bits outside 5..8";
  if (c.parity > Parity::kSpace) return "an unknown parity";
  if (c.stop_bits > StopBits::kTwo) return "unknown stop bits";
  if (c.cts_flow || c.dsr_flow || c.xon_xoff) return "flow control";
  if (c.dtr != LineControl::kOff && c.dtr != LineControl::kOn) return "DTR handshake";
  if (c.rts != LineControl::kOff && c.rts != LineControl::kOn) return "RTS handshake or toggle";
  return nullptr;
}

// A setting's name in the texts of failures.
const char* SettingName(Setting s) {
  switch (s) {
    case kBaud:
      return "baud rate";
    case kDatasize:
      return "data bits";
    case kParity:
      return "parity";
    case kStopsize:
      return "stop bits";
    case kFlow:
      return "flow control";
    case kDtr:
      return "DTR";
    case kRts:
      return "RTS";
    default:
      return "?";
  }
}

bool SettingsAnswered(const Engine& e) {
  return e.Outstanding(kBaud) == 0 && e.Outstanding(kDatasize) == 0 &&
         e.Outstanding(kParity) == 0 && e.Outstanding(kStopsize) == 0 && e.Outstanding(kFlow) == 0;
}

}  // namespace

// The name of a SET-CONTROL value, for the texts of refusals.
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

SysResult<LineConfig> RemotePort::GetConfig() {
  if (SysResult<void> open = CheckOpen(); !open) return Fail(open.error());
  if (lost_) return Fail(LostError());
  return config_;
}

SysResult<void> RemotePort::Configure(const LineConfig& config) {
  if (SysResult<void> open = CheckOpen(); !open) return open;
  if (const char* what = Unsupported(config))
    return Fail(NetError(kNetErrUnsupportedSetting, what));
  if (!Pump()) return Fail(LostError());
  for (int k = 0; k < kSettingCount; ++k)
    engine_.TakeMismatch(static_cast<Setting>(k));

  SendLineValues(config);
  engine_.SetControl(kControlNoFlow, out_);
  engine_.SetControl(config.dtr == LineControl::kOn ? kControlDtrOn : kControlDtrOff, out_);
  engine_.SetControl(config.rts == LineControl::kOn ? kControlRtsOn : kControlRtsOff, out_);
  // A query answered after everything above: a server that gives no answer
  // to a modem-line change by then (one whose device has no modem lines)
  // gives none at all.
  engine_.SetControl(kControlFlowQuery, out_);

  if (SysResult<void> answered = AwaitSettingAnswers(); !answered) return answered;
  engine_.Forget(kDtr);
  engine_.Forget(kRts);
  if (SysResult<void> checked = CheckAnswers(); !checked) {
    // Back to the previous settings, as far as the server takes them.
    SendLineValues(config_);
    SendNow();
    return checked;
  }
  config_ = config;
  return {};
}

// Sends the four line values without waiting for their answers.
void RemotePort::SendLineValues(const LineConfig& config) {
  engine_.SetBaudrate(config.baud, out_);
  engine_.SetDatasize(config.data_bits, out_);
  engine_.SetParity(WireParity(config.parity), out_);
  engine_.SetStopsize(WireStopsize(config.stop_bits), out_);
}

SysResult<void> RemotePort::AwaitSettingAnswers() {
  const Pumped answered = PumpUntil(Deadline(kAnswerTimeoutMs), SettingsAnswered);
  if (answered == Pumped::kLost) return Fail(LostError());
  if (answered == Pumped::kDone) return {};
  if (answered == Pumped::kGivenUp) return Fail(GivenUpError());
  Setting missing = kFlow;
  for (int k = kBaud; k <= kFlow; ++k) {
    if (engine_.Outstanding(static_cast<Setting>(k)) > 0) {
      missing = static_cast<Setting>(k);
      break;
    }
  }
  return Fail(NetErrorF(kNetErrNoAnswer, "no answer to the %s in %d ms", SettingName(missing),
                        kAnswerTimeoutMs));
}

// The first setting the server answered differently, as the error; every
// difference is taken.
SysResult<void> RemotePort::CheckAnswers() {
  SysResult<void> result;
  for (int k = kBaud; k <= kRts; ++k) {
    const Setting setting = static_cast<Setting>(k);
    const Mismatch m = engine_.TakeMismatch(setting);
    if (!m.seen || !result) continue;
    if (setting == kBaud || setting == kDatasize) {
      result =
          Fail(NetErrorF(kNetErrSettingRefused, "%s %lu answered with %lu", SettingName(setting),
                         static_cast<unsigned long>(m.wanted), static_cast<unsigned long>(m.got)));
    } else {
      const char* (*name)(std::uint32_t) = setting == kParity     ? ParityName
                                           : setting == kStopsize ? StopName
                                                                  : ControlName;
      result = Fail(NetErrorF(kNetErrSettingRefused, "%s %s answered with %s", SettingName(setting),
                              name(m.wanted), name(m.got)));
    }
  }
  return result;
}

}  // namespace rfc2217
