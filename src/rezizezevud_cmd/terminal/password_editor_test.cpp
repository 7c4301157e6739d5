#include "rezizezevud_cmd/terminal/password_editor.h"

#include <gtest/gtest.h>

namespace {

struct Typed {
  PasswordEditor::State state;
  QByteArray text;
  std::string echo;
};

Typed type(const QByteArray& keys) {
  PasswordEditor editor;
  std::string echo;
  std::string all;
  for (char byte : keys) {
    editor.feed(byte, echo);
    all += echo;
  }
  return {editor.state(), editor.text(), all};
}

TEST(PasswordEditor, CollectsPrintableAsciiAndMasksIt) {
  const Typed typed = type("s3cr et~\r");
  EXPECT_EQ(typed.state, PasswordEditor::State::kEntered);
  EXPECT_EQ(typed.text, QByteArray("s3cr et~"));
  EXPECT_EQ(typed.echo, "********\n");
  EXPECT_EQ(type("pw\n").state, PasswordEditor::State::kEntered);
  EXPECT_EQ(type("\r").text, QByteArray());
}

TEST(PasswordEditor, BackspaceAndDeleteEraseOnlyWhatWasTyped) {
  const Typed typed = type("sec\x7ft\r");
  EXPECT_EQ(typed.text, QByteArray("set"));
  EXPECT_EQ(typed.echo, "***\b \b*\n");
  const Typed early = type("\x08\x7f" "a\x08\x08\r");
  EXPECT_EQ(early.text, QByteArray());
  EXPECT_EQ(early.echo, "*\b \b\n");
}

TEST(PasswordEditor, CtrlCCancelsAndNothingIsFedAfterTheEnd) {
  const Typed cancelled = type("abc\x03zz\r");
  EXPECT_EQ(cancelled.state, PasswordEditor::State::kCancelled);
  EXPECT_EQ(cancelled.echo, "***^C\n");
  const Typed entered = type("a\rb\x03");
  EXPECT_EQ(entered.state, PasswordEditor::State::kEntered);
  EXPECT_EQ(entered.text, QByteArray("a"));
}

TEST(PasswordEditor, EscapeSequencesAndOtherControlBytesAreSkippedWhole) {
  // Arrow, F1, F5, Shift+Up, Alt+x, and a doubled ESC before an arrow.
  const Typed typed = type("a\x1b[Ab\x1bOPc\x1b[15~d\x1b[1;2Ae\x1bxf\x1b\x1b[Bg\x04\t\xc3\xa9h\r");
  EXPECT_EQ(typed.text, QByteArray("abcdefgh"));
  EXPECT_EQ(typed.echo, "********\n");
  // A Ctrl+C inside a sequence still cancels.
  EXPECT_EQ(type("\x1b[1\x03").state, PasswordEditor::State::kCancelled);
}

}  // namespace
