// Output throughput: the shell cats a file to the terminal and prints a marker after it; the
// master is read as fast as this process can until the marker arrives.
#include <sys/stat.h>

#include <cstdio>
#include <string>

#include "driver_options.h"
#include "proc_stats.h"
#include "pty_child.h"
#include "session_start.h"

int runThroughput(const DriverOptions& options) {
  struct stat st {};
  if (stat(options.file.c_str(), &st) != 0) {
    std::fprintf(stderr, "pty_latency: cannot read %s\n", options.file.c_str());
    return 1;
  }
  PtyChild child;
  if (!startSession(options, child)) return 1;
  const auto start = PtyChild::Clock::now();
  child.type("cat '" + options.file + "'; printf '%s\\n' BENCH_''DONE\r");
  if (!child.waitFor("BENCH_DONE", deadlineIn(options.transferTimeoutMs))) {
    std::fprintf(stderr, "pty_latency: the marker did not arrive\n");
    return 1;
  }
  const double seconds = std::chrono::duration<double>(PtyChild::Clock::now() - start).count();
  // Read before the session ends: the peak is the client's during the transfer.
  const long peakKib = readPeakRssKib(child.pid());
  child.settle(200, deadlineIn(5000));
  std::printf("bytes=%lld\nseconds=%.4f\nmb_per_s=%.2f\npeak_rss_kib=%ld\n",
              static_cast<long long>(st.st_size), seconds,
              static_cast<double>(st.st_size) / seconds / 1e6, peakKib);
  endSession(child);
  return 0;
}
