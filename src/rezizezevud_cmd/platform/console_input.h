#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "rezizezevud_cmd/platform/console_handle.h"

// What console input delivers. A terminal hands over the bytes its keys are already encoded as; a
// console that reports key events instead (the Win32 one) hands over input records, which the
// terminal session translates itself.
namespace platform {

// Control-key state bits of a key event.
constexpr std::uint32_t kRightAltPressed = 0x0001;
constexpr std::uint32_t kLeftAltPressed = 0x0002;
constexpr std::uint32_t kRightCtrlPressed = 0x0004;
constexpr std::uint32_t kLeftCtrlPressed = 0x0008;
constexpr std::uint32_t kShiftPressed = 0x0010;

struct KeyEvent {
  bool keyDown = true;
  std::uint16_t repeatCount = 1;
  std::uint16_t virtualKeyCode = 0;
  char16_t character = 0;  // a UTF-16 code unit, 0 when the key has none
  std::uint32_t controlKeyState = 0;
};

struct ConsoleInputRecord {
  enum class Kind { kKey, kBufferSize, kOther };
  Kind kind = Kind::kOther;
  KeyEvent key;            // kKey
  std::int16_t cols = 0;   // kBufferSize
  std::int16_t rows = 0;   // kBufferSize
};

struct ConsoleInputBatch {
  std::string bytes;
  std::vector<ConsoleInputRecord> records;
  bool closed = false;  // the input has ended or failed for good; do not read it again
};

// Everything waiting on console input (up to a bound per call), without blocking.
ConsoleInputBatch readConsoleInput(ConsoleHandle handle);

// One byte of console input, waiting for it. False at end of input or on an error.
bool readConsoleByte(ConsoleHandle handle, char& byte);

}  // namespace platform
