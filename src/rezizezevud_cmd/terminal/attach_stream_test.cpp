#include "rezizezevud_cmd/terminal/attach_stream.h"

#include <gtest/gtest.h>

#include <QList>

namespace {

struct Reader {
  AttachStream stream;
  QList<QByteArray> steps;
  AttachStream::State feed(const QByteArray& bytes) {
    return stream.feed(bytes, [this](const QByteArray& step) { steps.append(step); });
  }
};

// A peer that sends without end must not make the tool hold everything until its deadline.
TEST(AttachStream, EndlessGarbageOrProgressLineStaysBounded) {
  for (const QByteArray start : {QByteArray("garbage"), QByteArray("progress:")}) {
    Reader reader;
    EXPECT_EQ(reader.feed(start), AttachStream::State::kPending);
    const QByteArray chunk(64 * 1024, 'x');
    for (int i = 0; i < 64; ++i) EXPECT_EQ(reader.feed(chunk), AttachStream::State::kPending);
    EXPECT_LT(reader.stream.bufferedBytes(), 1024) << start.constData();
  }
}

TEST(AttachStream, OverlongProgressLineIsSkippedAndReadingGoesOn) {
  Reader reader;
  reader.feed("progress:" + QByteArray(100000, 'k'));
  reader.feed(QByteArray(5000, 'k') + "\nprogress:initializing_session\n");
  EXPECT_EQ(reader.feed("resp:OKrest"), AttachStream::State::kAttached);
  EXPECT_EQ(reader.steps, QList<QByteArray>{"initializing_session"});
  EXPECT_EQ(reader.stream.leftover(), "rest");
}

}  // namespace
