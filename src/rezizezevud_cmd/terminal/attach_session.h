#pragma once

class QLocalSocket;
class FrameReceiveBuffer;
struct TermOptions;

// The waits of an interactive session, in milliseconds. Tests shorten them; the tool uses these.
struct AttachTimings {
  int openTimeoutMs = 30000;     // for each kOpenResp
  int unlockTimeoutMs = 30000;   // for each kUnlockResp
  int retryPauseMs = 2000;       // between two open retries
  int stdinGateDelayMs = 1500;   // redirected input waits this long for the shell's first output
};

// The interactive remote shell on a bridged connection: chooses or resumes a session, opens it
// (unlocking the device and retrying as needed), runs it until the remote shell ends, and returns
// the remote shell's exit code, kTimeout or kTerminalFailed. The console is restored on every path.
int handleTermAttachSession(QLocalSocket& socket, FrameReceiveBuffer& buffer,
                            const TermOptions& options, int cols, int rows,
                            const AttachTimings& timings = AttachTimings());
