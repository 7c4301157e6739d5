#include "rezizezevud_cmd/terminal/attach_stream.h"

namespace {

const QByteArray kProgressPrefix = QByteArrayLiteral("progress:");
const QByteArray kAttachOk = QByteArrayLiteral("resp:OK");
const QByteArray kAttachError = QByteArrayLiteral("resp:error:");
// No step key comes near this; a longer one is unknown whatever it says, so it need not be kept.
constexpr int kMaxStepKeyLength = 256;

// True while the buffer is still the start of a progress line or of an answer. Once it is not,
// the answer can never arrive: every prefix is tested against the start of the whole buffer.
bool canStillBeAnswer(const QByteArray& buffer) {
  for (const QByteArray& prefix : {kProgressPrefix, kAttachOk, kAttachError}) {
    if (prefix.startsWith(buffer.left(prefix.size()))) return true;
  }
  return false;
}

}  // namespace

AttachStream::State AttachStream::feed(const QByteArray& bytes, const ProgressHandler& onProgress) {
  if (!skippingLongLine_) {
    buffer_.append(bytes);
  } else {
    const int lineEnd = bytes.indexOf('\n');
    if (lineEnd < 0) return State::kPending;
    skippingLongLine_ = false;
    buffer_.append(bytes.mid(lineEnd + 1));
  }
  if (buffer_.startsWith(kAttachError)) return State::kRefused;
  while (buffer_.startsWith(kProgressPrefix)) {
    const int lineEnd = buffer_.indexOf('\n');
    if (lineEnd < 0) {
      // A peer that never ends its line must not grow the buffer: drop the line up to its end.
      if (buffer_.size() - kProgressPrefix.size() > kMaxStepKeyLength) {
        buffer_.clear();
        skippingLongLine_ = true;
      }
      break;
    }
    const QByteArray step = buffer_.mid(kProgressPrefix.size(), lineEnd - kProgressPrefix.size());
    buffer_.remove(0, lineEnd + 1);
    if (step.size() <= kMaxStepKeyLength) onProgress(step);
  }
  if (buffer_.startsWith(kAttachOk)) return State::kAttached;
  if (buffer_.startsWith(kAttachError)) return State::kRefused;
  // Bytes that can never become an answer keep it pending for good, whatever follows them; their
  // start is enough to tell, and keeping no more bounds the buffer against a peer that goes on
  // sending.
  if (!canStillBeAnswer(buffer_)) buffer_.truncate(kAttachError.size());
  return State::kPending;
}

QByteArray AttachStream::leftover() const { return buffer_.mid(kAttachOk.size()); }

QString AttachStream::errorText() const {
  return QStringLiteral("Error: %1").arg(QString::fromUtf8(buffer_.mid(kAttachError.size())));
}
