#include "rezizezevud_cmd/platform/process_info.h"

#include <climits>
#include <cstdlib>
#include <unistd.h>

namespace platform {

std::optional<std::string> executablePath() {
  char buffer[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer);
  // A result that fills the buffer may have been cut short.
  if (n <= 0 || n >= static_cast<ssize_t>(sizeof buffer)) return std::nullopt;
  return std::string(buffer, static_cast<std::size_t>(n));
}

long processId() { return static_cast<long>(getpid()); }

std::string userInterfaceLanguage() {
  // The order gettext uses for message catalogues: LANGUAGE (a colon-separated list; its first
  // entry), then LC_ALL, LC_MESSAGES, LANG.
  for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') continue;
    std::string text(value);
    if (std::string(name) == "LANGUAGE") text = text.substr(0, text.find(':'));
    if (!text.empty()) return text;
  }
  return std::string();
}

}  // namespace platform
