#pragma once

class QLocalSocket;
struct TerminalFrame;

// kResize with {"cols", "rows"}.
TerminalFrame makeResizeFrame(int cols, int rows);

// Sends kResize when the console's size differs from the one last sent and remembers it. False
// only when a resize had to be sent and could not be.
bool sendResizeIfChanged(QLocalSocket& socket, int& lastCols, int& lastRows);
