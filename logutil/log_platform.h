#pragma once

// The few operating-system services the log utility needs, kept apart from its logic.
// log_platform_posix.cpp is the implementation built here; a Win32 one can sit beside it.

#include <spdlog/common.h>

#include <cstdint>
#include <ctime>

namespace logplatform {

// The current process id.
std::int64_t processId();

// std::localtime without its shared buffer: safe on any thread.
std::tm localTime(std::time_t time);

// spdlog file events that keep every file the log sink opens (the run's file, and each new one
// after a rotation) readable and writable by its owner only: the file is created with mode 0600
// before spdlog opens it, and its mode is set to 0600 again once it is open. Log lines hold
// verification codes.
spdlog::file_event_handlers ownerOnlyFileEvents();

}  // namespace logplatform
