#include "rezizezevud_cmd/terminal/console_mode_guard.h"

using platform::StdStream;

bool ConsoleModeGuard::enableVtOutput() {
  outputHandle_ = platform::standardHandle(StdStream::kOut);
  return platform::isTerminal(outputHandle_);
}

bool ConsoleModeGuard::enableRawInput() {
  inputHandle_ = platform::standardHandle(StdStream::kIn);
  if (inputHandle_ == platform::kInvalidConsoleHandle) return false;
  return inputMode_.apply(inputHandle_, platform::TerminalMode::kRawInput);
}

void ConsoleModeGuard::restoreConsole() { inputMode_.restore(); }
