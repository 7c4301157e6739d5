#pragma once

#include "rezizezevud_cmd/platform/console_handle.h"
#include "rezizezevud_cmd/platform/terminal_mode.h"

// The console state one terminal session changes, and the promise to put exactly that back: on
// restoreConsole(), on destruction, and (through the platform) when the process is killed.
class ConsoleModeGuard {
 public:
  ConsoleModeGuard() = default;
  ~ConsoleModeGuard() { restoreConsole(); }
  ConsoleModeGuard(const ConsoleModeGuard&) = delete;
  ConsoleModeGuard& operator=(const ConsoleModeGuard&) = delete;

  // True when standard output interprets VT sequences. A terminal does so already, so nothing
  // is changed here; a file or a pipe does not, and the remote output is then written as is.
  bool enableVtOutput();
  // True when standard input delivers raw key bytes: no local echo, line editing, signal keys or
  // translation, so that the remote shell sees every key.
  bool enableRawInput();
  // Puts back what enableRawInput changed. Safe to call more than once.
  void restoreConsole();

 private:
  platform::ConsoleHandle inputHandle_ = platform::kInvalidConsoleHandle;
  platform::ConsoleHandle outputHandle_ = platform::kInvalidConsoleHandle;
  platform::TerminalModeChange inputMode_;
};
