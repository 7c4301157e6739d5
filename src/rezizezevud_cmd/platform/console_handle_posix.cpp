#include "rezizezevud_cmd/platform/console_handle.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace platform {

ConsoleHandle standardHandle(StdStream stream) {
  const int fd = static_cast<int>(stream);
  return fcntl(fd, F_GETFD) == -1 ? kInvalidConsoleHandle : fd;
}

bool isTerminal(ConsoleHandle handle) {
  return handle >= 0 && isatty(static_cast<int>(handle)) == 1;
}

bool terminalSize(ConsoleHandle handle, int& cols, int& rows) {
  if (handle < 0) return false;
  winsize size{};
  if (ioctl(static_cast<int>(handle), TIOCGWINSZ, &size) != 0) return false;
  if (size.ws_col == 0 || size.ws_row == 0) return false;
  cols = size.ws_col;
  rows = size.ws_row;
  return true;
}

}  // namespace platform
