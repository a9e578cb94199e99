// The control loop. Each pass takes at most one key; a key with a command
// sends its byte unless it repeats the previous command within 500 ms; then
// the monitors get their turn, and the pass pauses 5 ms.
#include "app/control_loop.h"

#include <cstdio>

#include "app/elapsed.h"
#include "app/key_map.h"
#include "app/monitors.h"
#include "link/buffers.h"
#include "link/link_mode.h"
#include "platform/platform.h"
#include "serial/com.h"

namespace {

constexpr std::uint32_t kRepeatWindowMs = 500;
constexpr std::int32_t kPassPauseMs = 5;

// The command byte in TxBuffer[0]: written, then strobed on RTS in strobe
// mode. The 8 ms pause is made in both modes. Commands are fire-and-forget.
void SendCommand(std::int32_t port, LinkMode mode) {
  const bool cable = mode == LinkMode::kCable;
  if (ComWrite(port, TxBuffer, 1) < 1) std::fprintf(stderr, "CMD:Send error %d bytes sent.\n", 0);
  if (!cable && !ComClearRts(port)) std::fprintf(stderr, "CMD:CLRRTS error\n");
  PlatformPause(kStrobeMs);
  if (!cable && !ComSetRts(port)) std::fprintf(stderr, "CMD:SETRTS error\n");
}

}  // namespace

void ControlLoop(const RunSettings& run) {
  KeyboardOpen();
  std::int32_t last_send_time = ElapsedMs();
  std::uint8_t pending = 0;  // the latest command a key gave
  for (;;) {
    if (KeyboardKeyWaiting()) {
      int code = KeyboardReadKey();
      if (code == 0) code = KeyboardReadKey();  // a special key's extended code
      const KeyMapping key = KeyMap(code);
      if (key.action == KeyAction::kQuit) {
        ComCloseAll();
        PlatformExit(0);
      }
      bool send = key.action == KeyAction::kCommand;
      if (send) pending = key.command;
      // LastCommand is TxBuffer[0]: a request since the last send left its
      // code there, so the first key after a sample is never a repeat.
      if (send && pending == TxBuffer[0] &&
          MsBetween(last_send_time, ElapsedMs()) <= kRepeatWindowMs) {
        send = false;
      }
      TxBuffer[0] = pending;  // also after a key without action
      if (send) {
        SendCommand(run.port, run.mode);
        last_send_time = ElapsedMs();
      }
    }
    MonitorStep(run.port, run.ad_channel, run.gyro, run.interval_ms);
    PlatformPause(kPassPauseMs);
  }
}
