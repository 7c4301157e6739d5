#pragma once

#include <cstdint>

#include "rezizezevud_cmd/platform/std_streams.h"

// The OS's name for an open console, file or pipe, as the terminal session passes it around: a
// file descriptor here, a HANDLE in a Win32 back end.
namespace platform {

using ConsoleHandle = std::intptr_t;
constexpr ConsoleHandle kInvalidConsoleHandle = -1;

// The handle behind a standard stream, or kInvalidConsoleHandle when the stream is closed.
ConsoleHandle standardHandle(StdStream stream);

// True for an interactive terminal (not a file, a pipe or a closed handle).
bool isTerminal(ConsoleHandle handle);

// The visible size of the terminal behind handle. False when it is no terminal or reports no size
// (a pseudo-terminal nobody has sized reports 0 x 0).
bool terminalSize(ConsoleHandle handle, int& cols, int& rows);

}  // namespace platform
