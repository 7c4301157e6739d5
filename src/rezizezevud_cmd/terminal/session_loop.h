#pragma once

#include "rezizezevud_cmd/platform/console_handle.h"

class QLocalSocket;
class FrameReceiveBuffer;
class StdinReader;

struct SessionLoopSetup {
  int cols = 120;  // the size sent in the first kResize
  int rows = 40;
  // Console input when there is no reader of redirected input; the invalid handle when there is
  // none at all.
  platform::ConsoleHandle consoleInput = platform::kInvalidConsoleHandle;
  StdinReader* reader = nullptr;  // redirected input, already started
  int stdinGateDelayMs = 1500;
};

// Runs the opened session: remote output to standard output as it comes, keys, Ctrl+C, window
// size changes and redirected input to the remote shell, until kExit (its exit code, or 0 when it
// carries none), or kError, a lost connection or a broken stream (kTerminalFailed). Waits on the
// socket, the input and the window size instead of polling them.
int runSessionLoop(QLocalSocket& socket, FrameReceiveBuffer& buffer, const SessionLoopSetup& setup);
