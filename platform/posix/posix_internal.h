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
// The device is the terminal padlink itself runs in.
constexpr int kErrOwnTerminal = 0x20000004;
// The device is the master side of a pseudo-terminal (/dev/ptmx).
constexpr int kErrPtyMaster = 0x20000005;
// The device refuses to open because it is marked for exclusive use, and no
// process holds a lock on it.
constexpr int kErrPortMarkedUnlocked = 0x20000006;
// The device is marked for exclusive use; whether a process holds a lock on
// it is unknown.
constexpr int kErrPortMarked = 0x20000007;

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
