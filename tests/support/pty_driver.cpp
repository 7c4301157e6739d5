#include "support/pty_driver.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sstream>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <utmp.h>

#include "support/tool_runner.h"

namespace {

using Clock = std::chrono::steady_clock;

int msLeft(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

}  // namespace

PtyDriver::PtyDriver(const ToolSandbox& sandbox, const std::vector<std::string>& args,
                     const PtyOptions& options) {
  winsize size{};
  size.ws_col = static_cast<unsigned short>(options.cols);
  size.ws_row = static_cast<unsigned short>(options.rows);
  if (openpty(&master_, &slave_, nullptr, nullptr, &size) != 0) return;
  fcntl(master_, F_SETFD, FD_CLOEXEC);
  tcgetattr(slave_, &initial_);

  std::vector<std::string> env = sandbox.environment({{"TERM", "xterm"}});
  std::vector<char*> envp;
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::vector<std::string> argvStrings{sandbox.exePath()};
  argvStrings.insert(argvStrings.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : argvStrings) argv.push_back(a.data());
  argv.push_back(nullptr);

  const pid_t pid = fork();
  if (pid == 0) {
    const int slave = dup(slave_);
    if (login_tty(slave) != 0) _exit(126);
    if (!options.stdinPath.empty()) {
      const int in = open(options.stdinPath.c_str(), O_RDONLY);
      if (in < 0) _exit(125);
      dup2(in, 0);
      close(in);
    }
    // No core files from the tests that end the tool with a signal.
    rlimit noCore{0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
    for (int fd = 3; fd < 256; ++fd) close(fd);
    ::signal(SIGPIPE, SIG_DFL);
    execve(argv[0], argv.data(), envp.data());
    _exit(127);
  }
  pid_ = pid;
}

PtyDriver::~PtyDriver() {
  if (pid_ > 0 && !reaped_) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  if (master_ >= 0) close(master_);
  if (slave_ >= 0) close(slave_);
}

termios PtyDriver::settings() const {
  termios now{};
  tcgetattr(slave_, &now);
  return now;
}

void PtyDriver::type(const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(master_, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    done += static_cast<std::size_t>(n);
  }
}

void PtyDriver::resize(int cols, int rows) {
  winsize size{};
  size.ws_col = static_cast<unsigned short>(cols);
  size.ws_row = static_cast<unsigned short>(rows);
  // The kernel sends SIGWINCH to the terminal's foreground process group: the tool.
  ioctl(master_, TIOCSWINSZ, &size);
}

void PtyDriver::signal(int signalNumber) {
  if (pid_ > 0 && !reaped_) kill(pid_, signalNumber);
}

void PtyDriver::readAvailable(int timeoutMs) {
  pollfd p{master_, POLLIN, 0};
  if (poll(&p, 1, timeoutMs) <= 0) return;
  char buffer[65536];
  for (;;) {
    const ssize_t n = read(master_, buffer, sizeof buffer);
    if (n <= 0) return;
    screen_.append(buffer, static_cast<std::size_t>(n));
    pollfd again{master_, POLLIN, 0};
    if (poll(&again, 1, 0) <= 0) return;
  }
}

const std::string& PtyDriver::screen() {
  readAvailable(0);
  return screen_;
}

bool PtyDriver::waitForScreen(const std::string& text, int timeoutMs, std::size_t from) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    if (screen_.size() >= from && screen_.find(text, from) != std::string::npos) return true;
    if (Clock::now() >= deadline) return false;
    readAvailable(std::min(50, msLeft(deadline)));
  }
}

int PtyDriver::wait(int timeoutMs) {
  if (pid_ <= 0) return -1;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  int status = 0;
  while (!reaped_) {
    // The tool's last output must not stay in the terminal's buffer and block it.
    readAvailable(5);
    const pid_t done = waitpid(pid_, &status, WNOHANG);
    if (done == pid_) {
      reaped_ = true;
      break;
    }
    if (Clock::now() >= deadline) return -1;
  }
  readAvailable(0);
  if (WIFSIGNALED(status)) {
    termSignal_ = WTERMSIG(status);
    return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool sameTerminalSettings(const termios& a, const termios& b) {
  return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag &&
         a.c_lflag == b.c_lflag && std::memcmp(a.c_cc, b.c_cc, sizeof a.c_cc) == 0 &&
         cfgetispeed(&a) == cfgetispeed(&b) && cfgetospeed(&a) == cfgetospeed(&b);
}

std::string describeSettingsDifference(const termios& a, const termios& b) {
  std::ostringstream text;
  text << std::hex;
  if (a.c_iflag != b.c_iflag) text << "iflag " << a.c_iflag << " vs " << b.c_iflag << "; ";
  if (a.c_oflag != b.c_oflag) text << "oflag " << a.c_oflag << " vs " << b.c_oflag << "; ";
  if (a.c_cflag != b.c_cflag) text << "cflag " << a.c_cflag << " vs " << b.c_cflag << "; ";
  if (a.c_lflag != b.c_lflag) text << "lflag " << a.c_lflag << " vs " << b.c_lflag << "; ";
  for (std::size_t i = 0; i < sizeof a.c_cc; ++i) {
    if (a.c_cc[i] != b.c_cc[i]) text << "cc[" << std::dec << i << std::hex << "] " << int(a.c_cc[i]) << " vs " << int(b.c_cc[i]) << "; ";
  }
  return text.str();
}
