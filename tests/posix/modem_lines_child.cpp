// Drives the modem-control lines of a serial device through its Port, for
// the test that runs it with the modem-line emulation preloaded
// (tests/support/modem_lines_preload.cpp):
//
//   modem_lines_child DEVICE STEP...
//
// Steps: rts0, rts1, dtr0, dtr1 (SetRts, SetDtr); config:DR applies the
// settings in force with DTR D and RTS R, each 0 (off), 1 (on) or h
// (handshake). Exits 0 when every step succeeded; otherwise prints the step
// that failed and exits 1.
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/platform.h"

namespace {

LineControl ControlOf(char c) {
  return c == '0' ? LineControl::kOff : c == '1' ? LineControl::kOn : LineControl::kHandshake;
}

SysResult<void> Step(Port& port, const std::string& step) {
  if (step == "rts0" || step == "rts1") return port.SetRts(step[3] == '1');
  if (step == "dtr0" || step == "dtr1") return port.SetDtr(step[3] == '1');
  if (step.size() == 9 && step.compare(0, 7, "config:") == 0) {
    SysResult<LineConfig> config = port.GetConfig();
    if (!config) return Fail(config.error());
    config->dtr = ControlOf(step[7]);
    config->rts = ControlOf(step[8]);
    return port.Configure(*config);
  }
  return Fail(PlatformInvalidArgumentError());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  SysResult<std::unique_ptr<Port>> port = PlatformOpenSerialDevice(argv[1]);
  if (!port) {
    std::fprintf(stderr, "open: %s\n", port.error().text.c_str());
    return 1;
  }
  for (int i = 2; i < argc; ++i) {
    const SysResult<void> r = Step(**port, argv[i]);
    if (!r) {
      std::fprintf(stderr, "%s: %s\n", argv[i], r.error().text.c_str());
      return 1;
    }
  }
  return 0;
}
