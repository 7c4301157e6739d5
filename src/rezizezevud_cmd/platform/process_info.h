#pragma once

#include <optional>
#include <string>

// Facts about the running process and its user that the tool derives paths and texts from.
namespace platform {

// The full path of the running executable, or nothing when it cannot be read or is too long to
// be trusted (a truncated path would give wrong data directories).
std::optional<std::string> executablePath();

// The directory separator of this platform's paths.
constexpr char kPathSeparator = '/';

long processId();

// The user's interface language as a locale name ("zh_CN.UTF-8", "en_US"...), empty when unknown.
std::string userInterfaceLanguage();

}  // namespace platform
