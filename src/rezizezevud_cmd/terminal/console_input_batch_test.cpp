#include "rezizezevud_cmd/terminal/console_input_batch.h"

#include <gtest/gtest.h>

namespace {

using platform::ConsoleInputRecord;

ConsoleInputRecord keyDown(std::uint16_t vk, char16_t character, std::uint32_t state = 0,
                           std::uint16_t repeat = 1) {
  ConsoleInputRecord record;
  record.kind = ConsoleInputRecord::Kind::kKey;
  record.key.virtualKeyCode = vk;
  record.key.character = character;
  record.key.controlKeyState = state;
  record.key.repeatCount = repeat;
  return record;
}

ConsoleInputRecord keyUp(std::uint16_t vk, char16_t character) {
  ConsoleInputRecord record = keyDown(vk, character);
  record.key.keyDown = false;
  return record;
}

ConsoleInputRecord bufferSize(int cols, int rows) {
  ConsoleInputRecord record;
  record.kind = ConsoleInputRecord::Kind::kBufferSize;
  record.cols = static_cast<std::int16_t>(cols);
  record.rows = static_cast<std::int16_t>(rows);
  return record;
}

ConsoleInputRecord otherEvent() { return ConsoleInputRecord{}; }

ConsoleInputRecord letter(char c) {
  return keyDown(static_cast<std::uint16_t>(std::toupper(static_cast<unsigned char>(c))), static_cast<char16_t>(c));
}

std::string describe(const std::vector<ConsoleAction>& actions) {
  std::string text;
  for (const ConsoleAction& a : actions) {
    switch (a.kind) {
      case ConsoleAction::Kind::kResize:
        text += "[resize " + std::to_string(a.cols) + "x" + std::to_string(a.rows) + "]";
        break;
      case ConsoleAction::Kind::kStdin:
        text += "[stdin " + a.bytes.toHex(' ').toStdString() + "]";
        break;
      case ConsoleAction::Kind::kSignal:
        text += "[SIGINT]";
        break;
    }
  }
  return text;
}

std::string stdinHex(const QByteArray& bytes) { return "[stdin " + bytes.toHex(' ').toStdString() + "]"; }

struct Batch {
  int lastCols = 120;
  int lastRows = 40;
  std::uint16_t pendingHigh = 0;
  std::string run(const std::vector<ConsoleInputRecord>& records) {
    return describe(batchConsoleRecords(records, lastCols, lastRows, pendingHigh));
  }
};

TEST(ConsoleRecordBatching, TypedKeysGoOutAsOneFrameWithRepeatsAndSequences) {
  Batch batch;
  EXPECT_EQ(batch.run({letter('l'), keyUp(0x4C, u'l'), letter('s'), keyDown(0x0D, u'\r'),
                       keyDown(0x26, 0), otherEvent()}),
            stdinHex("ls\r\x1b[A"));
  EXPECT_EQ(batch.run({keyDown(0x41, u'a', 0, 3)}), stdinHex("aaa"));
  EXPECT_EQ(batch.run({keyDown(0x41, u'a', 0, 0)}), stdinHex("a"));  // 0 counts as once
  EXPECT_EQ(batch.run({keyDown(0x25, 0, 0, 2)}), stdinHex("\x1b[D\x1b[D"));
  EXPECT_EQ(batch.run({keyDown(0x44, 0x04, platform::kLeftCtrlPressed)}), stdinHex("\x04"));
  EXPECT_EQ(batch.run({keyDown(0x10, 0), keyUp(0x41, u'a')}), "");
  // Non-ASCII characters and AltGr characters go out as UTF-8.
  EXPECT_EQ(batch.run({keyDown(0, u'\u00e9'), keyDown(0x51, u'@', platform::kRightAltPressed | platform::kLeftCtrlPressed)}),
            stdinHex("\xc3\xa9@"));
}

TEST(ConsoleRecordBatching, SurrogatePairsJoinAcrossEventsAndReads) {
  Batch batch;
  EXPECT_EQ(batch.run({keyDown(0, 0xD83D), keyDown(0, 0xDE00)}), stdinHex("\xf0\x9f\x98\x80"));
  // The high half in one read, the low half in the next.
  EXPECT_EQ(batch.run({keyDown(0, 0xD83D)}), "");
  EXPECT_EQ(batch.pendingHigh, 0xD83D);
  EXPECT_EQ(batch.run({keyDown(0, 0xDE00, 0, 2)}), stdinHex("\xf0\x9f\x98\x80\xf0\x9f\x98\x80"));
  EXPECT_EQ(batch.pendingHigh, 0);
}

TEST(ConsoleRecordBatching, LoneSurrogatesNeverCorruptTheText) {
  Batch batch;
  // A high surrogate followed by a plain letter: only the letter.
  EXPECT_EQ(batch.run({keyDown(0, 0xD83D), letter('x')}), stdinHex("x"));
  // A low surrogate with nothing before it is replaced.
  EXPECT_EQ(batch.run({keyDown(0, 0xDE00)}), stdinHex("\xef\xbf\xbd"));
  // A key with a sequence in between drops the waiting high half.
  EXPECT_EQ(batch.run({keyDown(0, 0xD83D), keyDown(0x26, 0), keyDown(0, 0xDE00)}),
            stdinHex("\x1b[A\xef\xbf\xbd"));
}

TEST(ConsoleRecordBatching, CtrlCSplitsTheBatch) {
  Batch batch;
  EXPECT_EQ(batch.run({letter('a'), letter('b'), letter('c'), keyDown(0x43, 0x03, platform::kLeftCtrlPressed),
                       letter('d')}),
            stdinHex("abc") + "[SIGINT]" + stdinHex("d"));
  EXPECT_EQ(batch.run({keyDown(0x43, 0x03, platform::kRightCtrlPressed | platform::kShiftPressed)}), "[SIGINT]");
  EXPECT_EQ(batch.run({keyDown(0x43, 0, platform::kLeftCtrlPressed | platform::kLeftAltPressed)}), "[SIGINT]");
  // Ctrl+C also drops a waiting high surrogate.
  EXPECT_EQ(batch.run({keyDown(0, 0xD83D), keyDown(0x43, 0x03, platform::kLeftCtrlPressed), keyDown(0, 0xDE00)}),
            "[SIGINT]" + stdinHex("\xef\xbf\xbd"));
  // A C without Ctrl is a letter.
  EXPECT_EQ(batch.run({keyDown(0x43, u'C', platform::kShiftPressed)}), stdinHex("C"));
}

TEST(ConsoleRecordBatching, SizeChangesGoOutFirstAndOnlyWhenRealAndNew) {
  Batch batch;
  EXPECT_EQ(batch.run({letter('a'), bufferSize(100, 30), letter('b')}), "[resize 100x30]" + stdinHex("ab"));
  EXPECT_EQ(batch.lastCols, 100);
  EXPECT_EQ(batch.lastRows, 30);
  EXPECT_EQ(batch.run({bufferSize(100, 30)}), "");
  EXPECT_EQ(batch.run({bufferSize(100, 0), bufferSize(0, 30), bufferSize(-5, 30)}), "");
  EXPECT_EQ(batch.lastCols, 100);
  EXPECT_EQ(batch.run({bufferSize(100, 31), bufferSize(90, 31)}), "[resize 100x31][resize 90x31]");
}

TEST(TerminalByteBatching, CtrlCBytesBecomeInterruptsBetweenTheTypedBytes) {
  const struct {
    QByteArray bytes;
    std::string expected;
  } cases[] = {
      {"", ""},
      {"ls\r", stdinHex("ls\r")},
      {"\x1b[A\x7f", stdinHex("\x1b[A\x7f")},
      {"abc\x03", stdinHex("abc") + "[SIGINT]"},
      {"\x03", "[SIGINT]"},
      {"a\x03\x03z", stdinHex("a") + "[SIGINT][SIGINT]" + stdinHex("z")},
      {QByteArray("\0x", 2), stdinHex(QByteArray("\0x", 2))},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(describe(batchTerminalBytes(c.bytes)), c.expected) << c.bytes.toHex(' ').toStdString();
  }
}

TEST(Utf8OfCodePoint, EveryLengthAndTheReplacements) {
  EXPECT_EQ(utf8OfCodePoint(0x41), QByteArray("A"));
  EXPECT_EQ(utf8OfCodePoint(0xE9), QByteArray("\xc3\xa9"));
  EXPECT_EQ(utf8OfCodePoint(0x20AC), QByteArray("\xe2\x82\xac"));
  EXPECT_EQ(utf8OfCodePoint(0x1F600), QByteArray("\xf0\x9f\x98\x80"));
  EXPECT_EQ(utf8OfCodePoint(0xD800), QByteArray("\xef\xbf\xbd"));
  EXPECT_EQ(utf8OfCodePoint(0x110000), QByteArray("\xef\xbf\xbd"));
}

}  // namespace
