#include "logutil/log_platform.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

namespace logplatform {

std::int64_t processId() { return static_cast<std::int64_t>(::getpid()); }

std::tm localTime(std::time_t time) {
  std::tm result{};
  ::localtime_r(&time, &result);
  return result;
}

spdlog::file_event_handlers ownerOnlyFileEvents() {
  spdlog::file_event_handlers handlers;
  // spdlog opens with fopen, whose mode is 0666 less the umask. Creating the file first makes it
  // 0600 from its first moment; an existing file keeps its mode here and is fixed below.
  handlers.before_open = [](const spdlog::filename_t& name) {
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, S_IRUSR | S_IWUSR);
    if (fd >= 0) ::close(fd);
  };
  handlers.after_open = [](const spdlog::filename_t&, std::FILE* stream) {
    if (stream != nullptr) (void)::fchmod(::fileno(stream), S_IRUSR | S_IWUSR);
  };
  return handlers;
}

}  // namespace logplatform
