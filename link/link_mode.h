// How the PC reaches the robot, and the RTS strobe of strobe mode.
#pragma once

#include <cstdint>

// Strobe mode, the default: RTS is on, and every byte sent is followed by an
// RTS strobe. Cable mode: RTS stays off and is never changed.
enum class LinkMode { kStrobe, kCable };

// The run's link mode: set once by start-up, before the first exchange.
extern LinkMode g_link_mode;

// The RTS strobe: the line is cleared for this long, then set again.
constexpr std::int32_t kStrobeMs = 8;
