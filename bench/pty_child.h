#pragma once

#include <sys/resource.h>
#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

// A program running on the slave side of a pseudo-terminal that this process owns, the way a
// user's terminal emulator runs a client: what is written to the master is typed, what the
// program prints is read from the master.
class PtyChild {
 public:
  using Clock = std::chrono::steady_clock;

  PtyChild() = default;
  ~PtyChild();
  PtyChild(const PtyChild&) = delete;
  PtyChild& operator=(const PtyChild&) = delete;

  // Starts argv (argv[0] looked up in PATH) with extraEnv added to this process's environment.
  bool start(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv,
             std::string& error);

  pid_t pid() const { return pid_; }
  int master() const { return master_; }

  bool type(const std::string& bytes);
  // Reads what is there, waiting at most timeoutMs for the first byte. Appends to out; returns
  // the number of bytes read, 0 on time-out, -1 at end of output or on an error.
  int readSome(std::string& out, int timeoutMs);
  // Reads until marker has appeared in the output or the deadline has passed. Only the tail of
  // the output is kept, so this works for any amount of output.
  bool waitFor(const std::string& marker, Clock::time_point deadline);
  // Reads until the output has been silent for quietMs (true) or the deadline has passed.
  bool settle(int quietMs, Clock::time_point deadline);

  // Waits until the program has ended by itself, up to timeoutMs; otherwise ends it. Gives its
  // resource use, which includes its peak resident size.
  bool finish(int timeoutMs, rusage& usage);

 private:
  void kill();

  pid_t pid_ = -1;
  int master_ = -1;
};

PtyChild::Clock::time_point deadlineIn(int ms);
