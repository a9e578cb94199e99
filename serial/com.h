// The serial port layer: every port the program opens, addressed by its
// number 1..256, and its line settings. The only code that holds the
// platform's port handles. Nothing here prints, exits or raises.
//
// Results. Every operation gives one of three kinds of result:
//   status       kComOk (0) on success, a small positive code on failure:
//                kComNotUsable (1) the port is outside 1..256 or not open;
//                kComRefused (2) the platform refused the operation, or, for
//                ComOpen, the port is open already; kComOpenFailed (3) the
//                device cannot be opened. The platform's last error then
//                holds the reason, except for kComNotUsable.
//   byte count   the bytes that moved or are waiting, 0..n; 0 also when the
//                port is not usable or the platform call failed.
//   truth value  true when the platform did it.
#pragma once

#include <cstdint>

#include "platform/platform.h"
#include "serial/settings_word.h"

constexpr std::int32_t kMaxPort = 256;

constexpr std::int32_t kComOk = 0;
constexpr std::int32_t kComNotUsable = 1;
constexpr std::int32_t kComRefused = 2;
constexpr std::int32_t kComOpenFailed = 3;

// The time-out ComOpen gives reads and writes.
constexpr std::int32_t kComDefaultTimeoutMs = 1000;

// Status: 0 when the port is open, 1 otherwise.
std::int32_t ComCheck(std::int32_t port);
// Status: opens the port's device with the given queue sizes, applies
// kOpenSettingsWord and the default time-outs.
std::int32_t ComOpen(std::int32_t port, std::int32_t in_queue, std::int32_t out_queue);
// Status: closes an open port.
std::int32_t ComClose(std::int32_t port);
// Closes every open port.
void ComCloseAll();
// Status: applies the fields the word selects to the open port's settings.
std::int32_t ComConfig(std::int32_t port, PortSettingsWord word);
// Status: reads wait at most ms in total and ms between two bytes.
std::int32_t ComSetReadTimeout(std::int32_t port, std::int32_t ms);
// Status: writes give up after ms in total.
std::int32_t ComSetWriteTimeout(std::int32_t port, std::int32_t ms);
// Byte count: bytes waiting to be read.
std::int32_t ComRxCount(std::int32_t port);
// Byte count: reads up to n bytes within the port's read time-outs.
std::int32_t ComRead(std::int32_t port, void* buf, std::int32_t n);
// Byte count: writes n bytes within the port's write time-out.
std::int32_t ComWrite(std::int32_t port, const void* buf, std::int32_t n);
// Truth value: clears or sets the RTS line. These skip the open check: they
// are only given the port that start-up opened.
bool ComClearRts(std::int32_t port);
bool ComSetRts(std::int32_t port);
