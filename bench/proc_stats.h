#pragma once

#include <sys/types.h>

#include <cstdint>

// What the kernel counts for a running process, summed over its threads.
struct ProcCounters {
  bool ok = false;
  std::uint64_t cpuNs = 0;           // time on a CPU
  std::uint64_t contextSwitches = 0;  // voluntary and involuntary: each is a wake-up or preemption
  int threads = 0;
};

ProcCounters readProcCounters(pid_t pid);
// Peak resident set size (VmHWM) in KiB, or -1 when it cannot be read.
long readPeakRssKib(pid_t pid);
