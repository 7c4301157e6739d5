#include "output_history.h"

#include <gtest/gtest.h>

namespace {

TEST(OutputHistory, KeepsEverythingUpToItsCapacity) {
  OutputHistory history(16);
  history.append("abc\n");
  history.append("defgh");
  EXPECT_EQ(history.replay(), "abc\ndefgh");
}

// However much arrives, the replay is at most the capacity of the latest output, starting on a
// fresh line once older output was dropped.
TEST(OutputHistory, DropsTheOldestAndStartsOnALine) {
  OutputHistory history(64);
  for (int i = 0; i < 1000; ++i)
    history.append(QByteArray("line ") + QByteArray::number(i) + "\r\n");
  const QByteArray replay = history.replay();
  EXPECT_LE(replay.size(), 64);
  EXPECT_TRUE(replay.startsWith("line ")) << replay.constData();
  EXPECT_TRUE(replay.endsWith("line 999\r\n")) << replay.constData();
}

TEST(OutputHistory, OutputWithoutLineEndsIsCutAtTheCapacity) {
  OutputHistory history(8);
  history.append(QByteArray(100, 'x'));
  history.append("0123456789");
  EXPECT_EQ(history.replay(), "23456789");
}

}  // namespace
