#pragma once

#include <sys/types.h>

#include <memory>
#include <string>
#include <vector>

class PeerConnection;

// Runs velmora-sim, the simulated main application, for end-to-end tests: listening in a given
// TMPDIR (a ToolSandbox's tmpDir(), so the sandboxed tool finds it), with a given state.

class SimProcess {
 public:
  // Starts the simulator with stateJson written to a state file (empty: its built-in state) and
  // the extra arguments, and waits until its socket accepts connections. started() tells
  // whether it did.
  explicit SimProcess(const std::string& tmpDir, const std::string& stateJson = std::string(),
                      const std::vector<std::string>& extraArgs = {});
  // Stops it (SIGTERM, then SIGKILL if it lingers).
  ~SimProcess();
  SimProcess(const SimProcess&) = delete;
  SimProcess& operator=(const SimProcess&) = delete;

  bool started() const { return started_; }
  pid_t pid() const { return pid_; }
  const std::string& statePath() const { return statePath_; }
  std::string socketPath() const;
  // What it has written to standard error so far.
  std::string errText() const;
  // SIGTERM and wait; the exit status, or -1 when it had to be killed or was not running.
  int stop(int timeoutMs = 5000);

 private:
  std::string tmpDir_;
  std::string statePath_;
  std::string errPath_;
  pid_t pid_ = -1;
  bool started_ = false;
};

struct SimRun {
  int exitCode = -1;
  std::string out;
  std::string err;
  bool timedOut = false;
};

// Runs velmora-sim in tmpDir with the arguments until it ends by itself (as when it refuses to
// start); it is killed after timeoutMs.
SimRun runSimToEnd(const std::string& tmpDir, const std::vector<std::string>& args,
                   int timeoutMs = 10000);

// A connection to whatever listens in tmpDir under the main application's name; -1 on failure.
int connectToMainApp(const std::string& tmpDir);

// One request on a fresh connection; everything answered until the simulator hangs up.
std::string simRequest(const std::string& tmpDir, const std::string& request, int timeoutMs = 5000);

// A terminal bridge to the device, past the progress lines and "resp:OK" (checked byte for
// byte), ready for frames; null when the bridge did not come up.
std::unique_ptr<PeerConnection> openSimTerminal(const std::string& tmpDir,
                                                const std::string& deviceId);

// The bytes the simulator sends when a terminal bridge comes up.
std::string simBridgeGreeting();
