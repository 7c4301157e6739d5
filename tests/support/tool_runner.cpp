#include "support/tool_runner.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "rezizezevud_cmd/orrinremotecmd_application.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

std::string makeTempRoot() {
  std::string pattern = (fs::temp_directory_path() / "orrinctl-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) return std::string();
  return pattern;
}

void setNonBlocking(int fd) { fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK); }

// Moves what the child writes into out/err and feeds stdinData, until both output pipes close
// or the deadline passes.
void pumpChild(int& inFd, int& outFd, int& errFd, const std::string& input, ToolRun& run,
               std::chrono::steady_clock::time_point deadline, int holdOpenMs) {
  std::size_t inPos = 0;
  if (inFd >= 0 && input.empty() && holdOpenMs == 0) {
    close(inFd);
    inFd = -1;
  }
  auto holdUntil = input.empty()
                       ? std::chrono::steady_clock::now() + std::chrono::milliseconds(holdOpenMs)
                       : std::chrono::steady_clock::time_point::max();
  while (outFd >= 0 || errFd >= 0) {
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) return;
    if (inFd >= 0 && inPos >= input.size() && now >= holdUntil) {
      close(inFd);
      inFd = -1;
    }
    pollfd fds[3];
    int n = 0;
    if (outFd >= 0) fds[n++] = {outFd, POLLIN, 0};
    if (errFd >= 0) fds[n++] = {errFd, POLLIN, 0};
    const bool wantWrite = inFd >= 0 && inPos < input.size();
    if (wantWrite) fds[n++] = {inFd, POLLOUT, 0};
    poll(fds, static_cast<nfds_t>(n), 20);
    char buffer[65536];
    for (int i = 0; i < n; ++i) {
      if (fds[i].revents == 0) continue;
      if (fds[i].fd == inFd) {
        const ssize_t w = write(inFd, input.data() + inPos, input.size() - inPos);
        if (w > 0) inPos += static_cast<std::size_t>(w);
        if (w < 0 && errno != EAGAIN) inPos = input.size();
        if (inPos >= input.size()) {
          holdUntil = std::chrono::steady_clock::now() + std::chrono::milliseconds(holdOpenMs);
        }
        continue;
      }
      const ssize_t r = read(fds[i].fd, buffer, sizeof buffer);
      if (r > 0) {
        (fds[i].fd == outFd ? run.out : run.err).append(buffer, static_cast<std::size_t>(r));
      } else if (r == 0 || (errno != EAGAIN && errno != EINTR)) {
        close(fds[i].fd);
        (fds[i].fd == outFd ? outFd : errFd) = -1;
      }
    }
  }
  if (inFd >= 0) {
    close(inFd);
    inFd = -1;
  }
}

}  // namespace

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

ToolSandbox::ToolSandbox() : ToolSandbox(ORRINCTL_BINARY) {}

ToolSandbox::ToolSandbox(const std::string& binary) : root_(makeTempRoot()) {
  // A tool that exits before reading all of its input must fail the write, not kill the test.
  signal(SIGPIPE, SIG_IGN);
  fs::create_directories(root_ + "/A/B");
  fs::create_directories(tmpDir());
  fs::copy_file(binary, exePath(), fs::copy_options::overwrite_existing);
}

ToolSandbox::~ToolSandbox() {
  std::error_code ignored;
  fs::remove_all(root_, ignored);
}

std::string ToolSandbox::socketPath() const { return tmpDir() + "/" + kServerName.toStdString(); }

std::vector<std::string> ToolSandbox::environment(
    const std::vector<std::pair<std::string, std::string>>& extra) const {
  std::vector<std::pair<std::string, std::string>> vars;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry(*e);
    const auto eq = entry.find('=');
    if (eq == std::string::npos) continue;
    vars.emplace_back(entry.substr(0, eq), entry.substr(eq + 1));
  }
  auto set = [&vars](const std::string& name, const std::string& value) {
    for (auto& v : vars) {
      if (v.first == name) {
        v.second = value;
        return;
      }
    }
    vars.emplace_back(name, value);
  };
  // Messages follow the user's language; tests expect English unless they say otherwise.
  for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES"}) set(name, "");
  set("LANG", "C.UTF-8");
  set("TMPDIR", tmpDir());
  for (const auto& e : extra) set(e.first, e.second);
  std::vector<std::string> out;
  for (const auto& v : vars) out.push_back(v.first + "=" + v.second);
  return out;
}

ToolRun ToolSandbox::run(const std::vector<std::string>& args, const RunOptions& options) const {
  ToolRun result;
  int inPipe[2] = {-1, -1};
  int outPipe[2];
  int errPipe[2];
  const bool useStdinPipe = !options.stdinData.empty() || options.stdinHoldOpenMs > 0;
  if (useStdinPipe && pipe(inPipe) != 0) return result;
  if (pipe(outPipe) != 0 || pipe(errPipe) != 0) return result;

  std::vector<std::string> env = environment(options.env);
  std::vector<char*> envp;
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::vector<std::string> argvStrings{exePath()};
  argvStrings.insert(argvStrings.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : argvStrings) argv.push_back(a.data());
  argv.push_back(nullptr);

  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    if (useStdinPipe) {
      dup2(inPipe[0], 0);
    } else {
      const int devNull = open("/dev/null", O_RDONLY);
      dup2(devNull, 0);
    }
    dup2(outPipe[1], 1);
    dup2(errPipe[1], 2);
    for (int fd = 3; fd < 256; ++fd) close(fd);
    execve(argv[0], argv.data(), envp.data());
    _exit(127);
  }
  if (useStdinPipe) close(inPipe[0]);
  close(outPipe[1]);
  close(errPipe[1]);
  if (useStdinPipe) setNonBlocking(inPipe[1]);
  const auto deadline = start + std::chrono::milliseconds(options.timeoutMs);
  int inFd = useStdinPipe ? inPipe[1] : -1;
  int outFd = outPipe[0];
  int errFd = errPipe[0];
  pumpChild(inFd, outFd, errFd, options.stdinData, result, deadline, options.stdinHoldOpenMs);

  int status = 0;
  for (;;) {
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) break;
    if (std::chrono::steady_clock::now() >= deadline) {
      result.timedOut = true;
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  // The deadline may have cut the pump short with pipes still open.
  for (int fd : {inFd, outFd, errFd}) {
    if (fd >= 0) close(fd);
  }
  result.seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) result.termSignal = WTERMSIG(status);
  return result;
}

std::vector<std::string> ToolSandbox::logFiles() const {
  std::vector<std::string> files;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(logDir(), ec)) {
    if (entry.is_regular_file()) files.push_back(entry.path().string());
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::string ToolSandbox::lastLog() const {
  std::vector<std::string> files = logFiles();
  if (files.empty()) return std::string();
  // Names carry the start time, so the newest run sorts last; compare by write time to be safe.
  std::sort(files.begin(), files.end(), [](const std::string& a, const std::string& b) {
    return fs::last_write_time(a) < fs::last_write_time(b);
  });
  return readFile(files.back());
}
