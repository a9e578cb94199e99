// The packed line-settings word and its translation into line settings: a
// pure function of the word, with no port involved.
#pragma once

#include <cstdint>

#include "platform/port.h"

// Packed line settings; the layout is described in settings_word.cpp.
using PortSettingsWord = std::uint32_t;

// Settings applied when a port is opened: 9600 baud, 8N1, DTR and RTS on, no
// flow control.
constexpr PortSettingsWord kOpenSettingsWord = 0x2A225117;
// Start-up settings of the two link modes: DTR off; RTS on for strobing, off
// on the cable.
constexpr PortSettingsWord kStrobeModeSettingsWord = 0x20215117;
constexpr PortSettingsWord kCableModeSettingsWord = 0x20115117;

// False when a field holds a selector that fits it but names nothing (parity
// 6 and 7, data bits 6 and 7, RTS 5 to 7).
bool SettingsWordValid(PortSettingsWord word);
// Changes the fields of *config that the word selects and leaves the rest.
// The word must be valid.
void ApplySettingsWord(PortSettingsWord word, LineConfig* config);
