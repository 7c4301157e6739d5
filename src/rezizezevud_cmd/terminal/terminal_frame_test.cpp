#include "rezizezevud_cmd/terminal/terminal_frame.h"

#include <gtest/gtest.h>

#include <QJsonObject>
#include <vector>

namespace {

QByteArray record(std::uint8_t type, const QByteArray& payload, std::uint32_t sessionId = 0) {
  TerminalFrame frame = makeRawFrame(type, payload);
  frame.sessionId = sessionId;
  QByteArray out;
  EXPECT_TRUE(encodeRecord(frame, out));
  return out;
}

QByteArray le32(std::uint32_t value) {
  QByteArray out(4, '\0');
  for (int i = 0; i < 4; ++i) out[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
  return out;
}

TEST(TerminalFrameEncoding, ListSessionsRequestIsTwentyExactBytes) {
  const QByteArray bytes = record(kListSessionsReq, QByteArray());
  const QByteArray expected("\x10\0\0\0TERM\x01\x09\0\0\0\0\0\0\0\0\0\0", 20);
  EXPECT_EQ(bytes, expected);
}

TEST(TerminalFrameEncoding, JsonPayloadIsCompactAndHeaderIsLittleEndian) {
  QJsonObject resize{{"cols", 120}, {"rows", 40}};
  TerminalFrame frame = makeJsonFrame(kResize, resize);
  frame.sessionId = 0x01020304;
  QByteArray bytes;
  ASSERT_TRUE(encodeRecord(frame, bytes));
  const QByteArray payload = R"({"cols":120,"rows":40})";
  EXPECT_EQ(bytes.left(4), le32(16 + payload.size()));
  EXPECT_EQ(bytes.mid(12, 4), QByteArray("\x04\x03\x02\x01", 4));
  EXPECT_EQ(bytes.mid(16, 4), le32(payload.size()));
  EXPECT_EQ(bytes.mid(20), payload);
}

TEST(TerminalFrameEncoding, PayloadLimitIsInclusive) {
  QByteArray out;
  EXPECT_TRUE(encodeFrame(makeRawFrame(kStdin, QByteArray(kMaxFramePayload, 'x')), out));
  EXPECT_EQ(out.size(), static_cast<int>(kMaxFramePayload) + kFrameHeaderSize);
  EXPECT_FALSE(encodeFrame(makeRawFrame(kStdin, QByteArray(kMaxFramePayload + 1, 'x')), out));
}

TEST(FrameReceiveBuffer, RecordsSplitAtEveryByteAreTakenWhole) {
  const QByteArray stream = record(kOutput, "hello") + record(kExit, R"({"exit_code":3})");
  for (int split = 0; split <= stream.size(); ++split) {
    FrameReceiveBuffer buffer(stream.left(split));
    std::vector<QByteArray> taken;
    QByteArray bytes;
    while (buffer.takeRecord(bytes)) taken.push_back(bytes);
    buffer.append(stream.mid(split));
    while (buffer.takeRecord(bytes)) taken.push_back(bytes);
    ASSERT_EQ(taken.size(), 2u) << "split at " << split;
    TerminalFrame first, second;
    ASSERT_TRUE(decodeFrame(taken[0], first));
    ASSERT_TRUE(decodeFrame(taken[1], second));
    EXPECT_EQ(first.type, kOutput);
    EXPECT_EQ(first.payload, "hello");
    EXPECT_EQ(second.type, kExit);
    EXPECT_FALSE(buffer.corrupt());
    EXPECT_EQ(buffer.pendingSize(), 0);
  }
}

TEST(FrameReceiveBuffer, BadRecordLengthMarksCorruptForGood) {
  for (std::uint32_t length : {0u, kMaxFramePayload + 1, 0xFFFFFFFFu}) {
    FrameReceiveBuffer buffer(le32(length) + record(kOutput, "after"));
    QByteArray bytes;
    EXPECT_FALSE(buffer.takeRecord(bytes)) << length;
    EXPECT_TRUE(buffer.corrupt()) << length;
    buffer.append(record(kOutput, "more"));
    EXPECT_FALSE(buffer.takeRecord(bytes)) << length;
  }
}

TEST(FrameReceiveBuffer, LargestAcceptedRecordLengthIsTheMaximum) {
  // A payload near the limit encodes fine but its record is over the receiver's limit.
  FrameReceiveBuffer buffer(record(kOutput, QByteArray(kMaxFramePayload - kFrameHeaderSize, 'y')));
  QByteArray bytes;
  EXPECT_TRUE(buffer.takeRecord(bytes));
  FrameReceiveBuffer tooLong(record(kOutput, QByteArray(kMaxFramePayload - kFrameHeaderSize + 1, 'y')));
  EXPECT_FALSE(tooLong.takeRecord(bytes));
  EXPECT_TRUE(tooLong.corrupt());
}

TEST(FrameReceiveBuffer, ManySmallRecordsDrainCompletely) {
  QByteArray stream;
  for (int i = 0; i < 20000; ++i) stream += record(kOutput, QByteArray::number(i));
  FrameReceiveBuffer buffer;
  // Fed in uneven pieces while taking, as a socket would deliver them.
  int taken = 0;
  QByteArray bytes;
  for (int at = 0; at < stream.size(); at += 4093) {
    buffer.append(stream.mid(at, 4093));
    while (buffer.takeRecord(bytes)) {
      TerminalFrame frame;
      ASSERT_TRUE(decodeFrame(bytes, frame));
      ASSERT_EQ(frame.payload, QByteArray::number(taken));
      ++taken;
    }
  }
  EXPECT_EQ(taken, 20000);
}

TEST(FrameDecoding, MalformedFramesAreRejected) {
  QByteArray good;
  ASSERT_TRUE(encodeFrame(makeRawFrame(kOutput, "abc"), good));
  TerminalFrame frame;
  ASSERT_TRUE(decodeFrame(good, frame));
  EXPECT_EQ(frame.payload, "abc");

  QByteArray wrongMagic = good;
  wrongMagic[0] = 'X';
  QByteArray version2 = good;
  version2[4] = 2;
  QByteArray lengthDisagrees = good;
  lengthDisagrees[12] = 4;
  const QByteArray tooShort = good.left(15);
  const QByteArray trailing = good + "z";
  for (const QByteArray& bad : {wrongMagic, version2, lengthDisagrees, tooShort, trailing}) {
    EXPECT_FALSE(decodeFrame(bad, frame)) << bad.toHex().constData();
  }
}

TEST(FrameDecoding, ReservedAndSessionIdAreRead) {
  TerminalFrame sent = makeRawFrame(kOpenReq, "{}");
  sent.reserved = 0xBEEF;
  sent.sessionId = 42;
  QByteArray bytes;
  ASSERT_TRUE(encodeFrame(sent, bytes));
  TerminalFrame got;
  ASSERT_TRUE(decodeFrame(bytes, got));
  EXPECT_EQ(got.type, kOpenReq);
  EXPECT_EQ(got.reserved, 0xBEEF);
  EXPECT_EQ(got.sessionId, 42u);
}

TEST(ParseJsonObject, OnlyObjectsAreAccepted) {
  QJsonObject object;
  EXPECT_TRUE(parseJsonObject(R"({"code":0})", object));
  EXPECT_EQ(object.value("code").toInt(-1), 0);
  for (const char* bad : {"[1,2]", "\"text\"", "7", "{", "", "{} trailing"}) {
    EXPECT_FALSE(parseJsonObject(bad, object)) << bad;
  }
}

}  // namespace
