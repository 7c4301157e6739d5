#include "rezizezevud_cmd/terminal/key_translation.h"

#include <gtest/gtest.h>

namespace {

using platform::KeyEvent;

constexpr std::uint32_t kShift = platform::kShiftPressed;
constexpr std::uint32_t kLAlt = platform::kLeftAltPressed;
constexpr std::uint32_t kRAlt = platform::kRightAltPressed;
constexpr std::uint32_t kLCtrl = platform::kLeftCtrlPressed;
constexpr std::uint32_t kRCtrl = platform::kRightCtrlPressed;

struct Row {
  std::uint16_t vk;
  char16_t character;
  std::uint32_t state;
  QByteArray expected;
};

KeyEvent key(const Row& row) {
  KeyEvent event;
  event.virtualKeyCode = row.vk;
  event.character = row.character;
  event.controlKeyState = row.state;
  return event;
}

QByteArray esc(const char* rest) { return QByteArray("\x1b") + rest; }

void expectRows(const std::vector<Row>& rows) {
  for (const Row& row : rows) {
    EXPECT_EQ(keyToVtSequence(key(row)).toHex(' '), row.expected.toHex(' '))
        << "vk=0x" << std::hex << row.vk << " char=0x" << static_cast<int>(row.character)
        << " state=0x" << row.state;
  }
}

TEST(KeyToVtSequence, CursorAndEditingBlockWithAndWithoutModifiers) {
  expectRows({
      {0x26, 0, 0, esc("[A")},      {0x28, 0, 0, esc("[B")},      {0x27, 0, 0, esc("[C")},
      {0x25, 0, 0, esc("[D")},      {0x24, 0, 0, esc("[H")},      {0x23, 0, 0, esc("[F")},
      {0x2D, 0, 0, esc("[2~")},     {0x2E, 0, 0, esc("[3~")},     {0x21, 0, 0, esc("[5~")},
      {0x22, 0, 0, esc("[6~")},
      // m = 1 + Shift 1 + Alt 2 + Ctrl 4, either side of Alt and Ctrl.
      {0x26, 0, kLCtrl, esc("[1;5A")},
      {0x26, 0, kShift | kLAlt, esc("[1;4A")},
      {0x28, 0, kShift, esc("[1;2B")},
      {0x27, 0, kRAlt, esc("[1;3C")},
      {0x25, 0, kRCtrl | kShift, esc("[1;6D")},
      {0x24, 0, kLAlt | kLCtrl, esc("[1;7H")},
      {0x23, 0, kShift | kRAlt | kRCtrl, esc("[1;8F")},
      {0x2D, 0, kShift, esc("[2;2~")},
      {0x2E, 0, kLCtrl, esc("[3;5~")},
      {0x21, 0, kLAlt, esc("[5;3~")},
      {0x22, 0, kShift | kLCtrl, esc("[6;6~")},
  });
}

TEST(KeyToVtSequence, FunctionKeys) {
  expectRows({
      {0x70, 0, 0, esc("OP")},       {0x71, 0, 0, esc("OQ")},       {0x72, 0, 0, esc("OR")},
      {0x73, 0, 0, esc("OS")},       {0x70, 0, kLCtrl, esc("[1;5P")}, {0x73, 0, kShift, esc("[1;2S")},
      {0x74, 0, 0, esc("[15~")},     {0x75, 0, 0, esc("[17~")},     {0x76, 0, 0, esc("[18~")},
      {0x77, 0, 0, esc("[19~")},     {0x78, 0, 0, esc("[20~")},     {0x79, 0, 0, esc("[21~")},
      {0x7A, 0, 0, esc("[23~")},     {0x7B, 0, 0, esc("[24~")},
      {0x74, 0, kShift, esc("[15;2~")}, {0x7B, 0, kLAlt | kLCtrl, esc("[24;7~")},
  });
}

TEST(KeyToVtSequence, TabBackspaceEnterEscapeSpace) {
  expectRows({
      {0x09, u'\t', 0, "\t"},
      {0x09, 0, kShift, esc("[Z")},
      {0x08, 0x08, 0, "\x7f"},
      {0x08, 0, kLAlt, esc("\x7f")},
      {0x08, 0, kLAlt | kLCtrl, "\x7f"},  // Alt with Ctrl is not the Alt form
      {0x0D, u'\r', 0, "\r"},
      {0x0D, 0, kRAlt, esc("\r")},
      {0x1B, 0x1B, 0, esc("")},
      {0x1B, 0, kLAlt, esc("\x1b")},
      {0x20, 0, kLCtrl, QByteArray(1, '\0')},
      {0x20, u' ', kLCtrl, ""},            // a reported character is sent as itself
      {0x20, 0, kLCtrl | kLAlt, ""},
      {0x20, u' ', 0, ""},
  });
}

TEST(KeyToVtSequence, AltLettersWithoutCharacter) {
  expectRows({
      {0x58, 0, kLAlt, esc("x")},
      {0x58, 0, kLAlt | kShift, esc("X")},
      {0x41, 0, kRAlt, esc("a")},
      {0x5A, 0, kRAlt | kShift, esc("Z")},
      {0x58, u'x', kLAlt, ""},  // the console gave a character: it is sent instead
      {0x58, 0, kLAlt | kLCtrl, ""},
      {0x58, 0, 0, ""},
  });
}

TEST(KeyToVtSequence, KeysThatSendNothingOfTheirOwn) {
  std::vector<Row> rows;
  for (std::uint16_t vk : {0x10, 0x11, 0x12, 0x14, 0x5B, 0x5C, 0x90, 0x91, 0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5}) {
    rows.push_back({vk, 0, 0, ""});
    rows.push_back({vk, 0, kShift | kLCtrl, ""});
  }
  // AltGr (Ctrl and Alt with a character) wins over every other rule, even for a cursor key.
  rows.push_back({0x51, u'@', kLCtrl | kRAlt, ""});
  rows.push_back({0x26, u'x', kRCtrl | kLAlt, ""});
  // Plain characters, Ctrl letters and unknown keys are left to their character.
  rows.push_back({0x41, u'a', 0, ""});
  rows.push_back({0x44, 0x04, kLCtrl, ""});
  rows.push_back({0x43, 0x03, kLCtrl, ""});
  rows.push_back({0xBA, u';', 0, ""});
  expectRows(rows);
}

}  // namespace
