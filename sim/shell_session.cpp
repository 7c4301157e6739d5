#include "shell_session.h"

#include <QDateTime>
#include <QSocketNotifier>

#include "pty_process.h"
#include "session_sink.h"

ShellSession::ShellSession(quint32 id, QString deviceId, QString shell,
                           std::unique_ptr<PtyProcess> process)
    : id_(id),
      deviceId_(std::move(deviceId)),
      shell_(std::move(shell)),
      process_(std::move(process)) {
  readNotifier_ = new QSocketNotifier(process_->masterFd(), QSocketNotifier::Read, this);
  writeNotifier_ = new QSocketNotifier(process_->masterFd(), QSocketNotifier::Write, this);
  writeNotifier_->setEnabled(false);
  connect(readNotifier_, &QSocketNotifier::activated, this, [this] { onReadable(); });
  connect(writeNotifier_, &QSocketNotifier::activated, this, [this] { onWritable(); });
  touch();
}

ShellSession::~ShellSession() = default;

ShellSession::State ShellSession::state() const {
  if (exited_) return State::kExited;
  return sink_ ? State::kRunning : State::kDetached;
}

void ShellSession::attach(SessionSink* sink) {
  sink_ = sink;
  touch();
  const QByteArray replay = history_.replay();
  if (!replay.isEmpty()) sink_->sessionOutput(replay);
  if (exited_) {
    finish();
    return;
  }
  resumeOutput();
}

void ShellSession::detach() {
  sink_ = nullptr;
  // Detached output only feeds the history, so reading never has to wait.
  resumeOutput();
}

void ShellSession::writeInput(const QByteArray& bytes) {
  if (exited_) return;
  touch();
  pendingInput_.append(bytes);
  flushInput();
}

void ShellSession::resize(int cols, int rows) {
  if (!exited_) process_->resize(cols, rows);
}

void ShellSession::interrupt() {
  if (exited_) return;
  touch();
  const PtyProcess::Interrupt how = process_->interrupt();
  if (how.signalled) {
    // The terminal has dropped its own pending input; what is still queued here goes too.
    pendingInput_.clear();
    inputOffset_ = 0;
    writeNotifier_->setEnabled(false);
    emit inputDrained();
    return;
  }
  if (how.inputByte) writeInput(QByteArray(1, how.inputByte));
}

void ShellSession::resumeOutput() {
  if (!outputClosed_ && !exited_) readNotifier_->setEnabled(true);
}

void ShellSession::checkExited() {
  if (exited_ || !process_->pollExit()) return;
  // Whatever the shell wrote before it ended still goes out ahead of the exit.
  if (!outputClosed_) readAvailable(true);
  exited_ = true;
  readNotifier_->setEnabled(false);
  writeNotifier_->setEnabled(false);
  if (sink_) finish();
}

void ShellSession::terminate() {
  if (!exited_) {
    process_->terminate();
    exited_ = true;
    readNotifier_->setEnabled(false);
    writeNotifier_->setEnabled(false);
  }
  if (sink_) finish();
}

void ShellSession::onReadable() { readAvailable(false); }

void ShellSession::readAvailable(bool drainAll) {
  PtyProcess::ReadResult result;
  do {
    QByteArray chunk;
    result = PtyProcess::ReadResult::kData;
    while (chunk.size() < kReadChunk && result == PtyProcess::ReadResult::kData) {
      result = process_->read(chunk, kReadChunk - chunk.size());
    }
    if (!chunk.isEmpty()) deliver(chunk);
  } while (drainAll && result == PtyProcess::ReadResult::kData);
  if (result == PtyProcess::ReadResult::kClosed) {
    // No writer is left on the slave side; the exit itself arrives with the child's signal.
    outputClosed_ = true;
    readNotifier_->setEnabled(false);
  } else if (sink_ && sink_->outputCongested()) {
    readNotifier_->setEnabled(false);
  }
}

void ShellSession::deliver(const QByteArray& bytes) {
  touch();
  history_.append(bytes);
  if (sink_) sink_->sessionOutput(bytes);
}

void ShellSession::onWritable() { flushInput(); }

void ShellSession::flushInput() {
  const bool wasBacklogged = inputBacklogged();
  while (pendingInputSize() > 0) {
    const long n = process_->write(pendingInput_.constData() + inputOffset_, pendingInputSize());
    if (n <= 0) {
      if (n < 0) {
        pendingInput_.clear();
        inputOffset_ = 0;
      }
      break;
    }
    inputOffset_ += static_cast<int>(n);
  }
  if (pendingInputSize() == 0) {
    pendingInput_.clear();
    inputOffset_ = 0;
  } else if (inputOffset_ > kInputHighWater) {
    pendingInput_.remove(0, inputOffset_);
    inputOffset_ = 0;
  }
  writeNotifier_->setEnabled(pendingInputSize() > 0);
  if (wasBacklogged && !inputBacklogged()) emit inputDrained();
}

void ShellSession::finish() {
  SessionSink* sink = sink_;
  sink_ = nullptr;
  sink->sessionExited(process_->exitCode());
  emit finished(id_);
}

void ShellSession::touch() { lastActiveMs_ = QDateTime::currentMSecsSinceEpoch(); }
