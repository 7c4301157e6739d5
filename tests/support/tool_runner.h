#pragma once

#include <string>
#include <utility>
#include <vector>

// Runs the built orrinctl as a separate process, the way a user or a script would. Each sandbox
// is a fresh folder tree holding its own copy of the executable (at <root>/A/B/orrinctl, so its
// data directory is <root>/A/log/orrinctl) and a private TMPDIR where the tool looks for the main
// application's socket. Nothing is shared between tests.

struct RunOptions {
  // Bytes fed to the tool's standard input through a pipe, which is then closed. When
  // stdinData is empty the tool reads /dev/null.
  std::string stdinData;
  int stdinHoldOpenMs = 0;  // keep the pipe open this long after writing stdinData
  std::vector<std::pair<std::string, std::string>> env;  // added to (or replacing in) the environment
  int timeoutMs = 60000;  // the tool is killed after this long; ToolRun::timedOut says so
};

struct ToolRun {
  std::string out;
  std::string err;
  int exitCode = -1;   // the process's exit status, or -1 when it died by a signal
  int termSignal = 0;  // the signal that ended it, or 0
  bool timedOut = false;
  double seconds = 0;  // wall time of the run
};

class ToolSandbox {
 public:
  ToolSandbox();
  // A sandbox whose executable is a copy of another binary, still at exePath().
  explicit ToolSandbox(const std::string& binary);
  ~ToolSandbox();
  ToolSandbox(const ToolSandbox&) = delete;
  ToolSandbox& operator=(const ToolSandbox&) = delete;

  const std::string& root() const { return root_; }
  std::string exePath() const { return root_ + "/A/B/orrinctl"; }
  std::string tmpDir() const { return root_ + "/tmp"; }
  std::string dataDir() const { return root_ + "/A/log/orrinctl"; }
  std::string logDir() const { return dataDir() + "/Log"; }
  // Where the main application's local socket lives for this sandbox.
  std::string socketPath() const;

  ToolRun run(const std::vector<std::string>& args, const RunOptions& options = {}) const;

  // Paths of the log files in logDir(), sorted by name.
  std::vector<std::string> logFiles() const;
  // Contents of the newest log file (the last run's), or empty.
  std::string lastLog() const;

  // The environment a run gets: the test's own with TMPDIR replaced and LANG=C unless set.
  std::vector<std::string> environment(
      const std::vector<std::pair<std::string, std::string>>& extra) const;

 private:
  std::string root_;
};

// Reads a whole file; empty when it cannot be read.
std::string readFile(const std::string& path);
