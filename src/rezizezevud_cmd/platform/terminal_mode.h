#pragma once

#include "rezizezevud_cmd/platform/console_handle.h"

// Changes of a terminal's input and output settings that are always undone: by restore(), by the
// destructor, and, while a change is in force, also when the process is ended by SIGTERM, SIGHUP,
// SIGQUIT or SIGINT, so that a killed session never leaves the user's terminal raw and silent.
namespace platform {

enum class TerminalMode {
  // Every key reaches the program as the bytes the terminal encodes it as: no line editing, echo,
  // signal keys, flow control or carriage-return translation, and no output post-processing.
  kRawInput,
  // One byte at a time without echo or signal keys, for a masked prompt; output is left alone so
  // that the prompt's own line ends still return the cursor.
  kPasswordInput,
};

class TerminalModeChange {
 public:
  TerminalModeChange() = default;
  ~TerminalModeChange() { restore(); }
  TerminalModeChange(const TerminalModeChange&) = delete;
  TerminalModeChange& operator=(const TerminalModeChange&) = delete;

  // Saves the terminal's settings and switches it to mode. False, with nothing changed, when the
  // handle is no terminal or refuses the settings. Applying again while a change is in force
  // keeps the first saved settings.
  bool apply(ConsoleHandle handle, TerminalMode mode);
  // Puts the saved settings back; does nothing when nothing is changed.
  void restore();
  bool changed() const { return slot_ >= 0; }

 private:
  int slot_ = -1;
};

}  // namespace platform
