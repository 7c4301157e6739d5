#pragma once

#include <QByteArray>
#include <string>

// The masked line editor of the unlock prompt, fed one byte of terminal input at a time:
// printable ASCII is collected and echoed as "*", Backspace or Delete erases the last one, Enter
// (CR or LF) ends the entry, Ctrl+C cancels it. Escape sequences (arrow and function keys) are
// swallowed whole so that their letters never end up in the password.
class PasswordEditor {
 public:
  enum class State { kEditing, kEntered, kCancelled };

  // Takes one byte; echo receives what to show for it (possibly nothing).
  State feed(char byte, std::string& echo);

  State state() const { return state_; }
  const QByteArray& text() const { return text_; }

 private:
  enum class Escape { kNone, kStarted, kControlSequence, kSingleShift };

  bool swallowEscape(unsigned char byte);

  State state_ = State::kEditing;
  Escape escape_ = Escape::kNone;
  QByteArray text_;
};
