#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <cstdint>
#include <functional>

class QLocalSocket;

// The binary stream that the local socket carries once the terminal bridge is up: records of a
// 4-byte little-endian length followed by one frame (a 16-byte header and its payload).

enum FrameType : std::uint8_t {
  kOpenReq = 1,
  kStdin = 2,
  kResize = 3,
  kOutput = 5,
  kExit = 6,
  kSignal = 7,
  kError = 8,
  kListSessionsReq = 9,
  kListSessionsResp = 10,
  kKillSessionReq = 11,
  kKillSessionResp = 12,
  kOpenResp = 13,
  kUnlockReq = 14,
  kUnlockResp = 15,
};

constexpr std::uint32_t kMaxFramePayload = 1048576;
constexpr int kFrameHeaderSize = 16;
constexpr int kRecordLengthSize = 4;

struct TerminalFrame {
  std::uint8_t type = 0;
  std::uint16_t reserved = 0;
  std::uint32_t sessionId = 0;
  QByteArray payload;
};

// Received bytes not yet taken as records. Taking records advances a read position instead of
// moving the rest to the front each time, so draining many small records costs linear time.
class FrameReceiveBuffer {
 public:
  explicit FrameReceiveBuffer(QByteArray initialBytes = QByteArray());

  // Bytes arriving once the buffer is corrupt are dropped: they could never be taken.
  void append(const QByteArray& bytes);
  // One frame (a record without its length field) when a whole record is pending. A record
  // length of 0 or over the maximum marks the buffer corrupt for good: nothing more is taken.
  bool takeRecord(QByteArray& frameBytes);

  // True when takeRecord would give a record now.
  bool hasWholeRecord() const;
  bool corrupt() const { return corrupt_; }
  int pendingSize() const { return static_cast<int>(pending_.size() - readPos_); }
  std::uint32_t maxRecordLength() const { return maxRecordLength_; }

 private:
  void compact();

  std::uint32_t maxRecordLength_ = kMaxFramePayload;
  bool corrupt_ = false;
  QByteArray pending_;
  qsizetype readPos_ = 0;
};

TerminalFrame makeJsonFrame(std::uint8_t type, const QJsonObject& object);
TerminalFrame makeRawFrame(std::uint8_t type, QByteArray bytes);

// Header and payload (no record length); false when the payload is over kMaxFramePayload.
bool encodeFrame(const TerminalFrame& frame, QByteArray& out);
// The whole record: length field, header and payload.
bool encodeRecord(const TerminalFrame& frame, QByteArray& out);
// True for a frame of at least 16 bytes with the magic, version 1 and a consistent length.
bool decodeFrame(const QByteArray& frameBytes, TerminalFrame& frame);
// True when the payload is a JSON document whose top level is an object.
bool parseJsonObject(const QByteArray& payload, QJsonObject& object);

// Writes the whole record and waits until the socket has taken it. False when the socket is not
// connected, the payload is too long, or the write fails.
bool writeFrame(QLocalSocket& socket, const TerminalFrame& frame);
// writeFrame, printing errorMessage with printErrorLine when it fails.
bool sendFrame(QLocalSocket& socket, const TerminalFrame& frame, const QString& errorMessage);

// Waits up to waitMs for received data and moves everything available into the buffer.
void pumpSocket(QLocalSocket& socket, FrameReceiveBuffer& buffer, int waitMs = 5);

// The answer-wait loop shared by the open, unlock, list, kill and probe waits. Each pass checks
// the deadline first, then the connection, then waits for data (blocking on the socket, bounded
// by the deadline) and hands every decodable record to the handler until it returns true. Frames
// that fail to decode are dropped. The corrupt flag is not looked at here.
enum class AwaitResult { kHandled, kTimedOut, kDisconnected };
using FrameHandler = std::function<bool(const TerminalFrame&)>;
AwaitResult awaitFrame(QLocalSocket& socket, FrameReceiveBuffer& buffer, int timeoutMs,
                       const FrameHandler& handler);
