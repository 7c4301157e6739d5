// The answer to a terminal request, in any split: the outcome must not depend on how the bytes
// were cut into reads, and every progress step is reported exactly once.
#include <QByteArray>
#include <QList>
#include <cstddef>
#include <cstdint>

#include "rezizezevud_cmd/terminal/attach_stream.h"

namespace {

struct Outcome {
  AttachStream::State state = AttachStream::State::kPending;
  QList<QByteArray> steps;
  QByteArray leftover;
  QString error;
};

Outcome readInPieces(const QByteArray& input, int piece) {
  AttachStream stream;
  Outcome outcome;
  const auto onProgress = [&outcome](const QByteArray& step) { outcome.steps.append(step); };
  for (int at = 0; at <= input.size() && outcome.state == AttachStream::State::kPending; at += piece) {
    outcome.state = stream.feed(input.mid(at, piece), onProgress);
  }
  if (outcome.state == AttachStream::State::kAttached) outcome.leftover = stream.leftover();
  if (outcome.state == AttachStream::State::kRefused) outcome.error = stream.errorText();
  return outcome;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const int piece = 1 + data[0] % 16;
  const QByteArray input(reinterpret_cast<const char*>(data + 1), static_cast<int>(size - 1));
  const Outcome whole = readInPieces(input, input.size() + 1);
  const Outcome split = readInPieces(input, piece);
  if (whole.state != split.state || whole.steps != split.steps) __builtin_trap();
  // Reads stop at the answer, so what follows resp:OK may be cut differently; it is a prefix.
  if (whole.state == AttachStream::State::kAttached && !whole.leftover.startsWith(split.leftover)) {
    __builtin_trap();
  }
  return 0;
}
