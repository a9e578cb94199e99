// Shared inside the POSIX platform layer.
#pragma once

#include <cstdint>

#include "platform/posix/line_speed.h"

// Error codes of our own, beside the errno values, for reasons that errno
// has no clear text for. They share the errno space, so they sit well above
// it, like the application codes of other platforms.
constexpr int kErrNotATerminal = 0x20000001;
constexpr int kErrPortBusy = 0x20000002;
constexpr int kErrUnsupportedSetting = 0x20000003;

// Records the code that PlatformLastError reports.
void PosixSetLastError(int code);

// Speeds the standard termios interface has no constant for (Linux only).
bool PosixSetCustomSpeed(int fd, std::uint32_t baud);
bool PosixGetCustomSpeed(int fd, std::uint32_t* baud);
bool PosixHasCustomSpeeds();

// Gives up the exclusive use of every open serial device. Safe to call from a
// signal handler.
void PosixSerialReleaseAll();

// Monotonic milliseconds, 64 bits wide.
std::uint64_t PosixMonotonicMs();
