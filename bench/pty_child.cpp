#include "pty_child.h"

#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

constexpr unsigned short kCols = 120;
constexpr unsigned short kRows = 40;

int msLeft(PtyChild::Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
      deadline - PtyChild::Clock::now());
  return left.count() < 0 ? 0 : static_cast<int>(left.count());
}

// Runs in the forked child: only async-signal-safe calls until exec.
[[noreturn]] void execChild(const std::vector<char*>& argv) {
  execvp(argv[0], argv.data());
  _exit(127);
}

}  // namespace

PtyChild::Clock::time_point deadlineIn(int ms) {
  return PtyChild::Clock::now() + std::chrono::milliseconds(ms);
}

PtyChild::~PtyChild() {
  rusage usage{};
  finish(0, usage);
}

bool PtyChild::start(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv,
                     std::string& error) {
  if (argv.empty()) {
    error = "no program to run";
    return false;
  }
  // The environment is set in the parent: putenv after fork is not async-signal-safe.
  for (const std::string& e : extraEnv) putenv(strdup(e.c_str()));
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);

  winsize size{};
  size.ws_col = kCols;
  size.ws_row = kRows;
  pid_ = forkpty(&master_, nullptr, nullptr, &size);
  if (pid_ < 0) {
    error = std::string("forkpty: ") + strerror(errno);
    return false;
  }
  if (pid_ == 0) execChild(args);
  return true;
}

bool PtyChild::type(const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(master_, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

int PtyChild::readSome(std::string& out, int timeoutMs) {
  pollfd p{master_, POLLIN, 0};
  int ready;
  do {
    ready = poll(&p, 1, timeoutMs);
  } while (ready < 0 && errno == EINTR);
  if (ready == 0) return 0;
  if (ready < 0) return -1;
  char buf[65536];
  const ssize_t n = read(master_, buf, sizeof buf);
  if (n <= 0) return -1;  // EIO once every slave end has closed
  out.append(buf, static_cast<std::size_t>(n));
  return static_cast<int>(n);
}

bool PtyChild::waitFor(const std::string& marker, Clock::time_point deadline) {
  std::string tail;
  for (;;) {
    if (tail.find(marker) != std::string::npos) return true;
    if (tail.size() > marker.size()) tail.erase(0, tail.size() - marker.size());
    const int left = msLeft(deadline);
    if (left == 0) return false;
    if (readSome(tail, left) < 0) return false;
  }
}

bool PtyChild::settle(int quietMs, Clock::time_point deadline) {
  std::string sink;
  for (;;) {
    const int left = msLeft(deadline);
    if (left == 0) return false;
    sink.clear();
    const int n = readSome(sink, std::min(quietMs, left));
    if (n == 0 && left >= quietMs) return true;
    if (n < 0) return false;
  }
}

bool PtyChild::finish(int timeoutMs, rusage& usage) {
  if (pid_ < 0) return false;
  const auto deadline = deadlineIn(timeoutMs);
  bool ended = false;
  int status = 0;
  for (;;) {
    // Output must keep flowing, or a program blocked writing to the terminal never ends.
    std::string sink;
    const pid_t r = wait4(pid_, &status, WNOHANG, &usage);
    if (r == pid_) {
      ended = true;
      break;
    }
    if (msLeft(deadline) == 0) break;
    if (readSome(sink, 10) < 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  if (!ended) {
    kill();
    wait4(pid_, &status, 0, &usage);
  }
  close(master_);
  master_ = -1;
  pid_ = -1;
  return ended;
}

void PtyChild::kill() {
  ::kill(pid_, SIGHUP);
  for (int i = 0; i < 100; ++i) {
    siginfo_t info{};
    if (waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
        info.si_pid == pid_) {
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ::kill(pid_, SIGKILL);
}
