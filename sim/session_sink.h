#pragma once

#include <QByteArray>

// Where an attached session's output goes: the terminal connection of the tool that attached.
class SessionSink {
 public:
  virtual ~SessionSink() = default;
  virtual void sessionOutput(const QByteArray& bytes) = 0;
  // The shell has ended; the session is detached from the sink before this returns.
  virtual void sessionExited(int exitCode) = 0;
  // True while the sink holds more unsent output than it wants. The session then stops reading
  // its terminal until the sink calls ShellSession::resumeOutput.
  virtual bool outputCongested() const = 0;
};
