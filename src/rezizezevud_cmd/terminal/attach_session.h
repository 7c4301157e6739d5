#pragma once

class QLocalSocket;
class FrameReceiveBuffer;
struct TermOptions;

// The interactive remote shell on a bridged connection: chooses or resumes a session, opens it
// (unlocking the device and retrying as needed), runs it until the remote shell ends, and returns
// the remote shell's exit code, kTimeout or kTerminalFailed. The console is restored on every path.
int handleTermAttachSession(QLocalSocket& socket, FrameReceiveBuffer& buffer,
                            const TermOptions& options, int cols, int rows);
