#include "rezizezevud_cmd/platform/console_input.h"

#include <cerrno>
#include <poll.h>
#include <unistd.h>

namespace platform {
namespace {

// A paste arrives as one burst; taking it in large reads keeps it in few frames.
constexpr std::size_t kReadChunk = 16384;
constexpr std::size_t kMaxPerCall = 65536;

bool hasWaitingInput(int fd) {
  pollfd p{fd, POLLIN, 0};
  int r;
  do {
    r = poll(&p, 1, 0);
  } while (r < 0 && errno == EINTR);
  return r > 0;
}

}  // namespace

ConsoleInputBatch readConsoleInput(ConsoleHandle handle) {
  ConsoleInputBatch batch;
  if (handle < 0) return batch;
  const int fd = static_cast<int>(handle);
  // The descriptor stays blocking (it is shared with the shell the tool was started from); a
  // read only follows a poll that saw input, so it returns at once with what is there.
  while (batch.bytes.size() < kMaxPerCall && hasWaitingInput(fd)) {
    char buffer[kReadChunk];
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n > 0) {
      batch.bytes.append(buffer, static_cast<std::size_t>(n));
      continue;
    }
    if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) continue;
    batch.closed = true;
    break;
  }
  return batch;
}

bool readConsoleByte(ConsoleHandle handle, char& byte) {
  if (handle < 0) return false;
  for (;;) {
    const ssize_t n = ::read(static_cast<int>(handle), &byte, 1);
    if (n == 1) return true;
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      pollfd p{static_cast<int>(handle), POLLIN, 0};
      poll(&p, 1, -1);
      continue;
    }
    return false;
  }
}

}  // namespace platform
