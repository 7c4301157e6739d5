#include "pty_process.h"

#include <errno.h>
#include <fcntl.h>
#include <pty.h>
#include <signal.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

extern char** environ;

namespace {

std::vector<std::string> childEnvironment() {
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    if (strncmp(*e, "TERM=", 5) != 0) env.emplace_back(*e);
  }
  env.emplace_back("TERM=xterm-256color");
  return env;
}

std::vector<char*> pointers(std::vector<std::string>& strings) {
  std::vector<char*> out;
  for (std::string& s : strings) out.push_back(s.data());
  out.push_back(nullptr);
  return out;
}

winsize windowSize(int cols, int rows) {
  winsize ws{};
  ws.ws_col = static_cast<unsigned short>(cols);
  ws.ws_row = static_cast<unsigned short>(rows);
  return ws;
}

// Runs in the forked child: only async-signal-safe calls until exec.
[[noreturn]] void execChild(char* const* argv, char* const* envp, const char* workDir) {
  struct sigaction dfl {};
  dfl.sa_handler = SIG_DFL;
  for (int sig : {SIGINT, SIGTERM, SIGCHLD, SIGPIPE, SIGHUP, SIGQUIT})
    sigaction(sig, &dfl, nullptr);
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  termios t{};
  if (tcgetattr(STDIN_FILENO, &t) == 0) {
    t.c_iflag |= IUTF8;
    tcsetattr(STDIN_FILENO, TCSANOW, &t);
  }
  if (*workDir) (void)!chdir(workDir);
  execve(argv[0], argv, envp);
  const char msg[] = "velmora-sim: cannot start the shell: ";
  (void)!write(STDERR_FILENO, msg, sizeof msg - 1);
  const char* reason = strerror(errno);
  (void)!write(STDERR_FILENO, reason, strlen(reason));
  (void)!write(STDERR_FILENO, "\r\n", 2);
  _exit(127);
}

void sleepMs(int ms) {
  timespec ts{ms / 1000, (ms % 1000) * 1000000L};
  nanosleep(&ts, nullptr);
}

}  // namespace

std::unique_ptr<PtyProcess> PtyProcess::start(const std::vector<std::string>& argv,
                                              const std::string& workDir, int cols, int rows,
                                              std::string& error) {
  if (argv.empty()) {
    error = "no program given";
    return nullptr;
  }
  // Everything the child needs is prepared before the fork.
  std::vector<std::string> args = argv;
  std::vector<std::string> env = childEnvironment();
  std::vector<char*> argp = pointers(args);
  std::vector<char*> envp = pointers(env);
  std::string dir = workDir;
  winsize ws = windowSize(cols, rows);

  int master = -1;
  const pid_t pid = forkpty(&master, nullptr, nullptr, &ws);
  if (pid < 0) {
    error = std::string("cannot create a pseudo-terminal: ") + strerror(errno);
    return nullptr;
  }
  if (pid == 0) execChild(argp.data(), envp.data(), dir.c_str());
  fcntl(master, F_SETFD, fcntl(master, F_GETFD) | FD_CLOEXEC);
  fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
  return std::unique_ptr<PtyProcess>(new PtyProcess(master, pid));
}

PtyProcess::~PtyProcess() {
  terminate();
  close(master_);
}

PtyProcess::ReadResult PtyProcess::read(QByteArray& out, int maxBytes) {
  const int start = out.size();
  out.resize(start + maxBytes);
  ssize_t n;
  do {
    n = ::read(master_, out.data() + start, static_cast<size_t>(maxBytes));
  } while (n < 0 && errno == EINTR);
  out.resize(start + (n > 0 ? static_cast<int>(n) : 0));
  if (n > 0) return ReadResult::kData;
  if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return ReadResult::kWouldBlock;
  // EIO: every holder of the slave side has closed it.
  return ReadResult::kClosed;
}

long PtyProcess::write(const char* data, long size) {
  ssize_t n;
  do {
    n = ::write(master_, data, static_cast<size_t>(size));
  } while (n < 0 && errno == EINTR);
  if (n >= 0) return static_cast<long>(n);
  return (errno == EAGAIN || errno == EWOULDBLOCK) ? 0 : -1;
}

void PtyProcess::resize(int cols, int rows) {
  winsize ws = windowSize(cols, rows);
  ioctl(master_, TIOCSWINSZ, &ws);
}

// The terminal's interrupt character makes the line discipline signal the foreground job and
// drop its pending input, exactly as a keyboard Ctrl+C would.
PtyProcess::Interrupt PtyProcess::interrupt() {
  termios t{};
  if (tcgetattr(master_, &t) != 0) return {};
  const cc_t vintr = t.c_cc[VINTR];
  const bool enabled = vintr != _POSIX_VDISABLE;
  if (!(t.c_lflag & ISIG)) return {false, static_cast<char>(enabled ? vintr : 0x03)};
  const char c = static_cast<char>(vintr);
  if (enabled && ::write(master_, &c, 1) == 1) return {true, 0};
  const pid_t group = tcgetpgrp(master_);
  if (group > 0) kill(-group, SIGINT);
  return {true, 0};
}

void PtyProcess::recordStatus(int status) {
  reaped_ = true;
  if (WIFEXITED(status))
    exitCode_ = WEXITSTATUS(status);
  else if (WIFSIGNALED(status))
    exitCode_ = 128 + WTERMSIG(status);
}

bool PtyProcess::pollExit() {
  if (reaped_) return true;
  int status = 0;
  pid_t r;
  do {
    r = waitpid(pid_, &status, WNOHANG);
  } while (r < 0 && errno == EINTR);
  if (r == pid_)
    recordStatus(status);
  else if (r < 0)
    reaped_ = true;  // not our child any more: nothing left to wait for
  return reaped_;
}

void PtyProcess::terminate() {
  if (pollExit()) return;
  // The shell leads its own session and process group; its jobs get the hang-up too.
  kill(-pid_, SIGHUP);
  kill(pid_, SIGHUP);
  for (int waited = 0; waited < 500; waited += 10) {
    if (pollExit()) return;
    sleepMs(10);
  }
  kill(-pid_, SIGKILL);
  kill(pid_, SIGKILL);
  int status = 0;
  pid_t r;
  do {
    r = waitpid(pid_, &status, 0);
  } while (r < 0 && errno == EINTR);
  if (r == pid_) recordStatus(status);
  reaped_ = true;
}
