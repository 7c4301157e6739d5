#pragma once

#include <string>
#include <vector>

// What the pseudo-terminal driver was asked to do, from its command line.
struct DriverOptions {
  std::string mode;                  // latency, throughput or idle
  std::vector<std::string> command;  // the client to run in the pseudo-terminal
  std::vector<std::string> env;      // NAME=value added to its environment
  int startTimeoutMs = 60000;        // for the client's first prompt
  int settleMs = 500;                // silence that means the prompt has settled
  int keys = 300;
  int warmupKeys = 20;
  int gapMs = 2;                     // between keystrokes, as between a typist's keys
  std::string file;                  // what throughput cats
  int transferTimeoutMs = 600000;
  int idleSeconds = 10;
};

// Starts the client, waits for its prompt to settle, measures, ends the session, and prints the
// results as name=value lines on standard output. Returns the process exit status.
int runLatency(const DriverOptions& options);
int runThroughput(const DriverOptions& options);
int runIdle(const DriverOptions& options);
