#pragma once

struct TerminalFrame;

// What the tool does with kOutput, kExit and kError wherever it reads frames during a session:
// output is written unchanged, kExit ends the session (with its exit code when readable), kError
// is printed and ends it. Returns false only for kError.
bool handleReceivedFrame(const TerminalFrame& frame, bool& running, bool& gotExit, int& exitCode);
