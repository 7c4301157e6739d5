#include "rezizezevud_cmd/terminal/stdin_reader.h"

#include <system_error>

#include "rezizezevud_cmd/terminal/line_endings.h"
#include "rezizezevud_cmd/terminal/terminal_frame.h"

namespace {
QString readErrorText(int code) {
  return QStringLiteral("Error: failed to read redirected stdin (%1)").arg(code);
}
}  // namespace

StdinReader::StdinReader(platform::ConsoleHandle input) : input_(input), source_(input) {}

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
  source_.stop();
  if (thread_.joinable()) thread_.join();
}

void StdinReader::push(QByteArray chunk) {
  {
    std::lock_guard<std::mutex> guard(lock_);
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
  for (;;) {
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

bool StdinReader::takeQueued(std::deque<QByteArray>& chunks, QString& errorText) {
  // Cleared before the queue is taken: a chunk pushed after this point wakes the loop again.
  queued_.clear();
  std::deque<QByteArray> taken;
  std::lock_guard<std::mutex> guard(lock_);
  taken.swap(queue_);
  if (!errorText_.isEmpty()) {
    errorText = errorText_;
    return false;
  }
  chunks = std::move(taken);
  return true;
}

bool drainStdinQueue(StdinReader& reader, QLocalSocket& socket, QString& errorText) {
  std::deque<QByteArray> chunks;
  if (!reader.takeQueued(chunks, errorText)) return false;
  for (QByteArray& chunk : chunks) {
    if (!sendFrame(socket, makeRawFrame(kStdin, std::move(chunk)),
                   QStringLiteral("Error: failed to send stdin frame"))) {
      return false;
    }
  }
  return true;
}

void stopStdinReader(std::unique_ptr<StdinReader>& reader) {
  if (!reader) return;
  reader->stop();
  reader.reset();
}
