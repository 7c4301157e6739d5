#pragma once

struct TerminalFrame;

// What the tool does with kOutput, kExit and kError wherever it reads frames during a session:
// output is written unchanged, kExit ends the session (with its exit code when readable), kError
// is printed and ends it. Returns false only for kError.
bool handleReceivedFrame(const TerminalFrame& frame, bool& running, bool& gotExit, int& exitCode);

// A kExit or kError that arrives while the tool waits for an answer ends the session there:
// handled as above, it gives the exit code kExit carried, else kTerminalFailed.
int endSessionOnFrame(const TerminalFrame& frame);
