#pragma once

#include <cstddef>
#include <string>

// The process's standard streams, as the rest of the tool sees them. The logic never touches file
// descriptors or console handles itself; a Win32 back end implements this same header.
namespace platform {

enum class StdStream { kIn = 0, kOut = 1, kErr = 2 };

// True when the stream is open at all (a closed descriptor is not).
bool isOpen(StdStream stream);

// True when the stream is an interactive console (a terminal), not a file or a pipe.
bool isConsole(StdStream stream);

// Writes the bytes in a loop until all are written or a write fails; returns how many were
// written. Never raises SIGPIPE.
std::size_t writeBytes(StdStream stream, const char* data, std::size_t size);
inline std::size_t writeBytes(StdStream stream, const std::string& bytes) {
  return writeBytes(stream, bytes.data(), bytes.size());
}

// Reads one line from standard input, one byte at a time so that nothing after the line feed is
// consumed (a later reader of the same input must still see it). The line feed is not stored.
// Returns false at end of input or on an error before any byte was read.
bool readLine(std::string& line);

}  // namespace platform
