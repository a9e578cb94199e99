// The terminal under padlink-plot's live chart, one implementation per
// system: terminal_posix.cpp (a terminal device, escape sequences written as
// they are) and terminal_win32.cpp (the Windows console with
// virtual-terminal output).
#pragma once

#include <string>

namespace plot {

// Whether the live chart is to show: standard output is a terminal (on
// Windows a console) and standard input is not a saved log (a regular file),
// which is read as fast as it goes, without a chart.
bool LiveOutput();

// What the terminal can show, known before the chart is drawn: braille dots
// and box-drawing lines (else ASCII marks), and colours (NO_COLOR turns them
// off).
struct TerminalAbilities {
  bool unicode = false;
  bool colour = false;
};
TerminalAbilities Abilities();

// Makes the terminal take escape sequences (the Windows console's
// virtual-terminal output, set back by EndChartOutput); false, with the
// reason on standard error, when it cannot, and then the chart is not shown.
// Terminal settings are never changed otherwise: padlink owns them.
bool BeginChartOutput();
void EndChartOutput();

// Writes escape sequences and text (UTF-8) to the terminal.
bool WriteTerminal(const std::string& s);

// The terminal's columns and rows, 80 x 24 when it does not say.
void TerminalSize(int* width, int* height);

}  // namespace plot
