#include "output_history.h"

void OutputHistory::append(const QByteArray& bytes) {
  bytes_.append(bytes);
  // Trimming only once twice the capacity has gathered keeps the copying linear in the output.
  if (bytes_.size() > 2 * capacity_) {
    bytes_.remove(0, bytes_.size() - capacity_);
    truncated_ = true;
  }
}

QByteArray OutputHistory::replay() const {
  const int start = bytes_.size() > capacity_ ? bytes_.size() - capacity_ : 0;
  if (!truncated_ && start == 0) return bytes_;
  const int lineEnd = bytes_.indexOf('\n', start);
  if (lineEnd < 0) return bytes_.mid(start);
  return bytes_.mid(lineEnd + 1);
}
