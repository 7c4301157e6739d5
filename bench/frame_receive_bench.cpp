// The receive path of a terminal session: bytes arrive from the socket in reads of some size,
// are appended to the receive buffer, and every whole record is taken and decoded.
#include <benchmark/benchmark.h>

#include <QByteArray>

#include "rezizezevud_cmd/terminal/terminal_frame.h"

namespace {

// Records of kOutput frames with payloads of payloadSize bytes, about totalBytes in all.
QByteArray outputStream(int payloadSize, int totalBytes) {
  QByteArray record;
  encodeRecord(makeRawFrame(kOutput, QByteArray(payloadSize, 'x')), record);
  QByteArray stream;
  const int count = std::max(1, totalBytes / static_cast<int>(record.size()));
  stream.reserve(count * record.size());
  for (int i = 0; i < count; ++i) stream.append(record);
  return stream;
}

// Feeds the stream in reads of readSize bytes and takes every whole record after each read.
void drainStream(const QByteArray& stream, int readSize, benchmark::State& state) {
  std::int64_t payloadBytes = 0;
  for (auto _ : state) {
    FrameReceiveBuffer buffer;
    QByteArray frameBytes;
    TerminalFrame frame;
    for (int at = 0; at < stream.size(); at += readSize) {
      buffer.append(stream.mid(at, readSize));
      while (buffer.takeRecord(frameBytes)) {
        if (decodeFrame(frameBytes, frame)) payloadBytes += frame.payload.size();
      }
    }
    benchmark::DoNotOptimize(payloadBytes);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * stream.size());
}

// Arguments: payload size, size of one socket read.
void BM_TakeAndDecode(benchmark::State& state) {
  const int payload = static_cast<int>(state.range(0));
  const int readSize = static_cast<int>(state.range(1));
  const QByteArray stream = outputStream(payload, 8 * 1024 * 1024);
  drainStream(stream, readSize, state);
}

}  // namespace

// Many small frames (a key echo, a short line), and large ones (a long output cut at 64 KiB and at
// the largest record the buffer accepts), each arriving in 64 KiB reads and all at once.
BENCHMARK(BM_TakeAndDecode)
    ->ArgNames({"payload", "read"})
    ->Args({16, 64 * 1024})
    ->Args({64, 64 * 1024})
    ->Args({64, 8 * 1024 * 1024})
    ->Args({64 * 1024, 64 * 1024})
    ->Args({1048560, 64 * 1024})
    ->Args({1048560, 8 * 1024 * 1024})
    ->Unit(benchmark::kMicrosecond);
