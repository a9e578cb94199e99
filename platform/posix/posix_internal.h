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

// Speeds the standard termios interface has no constant for (Linux only).
bool PosixSetCustomSpeed(int fd, std::uint32_t baud);
bool PosixGetCustomSpeed(int fd, std::uint32_t* baud);
bool PosixHasCustomSpeeds();

// Gives back what padlink changed on the open serial devices, for a way out
// that skips their closing: clears every exclusive-use mark and every
// low-latency flag that padlink set. Safe to call from a signal handler.
void PosixSerialReleaseAll();

// Whether an end request (PlatformRequest) has come: waits that may take
// long give up when it has.
bool PosixEndRequested();

// Monotonic milliseconds, 64 bits wide.
std::uint64_t PosixMonotonicMs();

struct PortDescription;

// Lists the serial devices present into d->devices and d->count: the
// terminal devices of the kernel's class directory `sys_tty` that have a
// device behind them (and, where the kernel reports a UART type, a UART that
// is not of unknown type), whose nodes exist in `dev`; with the stable names
// in `by_id` that link to them. Each gets the port number that reaches it:
// the comN in `port_dir` linking to it, or without a port directory N for
// ttyS(N-1). Terminal devices that a comN in `port_dir` links to are listed
// too. by_id and port_dir may be null.
void PosixListSerialDevices(const char* sys_tty, const char* dev, const char* by_id,
                            const char* port_dir, PortDescription* d);
