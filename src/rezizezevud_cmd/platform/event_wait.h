#pragma once

#include <cstddef>
#include <cstdint>

// Blocking on readiness instead of sleeping: a thread waits until one of several things can be
// read (a socket, console input, a wake-up from another thread, a window-size change) or written
// (a socket with bytes still to send), or its time is up.
namespace platform {

// Something a wait can block on: a file descriptor here.
using Waitable = std::intptr_t;

// Lets one thread wake another's wait. Notifications do not count: one or many, the waitable
// stays readable until clear().
class WakeSignal {
 public:
  WakeSignal();
  ~WakeSignal();
  WakeSignal(const WakeSignal&) = delete;
  WakeSignal& operator=(const WakeSignal&) = delete;

  // False when the system could not provide one; notify and clear then do nothing.
  bool valid() const { return readFd_ >= 0; }
  // Any thread, also a signal handler; never blocks.
  void notify();
  // Takes every pending notification.
  void clear();
  Waitable waitable() const { return readFd_; }

 private:
  int readFd_ = -1;
  int writeFd_ = -1;
};

// Readable whenever the size of the terminal window has changed since the last clear(), for as
// long as it exists. At most one exists at a time.
class WindowSizeSignal {
 public:
  WindowSizeSignal();
  ~WindowSizeSignal();
  WindowSizeSignal(const WindowSizeSignal&) = delete;
  WindowSizeSignal& operator=(const WindowSizeSignal&) = delete;

  bool valid() const;
  void clear();
  Waitable waitable() const;

 private:
  bool installed_ = false;
};

struct WaitEntry {
  Waitable handle = -1;
  bool writable = false;  // ready once it takes more bytes, instead of once it has some
  bool ready = false;     // set by waitForReady; also set when it is closed or has failed
};

// Blocks until at least one entry is ready, timeoutMs pass (negative: no limit) or a signal
// arrives. Entries with a negative handle are left out. Returns the number of ready entries.
int waitForReady(WaitEntry* entries, std::size_t count, int timeoutMs);

}  // namespace platform
