// Idle cost: a session at its prompt with nothing typed and nothing printed. Every context switch
// of the client is a wake-up it did not need, and every nanosecond on a CPU is power spent.
#include <cstdio>
#include <thread>

#include "driver_options.h"
#include "proc_stats.h"
#include "pty_child.h"
#include "session_start.h"

int runIdle(const DriverOptions& options) {
  PtyChild child;
  if (!startSession(options, child)) return 1;
  const ProcCounters before = readProcCounters(child.pid());
  std::this_thread::sleep_for(std::chrono::seconds(options.idleSeconds));
  const ProcCounters after = readProcCounters(child.pid());
  if (!before.ok || !after.ok) {
    std::fprintf(stderr, "pty_latency: cannot read the client's counters\n");
    return 1;
  }
  const double seconds = options.idleSeconds;
  std::printf("idle_seconds=%d\nthreads=%d\ncpu_ms=%.3f\nwakeups=%llu\nwakeups_per_s=%.2f\n",
              options.idleSeconds, after.threads,
              static_cast<double>(after.cpuNs - before.cpuNs) / 1e6,
              static_cast<unsigned long long>(after.contextSwitches - before.contextSwitches),
              static_cast<double>(after.contextSwitches - before.contextSwitches) / seconds);
  endSession(child);
  return 0;
}
