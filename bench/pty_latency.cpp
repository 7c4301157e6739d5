// The pseudo-terminal driver: runs a terminal client (orrinctl term, ssh -tt, or a local shell)
// in a pseudo-terminal it owns, the way a terminal emulator does, and measures what a user
// feels: keystroke echo latency, output throughput, and the client's cost while idle.
//
//   pty_latency latency    [--keys N] [--warmup N] [--gap-ms N]    [common] -- client args...
//   pty_latency throughput --file PATH [--transfer-timeout-ms N]   [common] -- client args...
//   pty_latency idle       [--seconds N]                           [common] -- client args...
//   common: [--env NAME=value]... [--start-timeout-ms N] [--settle-ms N]
//
// Results go to standard output as name=value lines.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "driver_options.h"

namespace {

bool parseInt(const char* text, int& out) {
  char* end = nullptr;
  const long v = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || v < 0 || v > 100000000) return false;
  out = static_cast<int>(v);
  return true;
}

bool parseOption(const std::string& name, const char* value, DriverOptions& o) {
  if (name == "--env") return o.env.emplace_back(value), true;
  if (name == "--file") return o.file = value, true;
  int* target = name == "--keys"                  ? &o.keys
                : name == "--warmup"              ? &o.warmupKeys
                : name == "--gap-ms"              ? &o.gapMs
                : name == "--seconds"             ? &o.idleSeconds
                : name == "--start-timeout-ms"    ? &o.startTimeoutMs
                : name == "--settle-ms"           ? &o.settleMs
                : name == "--transfer-timeout-ms" ? &o.transferTimeoutMs
                                                  : nullptr;
  return target != nullptr && parseInt(value, *target);
}

bool parseArgs(int argc, char** argv, DriverOptions& o) {
  if (argc < 2) return false;
  o.mode = argv[1];
  int i = 2;
  for (; i < argc && std::strcmp(argv[i], "--") != 0; i += 2) {
    if (i + 1 >= argc || !parseOption(argv[i], argv[i + 1], o)) {
      std::fprintf(stderr, "pty_latency: bad option %s\n", argv[i]);
      return false;
    }
  }
  for (++i; i < argc; ++i) o.command.emplace_back(argv[i]);
  return !o.command.empty();
}

}  // namespace

int main(int argc, char** argv) {
  DriverOptions options;
  if (!parseArgs(argc, argv, options)) {
    std::fprintf(stderr, "usage: pty_latency latency|throughput|idle [options] -- client args...\n");
    return 2;
  }
  if (options.mode == "latency") return runLatency(options);
  if (options.mode == "throughput" && !options.file.empty()) return runThroughput(options);
  if (options.mode == "idle") return runIdle(options);
  std::fprintf(stderr, "pty_latency: unknown mode %s (throughput needs --file)\n",
               options.mode.c_str());
  return 2;
}
