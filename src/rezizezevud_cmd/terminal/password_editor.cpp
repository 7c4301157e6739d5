#include "rezizezevud_cmd/terminal/password_editor.h"

namespace {
constexpr unsigned char kCtrlC = 0x03;
constexpr unsigned char kBackspace = 0x08;
constexpr unsigned char kEsc = 0x1B;
constexpr unsigned char kDelete = 0x7F;
}  // namespace

// ESC [ parameters... final (0x40 to 0x7E), ESC O x, and ESC followed by one other byte (an Alt
// combination) are all one key.
bool PasswordEditor::swallowEscape(unsigned char byte) {
  switch (escape_) {
    case Escape::kNone:
      if (byte != kEsc) return false;
      escape_ = Escape::kStarted;
      return true;
    case Escape::kStarted:
      if (byte == '[') {
        escape_ = Escape::kControlSequence;
      } else if (byte == 'O') {
        escape_ = Escape::kSingleShift;
      } else if (byte != kEsc) {
        escape_ = Escape::kNone;
      }
      return true;
    case Escape::kControlSequence:
      if (byte >= 0x40 && byte <= 0x7E) escape_ = Escape::kNone;
      return true;
    case Escape::kSingleShift:
      escape_ = Escape::kNone;
      return true;
  }
  return false;
}

PasswordEditor::State PasswordEditor::feed(char byte, std::string& echo) {
  echo.clear();
  if (state_ != State::kEditing) return state_;
  const auto b = static_cast<unsigned char>(byte);
  if (b == kCtrlC) {
    echo = "^C\n";
    escape_ = Escape::kNone;
    return state_ = State::kCancelled;
  }
  if (swallowEscape(b)) return state_;
  if (b == '\r' || b == '\n') {
    echo = "\n";
    return state_ = State::kEntered;
  }
  if (b == kDelete || b == kBackspace) {
    if (!text_.isEmpty()) {
      text_.chop(1);
      echo = "\b \b";
    }
    return state_;
  }
  if (b >= 0x20 && b <= 0x7E) {
    text_.append(byte);
    echo = "*";
  }
  return state_;
}
