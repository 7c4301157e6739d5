#include "rezizezevud_cmd/terminal/line_endings.h"

#include <gtest/gtest.h>

namespace {

QByteArray normalizeInPieces(const QByteArray& input, const std::vector<int>& cuts) {
  bool pendingCr = false;
  QByteArray out;
  int from = 0;
  for (int cut : cuts) {
    out += normalizeLineEndings(input.mid(from, cut - from), pendingCr);
    from = cut;
  }
  out += normalizeLineEndings(input.mid(from), pendingCr);
  return out;
}

TEST(NormalizeLineEndings, EveryLineEndBecomesOneCarriageReturn) {
  const struct {
    QByteArray in;
    QByteArray out;
  } cases[] = {
      {"", ""},
      {"ls\r\npwd\n", "ls\rpwd\r"},
      {"a\rb", "a\rb"},
      {"\r\r\n\n", "\r\r\r"},
      {"\n\r", "\r\r"},
      {"tab\there\x1b[A\xc3\xa9", "tab\there\x1b[A\xc3\xa9"},
      {QByteArray("\0\r\n\0", 4), QByteArray("\0\r\0", 3)},
  };
  for (const auto& c : cases) {
    bool pendingCr = false;
    EXPECT_EQ(normalizeLineEndings(c.in, pendingCr), c.out) << c.in.toHex(' ').toStdString();
  }
}

TEST(NormalizeLineEndings, SameResultWhereverTheReadsSplitTheInput) {
  const QByteArray input = "ls\r\npwd\n\r\r\nx\r";
  const QByteArray expected = "ls\rpwd\r\r\rx\r";
  for (int a = 0; a <= input.size(); ++a) {
    EXPECT_EQ(normalizeInPieces(input, {a}), expected) << "split at " << a;
    for (int b = a; b <= input.size(); ++b) {
      ASSERT_EQ(normalizeInPieces(input, {a, b}), expected) << "splits at " << a << ", " << b;
    }
  }
}

TEST(NormalizeLineEndings, ChunkHoldingOnlyTheLineFeedOfASplitPairIsEmpty) {
  bool pendingCr = false;
  EXPECT_EQ(normalizeLineEndings("ls\r", pendingCr), QByteArray("ls\r"));
  EXPECT_TRUE(pendingCr);
  EXPECT_EQ(normalizeLineEndings("\n", pendingCr), QByteArray());
  EXPECT_FALSE(pendingCr);
  // The carried CR only swallows a line feed that comes right after it.
  EXPECT_EQ(normalizeLineEndings("\r", pendingCr), QByteArray("\r"));
  EXPECT_EQ(normalizeLineEndings("x\n", pendingCr), QByteArray("x\r"));
}

}  // namespace
