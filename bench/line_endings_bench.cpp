// Redirected input on its way to the remote shell: every chunk read from standard input is
// normalised to the carriage returns the Enter key sends.
#include <benchmark/benchmark.h>

#include <QByteArray>

#include "rezizezevud_cmd/terminal/line_endings.h"

namespace {

// Text lines of about 60 bytes ending in lineEnd, cut into reads of 4,096 bytes as the reader
// thread gets them.
QByteArray textWithLineEnds(const char* lineEnd, int totalBytes) {
  const QByteArray line = QByteArray("the quick brown fox jumps over the lazy dog 0123456789") + lineEnd;
  QByteArray text;
  text.reserve(totalBytes + line.size());
  while (text.size() < totalBytes) text.append(line);
  return text;
}

void normalizeChunks(const QByteArray& text, benchmark::State& state) {
  constexpr int kReadSize = 4096;
  for (auto _ : state) {
    bool pendingCr = false;
    for (int at = 0; at < text.size(); at += kReadSize) {
      QByteArray out = normalizeLineEndings(text.mid(at, kReadSize), pendingCr);
      benchmark::DoNotOptimize(out.constData());
    }
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * text.size());
}

void BM_NormalizeLf(benchmark::State& state) { normalizeChunks(textWithLineEnds("\n", 4 << 20), state); }
void BM_NormalizeCrLf(benchmark::State& state) {
  normalizeChunks(textWithLineEnds("\r\n", 4 << 20), state);
}

}  // namespace

BENCHMARK(BM_NormalizeLf)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_NormalizeCrLf)->Unit(benchmark::kMicrosecond);
