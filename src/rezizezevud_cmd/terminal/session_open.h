#pragma once

#include <QString>
#include <cstdint>

#include "rezizezevud_cmd/terminal/session_outcome.h"

class QLocalSocket;
class FrameReceiveBuffer;
struct AttachTimings;
struct TerminalFrame;

// The open request: {"shell", "cols", "rows", "option": "verify"} with the chosen session id in
// its header. The same request is sent again on every retry.
TerminalFrame buildOpenRequest(const QString& shell, int cols, int rows, std::uint32_t sessionId);

// After an unlock the remote side must not ask to verify again: "option" becomes "none", and
// everything else of the request stays.
void switchOpenOptionToNone(TerminalFrame& request);

// Sends the open request and follows the answers until the session is open (next()): unlocking
// the device when it is locked, retrying while it is not ready, or ending with the message and
// exit code each refusal calls for.
PhaseOutcome openSession(QLocalSocket& socket, FrameReceiveBuffer& buffer, TerminalFrame& request,
                         const AttachTimings& timings);
