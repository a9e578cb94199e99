// The serial port layer: every port the program opens, addressed by its
// number 1..256, and its line settings. The only code that holds the
// platform's port handles. Nothing here prints, exits or raises.
#pragma once

#include <cstdint>

#include "platform/platform.h"

constexpr std::int32_t kMaxPort = 256;

// Results of the status operations.
constexpr std::int32_t kComOk = 0;
constexpr std::int32_t kComNotUsable = 1;  // ComOpen: port outside 1..256
constexpr std::int32_t kComRefused = 2;    // ComOpen: already open
constexpr std::int32_t kComOpenFailed = 3;

// Packed line settings, applied by ComConfig. See settings_word.cpp.
using PortSettingsWord = std::uint32_t;

// Settings applied by ComOpen: 9600 baud, 8N1, DTR and RTS on, no flow control.
constexpr PortSettingsWord kOpenSettingsWord = 0x2A225117;
// Start-up settings of the two link modes: DTR off; RTS on for strobing, off
// on the cable.
constexpr PortSettingsWord kStrobeModeSettingsWord = 0x20215117;
constexpr PortSettingsWord kCableModeSettingsWord = 0x20115117;

// The time-out ComOpen gives reads and writes.
constexpr std::int32_t kComDefaultTimeoutMs = 1000;

struct PortTable {
  std::int32_t open[kMaxPort];
  PlatformHandle handle[kMaxPort];
};
extern PortTable g_port_table;

std::int32_t ComCheck(std::int32_t port);
std::int32_t ComOpen(std::int32_t port, std::int32_t in_queue, std::int32_t out_queue);
std::int32_t ComClose(std::int32_t port);
void ComCloseAll();
std::int32_t ComConfig(std::int32_t port, PortSettingsWord word);
std::int32_t ComSetReadTimeout(std::int32_t port, std::int32_t ms);
std::int32_t ComSetWriteTimeout(std::int32_t port, std::int32_t ms);
std::int32_t ComRxCount(std::int32_t port);
std::int32_t ComRead(std::int32_t port, void* buf, std::int32_t n);
std::int32_t ComWrite(std::int32_t port, const void* buf, std::int32_t n);
bool ComClearRts(std::int32_t port);
bool ComSetRts(std::int32_t port);
