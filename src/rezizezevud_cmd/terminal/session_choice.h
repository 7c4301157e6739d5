#pragma once

#include <QString>
#include <cstdint>

class QLocalSocket;
class FrameReceiveBuffer;
struct TermOptions;

// Which remote session to open: a new random one, the one asked for, or a detached one found on
// the device. Session id 0 leaves the choice to the remote side.
struct SessionChoice {
  std::uint32_t sessionId = 0;
  QString resumeShell;  // the shell of a resumed session; empty otherwise
};

SessionChoice chooseSession(QLocalSocket& socket, FrameReceiveBuffer& buffer, const TermOptions& options);

// A random session id that is never 0 (0 means "none chosen").
std::uint32_t randomSessionId();
