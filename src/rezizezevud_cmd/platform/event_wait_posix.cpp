#include "rezizezevud_cmd/platform/event_wait.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <vector>

namespace platform {
namespace {

bool makePipe(int& readFd, int& writeFd) {
  int fds[2];
  if (pipe2(fds, O_NONBLOCK | O_CLOEXEC) != 0) return false;
  readFd = fds[0];
  writeFd = fds[1];
  return true;
}

// A full pipe already holds a pending notification, so a failed write loses nothing.
void writeOneByte(int fd) {
  if (fd < 0) return;
  const char byte = 1;
  ssize_t n;
  do {
    n = ::write(fd, &byte, 1);
  } while (n < 0 && errno == EINTR);
}

void drain(int fd) {
  if (fd < 0) return;
  char buffer[256];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n > 0) continue;
    if (n < 0 && errno == EINTR) continue;
    return;
  }
}

int gWinchRead = -1;
volatile sig_atomic_t gWinchWrite = -1;
struct sigaction gPreviousWinch;

void onWindowSizeChange(int) {
  const int savedErrno = errno;
  writeOneByte(gWinchWrite);
  errno = savedErrno;
}

}  // namespace

WakeSignal::WakeSignal() {
  if (!makePipe(readFd_, writeFd_)) readFd_ = writeFd_ = -1;
}

WakeSignal::~WakeSignal() {
  if (readFd_ >= 0) ::close(readFd_);
  if (writeFd_ >= 0) ::close(writeFd_);
}

void WakeSignal::notify() { writeOneByte(writeFd_); }

void WakeSignal::clear() { drain(readFd_); }

WindowSizeSignal::WindowSizeSignal() {
  if (gWinchRead >= 0) return;
  int readFd = -1;
  int writeFd = -1;
  if (!makePipe(readFd, writeFd)) return;
  gWinchRead = readFd;
  gWinchWrite = writeFd;
  struct sigaction handler {};
  handler.sa_handler = onWindowSizeChange;
  sigemptyset(&handler.sa_mask);
  handler.sa_flags = SA_RESTART;
  if (sigaction(SIGWINCH, &handler, &gPreviousWinch) != 0) {
    gWinchWrite = -1;
    ::close(readFd);
    ::close(writeFd);
    gWinchRead = -1;
    return;
  }
  installed_ = true;
}

WindowSizeSignal::~WindowSizeSignal() {
  if (!installed_) return;
  sigaction(SIGWINCH, &gPreviousWinch, nullptr);
  const int writeFd = gWinchWrite;
  gWinchWrite = -1;
  ::close(writeFd);
  ::close(gWinchRead);
  gWinchRead = -1;
}

bool WindowSizeSignal::valid() const { return installed_; }

void WindowSizeSignal::clear() {
  if (installed_) drain(gWinchRead);
}

Waitable WindowSizeSignal::waitable() const { return installed_ ? gWinchRead : -1; }

int waitForReady(WaitEntry* entries, std::size_t count, int timeoutMs) {
  std::vector<pollfd> fds;
  std::vector<std::size_t> index;
  fds.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    entries[i].ready = false;
    if (entries[i].handle < 0) continue;
    const short events = entries[i].writable ? POLLOUT : POLLIN;
    fds.push_back(pollfd{static_cast<int>(entries[i].handle), events, 0});
    index.push_back(i);
  }
  const int result = poll(fds.data(), static_cast<nfds_t>(fds.size()), timeoutMs < 0 ? -1 : timeoutMs);
  if (result <= 0) return 0;
  int ready = 0;
  for (std::size_t k = 0; k < fds.size(); ++k) {
    if (fds[k].revents == 0) continue;
    entries[index[k]].ready = true;
    ++ready;
  }
  return ready;
}

}  // namespace platform
