#pragma once

#include "rezizezevud_cmd/exit_codes.h"

// How a phase before the running session ended: go on to the next phase, or end the whole
// session with an exit code.
struct PhaseOutcome {
  bool proceed = false;
  int exitCode = kTerminalFailed;

  static PhaseOutcome next() { return {true, kSuccess}; }
  static PhaseOutcome end(int exitCode) { return {false, exitCode}; }
};
