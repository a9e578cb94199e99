// The port table: open flags and platform handles of ports 1..256.
#include "serial/port_table.h"

#include "serial/settings_word.h"

PortTable g_port_table{};

namespace {

PlatformHandle& Slot(std::int32_t port) {
  return g_port_table.handle[port - 1];
}

}  // namespace

std::int32_t ComCheck(std::int32_t port) {
  if (port < 1 || port > kMaxPort) return 1;
  return g_port_table.open[port - 1] == 1 ? 0 : 1;
}

std::int32_t ComOpen(std::int32_t port, std::int32_t in_queue, std::int32_t out_queue) {
  if (port < 1 || port > kMaxPort) return kComNotUsable;
  if (g_port_table.open[port - 1]) return kComRefused;

  char name[kMaxDeviceName];
  Slot(port) =
      SerialDeviceName(port, name, sizeof name) ? SerialOpen(name) : kInvalidPlatformHandle;
  // The last error stays as the failed open left it, for the caller to report.
  if (Slot(port) == kInvalidPlatformHandle) return kComOpenFailed;

  SerialSetQueues(Slot(port), in_queue, out_queue);
  g_port_table.open[port - 1] = 1;
  ComConfig(port, kOpenSettingsWord);
  ComSetReadTimeout(port, kComDefaultTimeoutMs);
  ComSetWriteTimeout(port, kComDefaultTimeoutMs);
  return kComOk;
}

std::int32_t ComClose(std::int32_t port) {
  if (ComCheck(port)) return kComNotUsable;
  if (!SerialClose(Slot(port))) return kComRefused;
  g_port_table.open[port - 1] = 0;
  return kComOk;
}

void ComCloseAll() {
  for (std::int32_t port = 1; port <= kMaxPort; ++port) {
    if (g_port_table.open[port - 1]) ComClose(port);
  }
}

namespace {

// Reads the port's time-outs, lets `change` set its fields and writes them
// back. A failed read writes nothing.
template <typename Change>
std::int32_t UpdateTimeouts(std::int32_t port, Change change) {
  if (ComCheck(port)) return kComNotUsable;
  PortTimeouts t{};
  if (!SerialGetTimeouts(Slot(port), &t)) return kComRefused;
  change(t);
  return SerialSetTimeouts(Slot(port), &t) ? kComOk : kComRefused;
}

}  // namespace

std::int32_t ComSetReadTimeout(std::int32_t port, std::int32_t ms) {
  return UpdateTimeouts(port, [ms](PortTimeouts& t) {
    t.ReadIntervalTimeout = static_cast<std::uint32_t>(ms);
    t.ReadTotalTimeoutMultiplier = 0;
    t.ReadTotalTimeoutConstant = static_cast<std::uint32_t>(ms);
  });
}

std::int32_t ComSetWriteTimeout(std::int32_t port, std::int32_t ms) {
  return UpdateTimeouts(port, [ms](PortTimeouts& t) {
    t.WriteTotalTimeoutMultiplier = 0;
    t.WriteTotalTimeoutConstant = static_cast<std::uint32_t>(ms);
  });
}

std::int32_t ComConfig(std::int32_t port, PortSettingsWord word) {
  if (ComCheck(port)) return kComNotUsable;
  if (!SettingsWordValid(word)) {
    PlatformSetInvalidArgumentError();
    return kComRefused;
  }
  LineSettings settings{};
  if (!SerialGetSettings(Slot(port), &settings)) return kComRefused;
  ApplySettingsWord(word, &settings);
  return SerialSetSettings(Slot(port), &settings) ? kComOk : kComRefused;
}

std::int32_t ComRxCount(std::int32_t port) {
  if (ComCheck(port)) return 0;
  std::int32_t count = 0;
  return SerialInputCount(Slot(port), &count) ? count : 0;
}

std::int32_t ComRead(std::int32_t port, void* buf, std::int32_t n) {
  if (ComCheck(port)) return 0;
  return SerialRead(Slot(port), buf, n);
}

std::int32_t ComWrite(std::int32_t port, const void* buf, std::int32_t n) {
  if (ComCheck(port)) return 0;
  return SerialWrite(Slot(port), buf, n);
}

// A number outside the table is refused rather than read past its end.
bool ComClearRts(std::int32_t port) {
  if (port < 1 || port > kMaxPort) return false;
  return SerialEscape(Slot(port), RtsEscape::kClear);
}

bool ComSetRts(std::int32_t port) {
  if (port < 1 || port > kMaxPort) return false;
  return SerialEscape(Slot(port), RtsEscape::kSet);
}
