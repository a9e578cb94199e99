// padlink-keytest: shows what padlink makes of each key pressed, so that a
// terminal (or a Windows console) can be checked before driving the robot.
// It takes the keyboard exactly as padlink does, through the same platform
// layer, decoder and key map, and touches no serial port. For each key it
// prints the key's name as padlink understands it, the codes, and the
// command byte padlink would send, "no action" or "quits". A key that quits
// padlink (S, Esc, Delete) ends it too; so does Ctrl+C.
#include <cstdio>
#include <cstring>
#include <string>

#include "app/key_map.h"
#include "keys/key_codes.h"
#include "platform/platform.h"

namespace {

// The name of a character code.
std::string CharacterName(int code) {
  switch (code) {
    case 8:
      return "Backspace";  // or Ctrl+H
    case 9:
      return "Tab";
    case 13:
      return "Enter";  // or Ctrl+M
    case 27:
      return "Esc";
    case 32:
      return "Space";
    case 127:
      return "Backspace";  // DEL, what most terminals send for it
    default:
      break;
  }
  if (code < 0) return "non-ASCII character";
  if (code >= 1 && code <= 26) return std::string("Ctrl+") + static_cast<char>('A' + code - 1);
  if (code >= 28 && code <= 31) return std::string("Ctrl+") + "\\]^_"[code - 28];
  return std::string(1, static_cast<char>(code));
}

// The name of a special key's extended code.
std::string SpecialName(int extended) {
  SpecialKey key;
  KeyForm form;
  if (!KeyOfExtendedCode(extended, &key, &form)) {
    char text[48];
    std::snprintf(text, sizeof text, "(special key 0x%02X)", extended & 0xFF);
    return text;
  }
  return std::string(KeyFormPrefix(form)) + SpecialKeyName(key);
}

std::string Hex(int code) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", code & 0xFF);
  return text;
}

// What padlink does with the code.
std::string ActionText(const KeyMapping& m) {
  switch (m.action) {
    case KeyAction::kQuit:
      return "quits";
    case KeyAction::kCommand: {
      char text[32];
      std::snprintf(text, sizeof text, "command %d (0x%02X)", m.command, m.command);
      return text;
    }
    case KeyAction::kNone:
      break;
  }
  return "no action";
}

void PrintLine(const std::string& name, const std::string& codes, const std::string& action) {
  std::printf("%-22s %-11s %s\n", name.c_str(), codes.c_str(), action.c_str());
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1) {
    const bool help = std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0;
    std::fprintf(help ? stdout : stderr,
                 "usage: padlink-keytest\n"
                 "Shows for each key pressed what padlink makes of it: the key's name, its\n"
                 "codes, and the command byte padlink would send. Uses no serial port.\n"
                 "S or Esc ends it (any key that quits padlink), and so does Ctrl+C.\n");
    return help ? 0 : 1;
  }
  std::printf(
      "padlink-keytest: press keys to see what padlink makes of them.\n"
      "S or Esc ends (any key that quits padlink), and so does Ctrl+C.\n\n");
  PrintLine("key", "codes", "padlink");
  KeyboardOpen();
  for (;;) {
    const int code = KeyboardReadKey();
    if (code == -1) {
      // The keyboard cannot be read, or its input ended. (A character byte
      // 0xFF has this code too; terminals that send UTF-8 never send it.)
      std::fprintf(stderr, "padlink-keytest: the keyboard cannot be read.\n");
      PlatformExit(1);
    }
    std::string name;
    std::string codes;
    int mapped = code;
    if (code == 0) {
      mapped = KeyboardReadKey();
      name = SpecialName(mapped);
      codes = Hex(0) + " " + Hex(mapped);
    } else {
      name = CharacterName(code);
      codes = Hex(code);
    }
    const KeyMapping m = KeyMap(mapped);
    PrintLine(name, codes, ActionText(m));
    if (m.action == KeyAction::kQuit) PlatformExit(0);
  }
}
