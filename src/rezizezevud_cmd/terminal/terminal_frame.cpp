#include "rezizezevud_cmd/terminal/terminal_frame.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QLocalSocket>

#include "rezizezevud_cmd/console_output.h"

namespace {

const char kMagic[4] = {'T', 'E', 'R', 'M'};
constexpr std::uint8_t kVersion = 1;

void putLe16(char* at, std::uint16_t value) {
  at[0] = static_cast<char>(value & 0xFF);
  at[1] = static_cast<char>((value >> 8) & 0xFF);
}

void putLe32(char* at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::uint16_t getLe16(const char* at) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(at[0]) |
                                    (static_cast<unsigned char>(at[1]) << 8));
}

std::uint32_t getLe32(const char* at) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(at[i]);
  return value;
}

// Writes everything the socket buffered, blocking until the peer has taken it or the connection
// fails: nothing the user typed or piped may be left behind in a buffer when the tool moves on.
bool flushCompletely(QLocalSocket& socket) {
  socket.flush();
  while (socket.bytesToWrite() > 0) {
    if (socket.state() != QLocalSocket::ConnectedState) return false;
    if (!socket.waitForBytesWritten(-1)) return false;
  }
  return true;
}

}  // namespace

FrameReceiveBuffer::FrameReceiveBuffer(QByteArray initialBytes) : pending_(std::move(initialBytes)) {}

void FrameReceiveBuffer::append(const QByteArray& bytes) {
  // Nothing is ever taken from a corrupt buffer again, so what arrives after is dropped instead of
  // kept for nobody: a peer that goes on sending during a wait cannot grow it without bound.
  if (corrupt_) return;
  compact();
  pending_.append(bytes);
}

// Drops the bytes already taken once they are the larger part of the buffer, so that each byte is
// moved at most a constant number of times however records arrive.
void FrameReceiveBuffer::compact() {
  if (readPos_ == 0) return;
  if (readPos_ == pending_.size()) {
    pending_.clear();
    readPos_ = 0;
  } else if (readPos_ >= pending_.size() / 2) {
    pending_.remove(0, static_cast<int>(readPos_));
    readPos_ = 0;
  }
}

bool FrameReceiveBuffer::hasWholeRecord() const {
  const qsizetype available = pending_.size() - readPos_;
  if (available < kRecordLengthSize) return false;
  const std::uint32_t length = getLe32(pending_.constData() + readPos_);
  if (length == 0 || length > maxRecordLength_) return false;
  return static_cast<quint64>(available) >= static_cast<quint64>(length) + kRecordLengthSize;
}

bool FrameReceiveBuffer::takeRecord(QByteArray& frameBytes) {
  const qsizetype available = pending_.size() - readPos_;
  if (available < kRecordLengthSize) return false;
  const char* start = pending_.constData() + readPos_;
  const std::uint32_t length = getLe32(start);
  if (length == 0 || length > maxRecordLength_) {
    corrupt_ = true;
    return false;
  }
  if (static_cast<quint64>(available) < static_cast<quint64>(length) + kRecordLengthSize) return false;
  frameBytes = QByteArray(start + kRecordLengthSize, static_cast<int>(length));
  readPos_ += kRecordLengthSize + static_cast<qsizetype>(length);
  if (readPos_ == pending_.size()) compact();
  return true;
}

TerminalFrame makeJsonFrame(std::uint8_t type, const QJsonObject& object) {
  return makeRawFrame(type, QJsonDocument(object).toJson(QJsonDocument::Compact));
}

TerminalFrame makeRawFrame(std::uint8_t type, QByteArray bytes) {
  TerminalFrame frame;
  frame.type = type;
  frame.payload = std::move(bytes);
  return frame;
}

bool encodeFrame(const TerminalFrame& frame, QByteArray& out) {
  if (static_cast<quint64>(frame.payload.size()) > kMaxFramePayload) return false;
  out.resize(kFrameHeaderSize + frame.payload.size());
  char* at = out.data();
  std::copy(kMagic, kMagic + 4, at);
  at[4] = static_cast<char>(kVersion);
  at[5] = static_cast<char>(frame.type);
  putLe16(at + 6, frame.reserved);
  putLe32(at + 8, frame.sessionId);
  putLe32(at + 12, static_cast<std::uint32_t>(frame.payload.size()));
  std::copy(frame.payload.constBegin(), frame.payload.constEnd(), at + kFrameHeaderSize);
  return true;
}

bool encodeRecord(const TerminalFrame& frame, QByteArray& out) {
  QByteArray encoded;
  if (!encodeFrame(frame, encoded)) return false;
  out.resize(kRecordLengthSize);
  putLe32(out.data(), static_cast<std::uint32_t>(encoded.size()));
  out.append(encoded);
  return true;
}

bool decodeFrame(const QByteArray& frameBytes, TerminalFrame& frame) {
  if (frameBytes.size() < kFrameHeaderSize) return false;
  const char* at = frameBytes.constData();
  if (!std::equal(kMagic, kMagic + 4, at)) return false;
  if (static_cast<std::uint8_t>(at[4]) != kVersion) return false;
  const std::uint32_t payloadLength = getLe32(at + 12);
  if (payloadLength > kMaxFramePayload) return false;
  if (static_cast<quint64>(frameBytes.size()) != kFrameHeaderSize + static_cast<quint64>(payloadLength)) {
    return false;
  }
  frame.type = static_cast<std::uint8_t>(at[5]);
  frame.reserved = getLe16(at + 6);
  frame.sessionId = getLe32(at + 8);
  frame.payload = frameBytes.mid(kFrameHeaderSize);
  return true;
}

bool parseJsonObject(const QByteArray& payload, QJsonObject& object) {
  QJsonParseError error{};
  const QJsonDocument document = QJsonDocument::fromJson(payload, &error);
  if (error.error != QJsonParseError::NoError || !document.isObject()) return false;
  object = document.object();
  return true;
}

bool writeFrame(QLocalSocket& socket, const TerminalFrame& frame) {
  if (socket.state() != QLocalSocket::ConnectedState) return false;
  QByteArray record;
  if (!encodeRecord(frame, record)) return false;
  if (socket.write(record) != record.size()) return false;
  return flushCompletely(socket);
}

bool sendFrame(QLocalSocket& socket, const TerminalFrame& frame, const QString& errorMessage) {
  if (writeFrame(socket, frame)) return true;
  printErrorLine(errorMessage);
  return false;
}

void pumpSocket(QLocalSocket& socket, FrameReceiveBuffer& buffer, int waitMs) {
  if (socket.bytesAvailable() == 0 && !socket.waitForReadyRead(waitMs)) return;
  const QByteArray bytes = socket.readAll();
  if (!bytes.isEmpty()) buffer.append(bytes);
}

AwaitResult awaitFrame(QLocalSocket& socket, FrameReceiveBuffer& buffer, int timeoutMs,
                       const FrameHandler& handler) {
  QElapsedTimer clock;
  clock.start();
  for (;;) {
    const qint64 remaining = timeoutMs - clock.elapsed();
    if (remaining <= 0) return AwaitResult::kTimedOut;
    if (socket.state() != QLocalSocket::ConnectedState) return AwaitResult::kDisconnected;
    // Whole records left behind by an earlier reader are handled without waiting for more.
    if (!buffer.hasWholeRecord()) pumpSocket(socket, buffer, static_cast<int>(remaining));
    QByteArray bytes;
    while (buffer.takeRecord(bytes)) {
      TerminalFrame frame;
      if (!decodeFrame(bytes, frame)) continue;
      if (handler(frame)) return AwaitResult::kHandled;
    }
  }
}
