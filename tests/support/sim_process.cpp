#include "support/sim_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <thread>

#include "rezizezevud_cmd/orrinremotecmd_application.h"
#include "support/test_peer.h"
#include "support/tool_runner.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

std::string socketPathIn(const std::string& tmpDir) {
  return tmpDir + "/" + kServerName.toStdString();
}

bool isSocket(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISSOCK(st.st_mode);
}

void sleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// The simulator with TMPDIR set; standard output and error go to the given files.
pid_t spawnSim(const std::string& tmpDir, const std::vector<std::string>& args,
               const std::string& outPath, const std::string& errPath) {
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    if (strncmp(*e, "TMPDIR=", 7) != 0) env.emplace_back(*e);
  }
  env.push_back("TMPDIR=" + tmpDir);
  std::vector<std::string> argvStrings{VELMORA_SIM_BINARY};
  argvStrings.insert(argvStrings.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : argvStrings) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::vector<char*> envp;
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);

  const pid_t pid = fork();
  if (pid == 0) {
    const int in = open("/dev/null", O_RDONLY);
    const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    for (int fd = 3; fd < 256; ++fd) close(fd);
    execve(argv[0], argv.data(), envp.data());
    _exit(127);
  }
  return pid;
}

// The exit status once the process has ended within the time; -1 otherwise (it keeps running).
int waitForExit(pid_t pid, int timeoutMs) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  int status = 0;
  while (waitpid(pid, &status, WNOHANG) != pid) {
    if (Clock::now() >= deadline) return -1;
    sleepMs(5);
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

SimProcess::SimProcess(const std::string& tmpDir, const std::string& stateJson,
                       const std::vector<std::string>& extraArgs)
    : tmpDir_(tmpDir), errPath_(tmpDir + "/velmora-sim.err") {
  std::vector<std::string> args;
  if (!stateJson.empty()) {
    statePath_ = tmpDir + "/velmora-sim-state.json";
    std::ofstream(statePath_, std::ios::binary) << stateJson;
    args = {"--state", statePath_};
  }
  args.insert(args.end(), extraArgs.begin(), extraArgs.end());
  pid_ = spawnSim(tmpDir, args, tmpDir + "/velmora-sim.out", errPath_);
  if (pid_ <= 0) return;
  const auto deadline = Clock::now() + std::chrono::seconds(10);
  while (Clock::now() < deadline) {
    // A socket file alone may be a dead instance's leftover; only an accepted connection counts.
    if (isSocket(socketPath())) {
      const int fd = connectToMainApp(tmpDir_);
      if (fd >= 0) {
        close(fd);
        started_ = true;
        return;
      }
    }
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      return;
    }
    sleepMs(5);
  }
}

SimProcess::~SimProcess() { stop(); }

std::string SimProcess::socketPath() const { return socketPathIn(tmpDir_); }

std::string SimProcess::errText() const { return readFile(errPath_); }

int SimProcess::stop(int timeoutMs) {
  if (pid_ <= 0) return -1;
  kill(pid_, SIGTERM);
  int code = waitForExit(pid_, timeoutMs);
  if (code == -1) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  pid_ = -1;
  return code;
}

SimRun runSimToEnd(const std::string& tmpDir, const std::vector<std::string>& args, int timeoutMs) {
  SimRun run;
  const std::string outPath = tmpDir + "/velmora-sim-run.out";
  const std::string errPath = tmpDir + "/velmora-sim-run.err";
  const pid_t pid = spawnSim(tmpDir, args, outPath, errPath);
  if (pid <= 0) return run;
  run.exitCode = waitForExit(pid, timeoutMs);
  if (run.exitCode == -1) {
    run.timedOut = true;
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
  }
  run.out = readFile(outPath);
  run.err = readFile(errPath);
  return run;
}

int connectToMainApp(const std::string& tmpDir) {
  const std::string path = socketPathIn(tmpDir);
  sockaddr_un address{};
  if (path.size() >= sizeof address.sun_path) return -1;
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

std::string simRequest(const std::string& tmpDir, const std::string& request, int timeoutMs) {
  const int fd = connectToMainApp(tmpDir);
  if (fd < 0) return std::string();
  PeerConnection connection(fd);
  connection.send(request);
  return connection.readUntilClosed(timeoutMs);
}

std::string simBridgeGreeting() {
  return "progress:initializing_session\nprogress:discovering_device\n"
         "progress:establishing_channel\nprogress:optimizing_connection\n"
         "progress:completing_handshake\nresp:OK";
}

std::unique_ptr<PeerConnection> openSimTerminal(const std::string& tmpDir,
                                                const std::string& deviceId) {
  const int fd = connectToMainApp(tmpDir);
  if (fd < 0) return nullptr;
  auto connection = std::make_unique<PeerConnection>(fd);
  connection->send("cmd:terminal:{\"device_id\":\"" + deviceId + "\"}");
  const std::string greeting = simBridgeGreeting();
  if (connection->readExactly(greeting.size(), 5000) != greeting) return nullptr;
  return connection;
}
