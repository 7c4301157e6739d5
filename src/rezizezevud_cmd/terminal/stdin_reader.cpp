#include "rezizezevud_cmd/terminal/stdin_reader.h"

#include <QLocalSocket>
#include <algorithm>
#include <system_error>

#include "rezizezevud_cmd/console_output.h"
#include "rezizezevud_cmd/terminal/line_endings.h"
#include "rezizezevud_cmd/terminal/terminal_frame.h"

namespace {
QString readErrorText(int code) {
  return QStringLiteral("Error: failed to read redirected stdin (%1)").arg(code);
}

// Lets the socket write what the system takes now, without waiting for the rest; false when that
// found the connection broken.
bool flushNow(QLocalSocket& socket) {
  socket.flush();
  return socket.state() == QLocalSocket::ConnectedState;
}

bool sendChunks(QLocalSocket& socket, std::deque<QByteArray>& chunks) {
  for (QByteArray& chunk : chunks) {
    QByteArray record;
    if (socket.state() != QLocalSocket::ConnectedState ||
        !encodeRecord(makeRawFrame(kStdin, std::move(chunk)), record) ||
        socket.write(record) != record.size()) {
      return false;
    }
  }
  return flushNow(socket);
}

bool stdinSendFailed() {
  printErrorLine(QStringLiteral("Error: failed to send stdin frame"));
  return false;
}

}  // namespace

StdinReader::StdinReader(platform::ConsoleHandle input, std::size_t queueLimit)
    : input_(input), source_(input), queueLimit_(queueLimit) {}

StdinReader::~StdinReader() { stop(); }

void StdinReader::start() {
  if (started_ || input_ == platform::kInvalidConsoleHandle) return;
  started_ = true;
  try {
    thread_ = std::thread([this] { readStdinLoop(); });
  } catch (const std::system_error& error) {
    // Without the thread the input cannot reach the session; the session ends on it like on a
    // failed read rather than waiting for input that never comes.
    fail(readErrorText(error.code().value()));
  }
}

void StdinReader::stop() {
  {
    std::lock_guard<std::mutex> guard(lock_);
    stopping_ = true;
  }
  room_.notify_all();
  source_.stop();
  if (thread_.joinable()) thread_.join();
}

bool StdinReader::waitForRoom() {
  std::unique_lock<std::mutex> guard(lock_);
  room_.wait(guard, [this] { return stopping_ || queuedBytes_ < queueLimit_; });
  return !stopping_;
}

void StdinReader::push(QByteArray chunk) {
  {
    std::lock_guard<std::mutex> guard(lock_);
    queuedBytes_ += static_cast<std::size_t>(chunk.size());
    queue_.push_back(std::move(chunk));
  }
  queued_.notify();
}

void StdinReader::fail(const QString& errorText) {
  {
    std::lock_guard<std::mutex> guard(lock_);
    errorText_ = errorText;
  }
  queued_.notify();
}

void StdinReader::readStdinLoop() {
  char buffer[kChunkSize];
  while (waitForRoom()) {
    const platform::ReadResult result = source_.read(buffer, sizeof buffer);
    switch (result.status) {
      case platform::ReadStatus::kData: {
        QByteArray chunk = normalizeLineEndings(
            QByteArray::fromRawData(buffer, static_cast<int>(result.size)), pendingCr_);
        if (!chunk.isEmpty()) push(std::move(chunk));
        break;
      }
      case platform::ReadStatus::kEnd:
      case platform::ReadStatus::kStopped:
        return;
      case platform::ReadStatus::kError:
        fail(readErrorText(result.errorCode));
        return;
    }
  }
}

bool StdinReader::takeQueued(std::deque<QByteArray>& chunks, QString& errorText,
                             std::size_t maxBytes) {
  // Cleared before the queue is taken: a chunk pushed after this point wakes the loop again.
  queued_.clear();
  std::deque<QByteArray> taken;
  bool left = false;
  {
    std::lock_guard<std::mutex> guard(lock_);
    if (!errorText_.isEmpty()) {
      queue_.clear();
      queuedBytes_ = 0;
      errorText = errorText_;
      return false;
    }
    std::size_t size = 0;
    while (!queue_.empty() && size < maxBytes) {
      size += static_cast<std::size_t>(queue_.front().size());
      taken.push_back(std::move(queue_.front()));
      queue_.pop_front();
    }
    queuedBytes_ -= size;
    left = !queue_.empty();
  }
  if (!taken.empty()) room_.notify_one();
  if (left) queued_.notify();
  chunks = std::move(taken);
  return true;
}

bool drainStdinQueue(StdinReader& reader, QLocalSocket& socket, QString& errorText) {
  // What the socket could not take on an earlier pass goes first and makes room for more.
  if (socket.bytesToWrite() > 0 && !flushNow(socket)) return stdinSendFailed();
  const std::int64_t room = std::max<std::int64_t>(0, kMaxUnsentStdin - socket.bytesToWrite());
  std::deque<QByteArray> chunks;
  if (!reader.takeQueued(chunks, errorText, static_cast<std::size_t>(room))) return false;
  if (chunks.empty() || sendChunks(socket, chunks)) return true;
  return stdinSendFailed();
}

void stopStdinReader(std::unique_ptr<StdinReader>& reader) {
  if (!reader) return;
  reader->stop();
  reader.reset();
}
