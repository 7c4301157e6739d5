#include "rezizezevud_cmd/platform/stoppable_read.h"

#include <cerrno>
#include <poll.h>
#include <unistd.h>

namespace platform {

ReadResult StoppableRead::read(char* buffer, std::size_t capacity) {
  const int fd = static_cast<int>(handle_);
  for (;;) {
    pollfd fds[2] = {{fd, POLLIN, 0}, {static_cast<int>(stop_.waitable()), POLLIN, 0}};
    const nfds_t count = stop_.valid() ? 2 : 1;
    if (poll(fds, count, -1) < 0) {
      if (errno == EINTR) continue;
      return {ReadStatus::kError, 0, errno};
    }
    if (count == 2 && fds[1].revents != 0) return {ReadStatus::kStopped, 0, 0};
    const ssize_t n = ::read(fd, buffer, capacity);
    if (n > 0) return {ReadStatus::kData, static_cast<std::size_t>(n), 0};
    if (n == 0) return {ReadStatus::kEnd, 0, 0};
    // A descriptor left non-blocking by whoever handed it over reports EAGAIN between chunks.
    if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) continue;
    if (errno == EPIPE) return {ReadStatus::kEnd, 0, 0};
    return {ReadStatus::kError, 0, errno};
  }
}

}  // namespace platform
