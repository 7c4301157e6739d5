#include "signal_pipe.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QSocketNotifier>

namespace {

int gWriteFd = -1;

void onSignal(int sig) {
  const int saved = errno;
  const unsigned char byte = static_cast<unsigned char>(sig);
  (void)!write(gWriteFd, &byte, 1);
  errno = saved;
}

void install(int sig, void (*handler)(int)) {
  struct sigaction sa {};
  sa.sa_handler = handler;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART | (sig == SIGCHLD ? SA_NOCLDSTOP : 0);
  sigaction(sig, &sa, nullptr);
}

}  // namespace

SignalPipe::SignalPipe(QObject* parent) : QObject(parent) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return;
  readFd_ = fds[0];
  gWriteFd = fds[1];
  notifier_ = new QSocketNotifier(readFd_, QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, [this] { drain(); });
  for (int sig : {SIGINT, SIGTERM, SIGCHLD}) install(sig, onSignal);
  // A tool that goes away mid-write must not take the simulator with it.
  install(SIGPIPE, SIG_IGN);
}

SignalPipe::~SignalPipe() {
  for (int sig : {SIGINT, SIGTERM, SIGCHLD}) install(sig, SIG_DFL);
  if (readFd_ >= 0) {
    close(readFd_);
    close(gWriteFd);
    gWriteFd = -1;
  }
}

void SignalPipe::drain() {
  unsigned char bytes[64];
  ssize_t n;
  bool child = false;
  int termination = 0;
  while ((n = read(readFd_, bytes, sizeof bytes)) > 0) {
    for (ssize_t i = 0; i < n; ++i) {
      if (bytes[i] == SIGCHLD)
        child = true;
      else
        termination = bytes[i];
    }
  }
  // Children first, so that a shell that ended just before shutdown is reported as ended.
  if (child) emit childExited();
  if (termination) emit terminationRequested(termination);
}
