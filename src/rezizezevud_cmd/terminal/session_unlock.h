#pragma once

#include <QString>
#include <cstdint>

#include "rezizezevud_cmd/terminal/session_outcome.h"

class QLocalSocket;
class FrameReceiveBuffer;

// The device answered the first open request with "locked or not logged in": explains which,
// asks for the device password (three attempts) and unlocks it. next() once unlocked; otherwise
// the session ends with the outcome's exit code (the remote shell's own when kExit came).
PhaseOutcome unlockDevice(QLocalSocket& socket, FrameReceiveBuffer& buffer,
                          const QString& openMessage, std::uint32_t sessionId, int timeoutMs);
