#include "rezizezevud_cmd/terminal/key_translation.h"

namespace {

using platform::KeyEvent;

constexpr char kEsc = '\x1b';

struct Modifiers {
  bool shift;
  bool alt;
  bool ctrl;
  bool any() const { return shift || alt || ctrl; }
  // The xterm modifier parameter: 1 plus Shift 1, Alt 2, Ctrl 4.
  int parameter() const { return 1 + (shift ? 1 : 0) + (alt ? 2 : 0) + (ctrl ? 4 : 0); }
};

Modifiers modifiersOf(const KeyEvent& event) {
  const std::uint32_t state = event.controlKeyState;
  return {(state & platform::kShiftPressed) != 0,
          (state & (platform::kLeftAltPressed | platform::kRightAltPressed)) != 0,
          (state & (platform::kLeftCtrlPressed | platform::kRightCtrlPressed)) != 0};
}

bool isModifierOrLockKey(std::uint16_t vk) {
  switch (vk) {
    case 0x10: case 0x11: case 0x12:  // Shift, Ctrl, Alt
    case 0x14:                        // Caps Lock
    case 0x5B: case 0x5C:             // Windows keys
    case 0x90: case 0x91:             // Num Lock, Scroll Lock
    case 0xA0: case 0xA1: case 0xA2: case 0xA3: case 0xA4: case 0xA5:
      return true;
    default:
      return false;
  }
}

QByteArray escPlus(char byte) { return QByteArray(1, kEsc) + byte; }

// Keys that send ESC [ <final> unmodified and ESC [ 1 ; m <final> modified.
char cursorFinal(std::uint16_t vk) {
  switch (vk) {
    case 0x26: return 'A';  // Up
    case 0x28: return 'B';  // Down
    case 0x27: return 'C';  // Right
    case 0x25: return 'D';  // Left
    case 0x24: return 'H';  // Home
    case 0x23: return 'F';  // End
    default: return 0;
  }
}

// Keys that send ESC [ n ~ unmodified and ESC [ n ; m ~ modified.
int tildeNumber(std::uint16_t vk) {
  switch (vk) {
    case 0x2D: return 2;   // Insert
    case 0x2E: return 3;   // Delete
    case 0x21: return 5;   // Page Up
    case 0x22: return 6;   // Page Down
    case 0x74: return 15;  // F5
    case 0x75: return 17;
    case 0x76: return 18;
    case 0x77: return 19;
    case 0x78: return 20;
    case 0x79: return 21;
    case 0x7A: return 23;
    case 0x7B: return 24;  // F12
    default: return 0;
  }
}

QByteArray csi(const QByteArray& body) { return QByteArray("\x1b[") + body; }

QByteArray navigationSequence(std::uint16_t vk, const Modifiers& mods) {
  const QByteArray m = QByteArray::number(mods.parameter());
  if (const char final = cursorFinal(vk)) {
    return mods.any() ? csi("1;" + m + final) : csi(QByteArray(1, final));
  }
  if (vk >= 0x70 && vk <= 0x73) {  // F1 to F4
    const char final = static_cast<char>('P' + (vk - 0x70));
    return mods.any() ? csi("1;" + m + final) : QByteArray("\x1bO") + final;
  }
  if (const int n = tildeNumber(vk)) {
    const QByteArray number = QByteArray::number(n);
    return mods.any() ? csi(number + ';' + m + '~') : csi(number + '~');
  }
  return QByteArray();
}

QByteArray editingKeySequence(const KeyEvent& event, const Modifiers& mods) {
  const bool altOnly = mods.alt && !mods.ctrl;
  switch (event.virtualKeyCode) {
    case 0x09:
      return mods.shift ? csi("Z") : QByteArray(1, '\t');
    case 0x08:
      return altOnly ? escPlus('\x7f') : QByteArray(1, '\x7f');
    case 0x0D:
      return altOnly ? escPlus('\r') : QByteArray(1, '\r');
    case 0x1B:
      return altOnly ? escPlus(kEsc) : QByteArray(1, kEsc);
    case 0x20:
      return mods.ctrl && !mods.alt && event.character == 0 ? QByteArray(1, '\0') : QByteArray();
    default:
      return QByteArray();
  }
}

bool isEditingKey(std::uint16_t vk) {
  return vk == 0x09 || vk == 0x08 || vk == 0x0D || vk == 0x1B || vk == 0x20;
}

}  // namespace

QByteArray keyToVtSequence(const KeyEvent& event) {
  const Modifiers mods = modifiersOf(event);
  const std::uint16_t vk = event.virtualKeyCode;
  // Ctrl and Alt together with a character is AltGr: the character is what was meant.
  if (mods.ctrl && mods.alt && event.character != 0) return QByteArray();
  if (isModifierOrLockKey(vk)) return QByteArray();
  if (isEditingKey(vk)) return editingKeySequence(event, mods);
  const QByteArray navigation = navigationSequence(vk, mods);
  if (!navigation.isEmpty()) return navigation;
  if (vk >= 0x41 && vk <= 0x5A && mods.alt && !mods.ctrl && event.character == 0) {
    const char letter = static_cast<char>(mods.shift ? vk : vk + ('a' - 'A'));
    return escPlus(letter);
  }
  return QByteArray();
}
