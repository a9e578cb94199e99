// The line that follows "Open error." when a port cannot be opened: which
// device the port number stood for, what is wrong with it, the serial
// devices that do exist, and what to do.
#pragma once

#include <cstdint>

#include <string>

#include "platform/platform.h"
#include "serial/com.h"

// Room for the longest hint.
constexpr std::int32_t kMaxPortHint = 16384;

// Builds the hint for port `port` from its address (null when the number
// led nowhere: a number outside 1..256, or PADLINK_PORT_<n> holding no URL)
// and the platform's description of its device, without a line
// end, into buf (always terminated, cut short if it does not fit).
void FormatPortHint(std::int32_t port, const PortAddress* address,
                    const PortDescription& description, char* buf, std::int32_t size);

// The hint for port `port`, whose open failed with the platform error
// `error`.
std::string PortHint(std::int32_t port, const PortAddress* address, std::int32_t error);

// For port `port`, which opened: the hint's line when the number led to the
// system's own device (/dev/ttyS(n-1), without a port directory) while other
// serial devices exist, one of which may be the robot's; else "".
std::string SystemPortNote(std::int32_t port, const PortAddress& address);
