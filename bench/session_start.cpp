#include "session_start.h"

#include <cstdio>
#include <string>

bool startSession(const DriverOptions& options, PtyChild& child) {
  std::string error;
  if (!child.start(options.command, options.env, error)) {
    std::fprintf(stderr, "pty_latency: %s\n", error.c_str());
    return false;
  }
  const auto deadline = deadlineIn(options.startTimeoutMs);
  std::string first;
  while (first.empty()) {
    const int n = child.readSome(first, options.startTimeoutMs);
    if (n < 0 || PtyChild::Clock::now() >= deadline) {
      std::fprintf(stderr, "pty_latency: the client printed nothing\n");
      return false;
    }
  }
  if (!child.settle(options.settleMs, deadline)) {
    std::fprintf(stderr, "pty_latency: the client's output did not settle\n");
    return false;
  }
  return true;
}

void endSession(PtyChild& child) {
  child.type("exit\r");
  rusage usage{};
  const bool ended = child.finish(5000, usage);
  const double cpuMs = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
                       (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
  std::printf("client_exited=%d\nclient_cpu_ms=%.1f\nclient_context_switches=%ld\n"
              "client_max_rss_kib=%ld\n",
              ended ? 1 : 0, cpuMs, usage.ru_nvcsw + usage.ru_nivcsw, usage.ru_maxrss);
}
