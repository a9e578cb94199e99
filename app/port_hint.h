// The line that follows "Open error." when a port cannot be opened: which
// device the port number stood for, what is wrong with it, the serial
// devices that do exist, and what to do.
#pragma once

#include <cstdint>

#include "platform/platform.h"

// Room for the longest hint.
constexpr std::int32_t kMaxPortHint = 16384;

// Builds the hint for port `port` from the platform's description, without
// a line end, into buf (always terminated, cut short if it does not fit).
void FormatPortHint(std::int32_t port, const PortDescription& description, char* buf,
                    std::int32_t size);

// Prints the hint for port `port`, whose open failed with the platform
// error `error`, as one line on standard error.
void ReportPortHint(std::int32_t port, std::int32_t error);
