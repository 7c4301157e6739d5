#include "rezizezevud_cmd/terminal/attach_stream.h"

namespace {

const QByteArray kProgressPrefix = QByteArrayLiteral("progress:");
const QByteArray kAttachOk = QByteArrayLiteral("resp:OK");
const QByteArray kAttachError = QByteArrayLiteral("resp:error:");

}  // namespace

AttachStream::State AttachStream::feed(const QByteArray& bytes, const ProgressHandler& onProgress) {
  buffer_.append(bytes);
  if (buffer_.startsWith(kAttachError)) return State::kRefused;
  while (buffer_.startsWith(kProgressPrefix)) {
    const int lineEnd = buffer_.indexOf('\n');
    if (lineEnd < 0) break;
    const QByteArray step = buffer_.mid(kProgressPrefix.size(), lineEnd - kProgressPrefix.size());
    buffer_.remove(0, lineEnd + 1);
    onProgress(step);
  }
  if (buffer_.startsWith(kAttachOk)) return State::kAttached;
  if (buffer_.startsWith(kAttachError)) return State::kRefused;
  return State::kPending;
}

QByteArray AttachStream::leftover() const { return buffer_.mid(kAttachOk.size()); }

QString AttachStream::errorText() const {
  return QStringLiteral("Error: %1").arg(QString::fromUtf8(buffer_.mid(kAttachError.size())));
}
