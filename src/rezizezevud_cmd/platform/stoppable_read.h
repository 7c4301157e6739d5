#pragma once

#include <cstddef>

#include "rezizezevud_cmd/platform/console_handle.h"
#include "rezizezevud_cmd/platform/event_wait.h"

// A blocking read of a file or pipe on a thread of its own that another thread can always end,
// also when the stop comes between two reads.
namespace platform {

enum class ReadStatus {
  kData,     // size bytes were read
  kEnd,      // end of input, or the writing end is gone: a quiet end
  kStopped,  // stop() was called
  kError,    // any other failure; errorCode holds the system's error number
};

struct ReadResult {
  ReadStatus status = ReadStatus::kEnd;
  std::size_t size = 0;
  int errorCode = 0;
};

class StoppableRead {
 public:
  explicit StoppableRead(ConsoleHandle handle) : handle_(handle) {}
  StoppableRead(const StoppableRead&) = delete;
  StoppableRead& operator=(const StoppableRead&) = delete;

  // Waits for input or stop, then reads at most capacity bytes.
  ReadResult read(char* buffer, std::size_t capacity);
  // Any thread. The stop is kept: the read in progress and every later one return kStopped.
  void stop() { stop_.notify(); }

 private:
  ConsoleHandle handle_;
  WakeSignal stop_;
};

}  // namespace platform
