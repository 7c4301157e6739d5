#include "rezizezevud_cmd/platform/std_streams.h"

#include <cerrno>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

namespace platform {
namespace {

int fdOf(StdStream stream) { return static_cast<int>(stream); }

// A reader that went away must not kill the tool with SIGPIPE: a failed write is reported as a
// short count, like any other write failure. Blocked once, before the first write.
void ignoreSigpipeOnce() {
  static const bool done = [] {
    struct sigaction sa {};
    sa.sa_handler = SIG_IGN;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGPIPE, &sa, nullptr);
    return true;
  }();
  (void)done;
}

}  // namespace

bool isOpen(StdStream stream) { return fcntl(fdOf(stream), F_GETFD) != -1; }

bool isConsole(StdStream stream) { return isatty(fdOf(stream)) == 1; }

std::size_t writeBytes(StdStream stream, const char* data, std::size_t size) {
  ignoreSigpipeOnce();
  std::size_t written = 0;
  while (written < size) {
    const ssize_t n = ::write(fdOf(stream), data + written, size - written);
    if (n > 0) {
      written += static_cast<std::size_t>(n);
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      break;
    }
  }
  return written;
}

bool readLine(std::string& line) {
  line.clear();
  bool gotAny = false;
  for (;;) {
    char c = 0;
    const ssize_t n = ::read(STDIN_FILENO, &c, 1);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return gotAny;
    gotAny = true;
    if (c == '\n') return true;
    line.push_back(c);
  }
}

}  // namespace platform
