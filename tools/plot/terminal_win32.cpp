// The terminal under the live chart on Windows: the console, with
// virtual-terminal output turned on for the chart (Windows 10 and later) and
// its mode set back after it. Text goes to the console as UTF-16, so its
// code page does not matter.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>

#include "tools/plot/terminal.h"

namespace plot {

namespace {

// The console's output mode before the chart, while ours is in force.
DWORD g_saved_mode = 0;
bool g_mode_changed = false;

HANDLE Out() {
  return GetStdHandle(STD_OUTPUT_HANDLE);
}

// The first of LC_ALL, LC_CTYPE and LANG that is set decides, as on POSIX
// (terminals such as mintty set them): 1 for UTF-8, 0 for another character
// set, -1 when none is set.
int LocaleSaysUtf8() {
  for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
    const char* v = std::getenv(name);
    if (!v || !*v) continue;
    std::string s = v;
    for (char& c : s)
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s.find("UTF-8") != std::string::npos || s.find("UTF8") != std::string::npos;
  }
  return -1;
}

// Whether the console's font has the chart's characters: the braille
// patterns and the box-drawing lines. GDI answers for a font it has; for a
// face it does not have it picks another, which says nothing.
bool FontHasChartGlyphs() {
  CONSOLE_FONT_INFOEX f{};
  f.cbSize = sizeof f;
  if (!GetCurrentConsoleFontEx(Out(), FALSE, &f) || f.FaceName[0] == L'\0') return false;
  HDC dc = CreateCompatibleDC(nullptr);
  if (!dc) return false;
  LOGFONTW lf{};
  lf.lfHeight = -16;
  std::wcsncpy(lf.lfFaceName, f.FaceName, LF_FACESIZE - 1);
  HFONT font = CreateFontIndirectW(&lf);
  bool has = false;
  if (font) {
    HGDIOBJ old = SelectObject(dc, font);
    WCHAR face[LF_FACESIZE] = {};
    if (GetTextFaceW(dc, LF_FACESIZE, face) > 0 && _wcsicmp(face, f.FaceName) == 0) {
      const WCHAR glyphs[] = {0x2801, 0x2840, 0x2880, 0x28FF, 0x2500,
                              0x2501, 0x2502, 0x2514, 0x2524, 0x2534};
      constexpr int kCount = sizeof glyphs / sizeof glyphs[0];
      WORD index[kCount] = {};
      has = GetGlyphIndicesW(dc, glyphs, kCount, index, GGI_MARK_NONEXISTING_GLYPHS) == kCount;
      for (WORD i : index)
        has = has && i != 0xFFFF;
    }
    SelectObject(dc, old);
    DeleteObject(font);
  }
  DeleteDC(dc);
  return has;
}

}  // namespace

bool LiveOutput() {
  DWORD mode = 0;
  const bool console = GetConsoleMode(Out(), &mode);
  const bool from_file = GetFileType(GetStdHandle(STD_INPUT_HANDLE)) == FILE_TYPE_DISK;
  return console && !from_file;
}

// Braille where the locale says UTF-8, else where the console shows it:
// Windows Terminal (WT_SESSION) falls back to a font that has it, the
// classic console needs it in its own font. Colours with virtual-terminal
// output, unless NO_COLOR.
TerminalAbilities Abilities() {
  const int locale = LocaleSaysUtf8();
  TerminalAbilities a;
  a.unicode = locale >= 0 ? locale == 1 : (std::getenv("WT_SESSION") || FontHasChartGlyphs());
  const char* no_colour = std::getenv("NO_COLOR");
  a.colour = !(no_colour && *no_colour);
  return a;
}

bool BeginChartOutput() {
  DWORD mode = 0;
  if (!GetConsoleMode(Out(), &mode)) return false;
  if (!SetConsoleMode(Out(), mode | ENABLE_PROCESSED_OUTPUT | ENABLE_VIRTUAL_TERMINAL_PROCESSING)) {
    std::fprintf(stderr,
                 "padlink-plot: this console has no virtual-terminal output (Windows 10 or "
                 "later has it), so the chart cannot show; the summary follows at the end\n");
    return false;
  }
  g_saved_mode = mode;
  g_mode_changed = true;
  return true;
}

void EndChartOutput() {
  if (!g_mode_changed) return;
  SetConsoleMode(Out(), g_saved_mode);
  g_mode_changed = false;
}

bool WriteTerminal(const std::string& s) {
  if (s.empty()) return true;
  const int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  if (n <= 0) return false;
  std::wstring w(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
  DWORD done = 0;
  while (done < w.size()) {
    DWORD written = 0;
    if (!WriteConsoleW(Out(), w.data() + done, static_cast<DWORD>(w.size() - done), &written,
                       nullptr) ||
        written == 0)
      return false;
    done += written;
  }
  return true;
}

void TerminalSize(int* width, int* height) {
  CONSOLE_SCREEN_BUFFER_INFO info{};
  *width = 80;
  *height = 24;
  if (GetConsoleScreenBufferInfo(Out(), &info)) {
    const int w = info.srWindow.Right - info.srWindow.Left + 1;
    const int h = info.srWindow.Bottom - info.srWindow.Top + 1;
    if (w > 0 && h > 0) {
      *width = w;
      *height = h;
    }
  }
}

}  // namespace plot
