// padlink-keytest: shows what padlink makes of each key pressed, so that a
// terminal (or a Windows console) can be checked before driving the robot.
// It takes the keyboard exactly as padlink does, through the same platform
// layer, decoder and key map, and touches no serial port. For each key it
// prints the key the terminal sent (with every modifier it named), the
// codes, and the command byte padlink would send, "no action" or "quits";
// for bytes that are no key, the bytes and "ignored"; for pasted text its
// length and "not sent". A key that quits padlink (S, Esc, Delete) ends it
// too; so does Ctrl+C.
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "app/key_map.h"
#include "keys/key_codes.h"
#include "platform/platform.h"

namespace {

// The name of a character.
std::string CharacterName(unsigned char code) {
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
  if (code >= 128) return "non-ASCII character";
  if (code >= 1 && code <= 26) return std::string("Ctrl+") + static_cast<char>('A' + code - 1);
  if (code >= 28 && code <= 31) return std::string("Ctrl+") + "\\]^_"[code - 28];
  return std::string(1, static_cast<char>(code));
}

// The name of a special key with the modifiers the terminal sent.
std::string SpecialName(const Key& key) {
  return HeldPrefix(key.held) + SpecialKeyName(key.special);
}

// Ignored bytes one by one: ESC, SP for a space, printable characters as
// themselves, others in hex; the first kKeyBytes of a longer sequence.
std::string IgnoredBytes(const Key& key) {
  std::string text;
  const std::uint32_t shown = key.length < kKeyBytes ? key.length : kKeyBytes;
  for (std::uint32_t i = 0; i < shown; ++i) {
    const unsigned char b = key.bytes[i];
    if (!text.empty()) text += ' ';
    if (b == 27) {
      text += "ESC";
    } else if (b == ' ') {
      text += "SP";
    } else if (b > ' ' && b < 127) {
      text += static_cast<char>(b);
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "0x%02X", b);
      text += hex;
    }
  }
  if (shown < key.length) text += " ... (" + std::to_string(key.length) + " bytes)";
  return text;
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

// One line per key until a key that quits padlink: 0. When the keyboard
// cannot be read, or its input ended: 1.
int ShowKeys(Keyboard& keyboard) {
  for (;;) {
    const SysResult<Key> key = keyboard.Read();
    if (!key) {
      std::fprintf(stderr, "padlink-keytest: the keyboard cannot be read.\n");
      return 1;
    }
    if (key->kind == KeyKind::kPasteBegin) continue;  // its line comes with its end
    if (key->kind == KeyKind::kSpecial) {
      PrintLine(SpecialName(*key), Hex(0) + " " + Hex(ExtendedCode(key->special, key->form)),
                ActionText(KeyMap(*key)));
    } else if (key->kind == KeyKind::kPaste) {
      PrintLine("pasted text", std::to_string(key->length) + " bytes", "not sent");
    } else if (key->kind == KeyKind::kIgnored) {
      PrintLine(IgnoredBytes(*key), "-", "ignored");
    } else {
      PrintLine(CharacterName(key->character), Hex(key->character), ActionText(KeyMap(*key)));
    }
    if (KeyMap(*key).action == KeyAction::kQuit) return 0;
  }
}

}  // namespace

int main(int argc, char** argv) {
  PlatformOpenStandardStreams();
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
  const std::unique_ptr<Keyboard> keyboard = PlatformOpenKeyboard();
  return ShowKeys(*keyboard);
}
