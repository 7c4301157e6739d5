// Keystroke echo: the far side reads its terminal raw and without echo and writes back each byte
// it gets, so the time from writing one byte to the master to reading it back is the client's
// round trip and nothing else. dd writes every read at once (head would buffer it) and ends after
// the expected count, so the shell comes back and the session ends normally.
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "driver_options.h"
#include "pty_child.h"
#include "sample_stats.h"
#include "session_start.h"

namespace {

using Clock = PtyChild::Clock;

// The marker is typed split by quotes, so the shell's echo of the line does not contain it.
std::string rawEchoCommand(int bytes) {
  return "stty raw -echo; printf '%s\\n' BENCH_''READY; dd bs=1 count=" + std::to_string(bytes) +
         " status=none; stty sane\r";
}

// Microseconds until the byte came back, or a negative value when it did not within 5 s.
double timeOneKey(PtyChild& child, char key) {
  const auto start = Clock::now();
  if (!child.type(std::string(1, key))) return -1;
  const auto deadline = start + std::chrono::seconds(5);
  std::string got;
  while (got.find(key) == std::string::npos) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0 || child.readSome(got, static_cast<int>(left.count()) + 1) < 0) return -1;
  }
  return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

bool timeKeys(PtyChild& child, int count, int gapMs, std::vector<double>* samples) {
  for (int i = 0; i < count; ++i) {
    const double us = timeOneKey(child, static_cast<char>('a' + i % 26));
    if (us < 0) {
      std::fprintf(stderr, "pty_latency: keystroke %d did not come back\n", i);
      return false;
    }
    if (samples != nullptr) samples->push_back(us / 1000.0);
    std::this_thread::sleep_for(std::chrono::milliseconds(gapMs));
  }
  return true;
}

}  // namespace

int runLatency(const DriverOptions& options) {
  PtyChild child;
  if (!startSession(options, child)) return 1;
  child.type(rawEchoCommand(options.warmupKeys + options.keys));
  if (!child.waitFor("BENCH_READY", deadlineIn(10000))) {
    std::fprintf(stderr, "pty_latency: the raw echo did not start\n");
    return 1;
  }
  child.settle(100, deadlineIn(2000));
  std::vector<double> ms;
  if (!timeKeys(child, options.warmupKeys, options.gapMs, nullptr) ||
      !timeKeys(child, options.keys, options.gapMs, &ms)) {
    return 1;
  }
  child.settle(200, deadlineIn(2000));
  std::printf("keys=%zu\np50_ms=%.4f\np90_ms=%.4f\np99_ms=%.4f\nmax_ms=%.4f\n", ms.size(),
              percentile(ms, 50), percentile(ms, 90), percentile(ms, 99), percentile(ms, 100));
  endSession(child);
  return 0;
}
