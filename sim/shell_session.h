#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <memory>

#include "output_history.h"

class PtyProcess;
class QSocketNotifier;
class SessionSink;

// One shell in its pseudo-terminal. It outlives the connection that opened it: with no sink
// attached it keeps running and its output goes only to the history, which is replayed to the
// next tool that attaches.
class ShellSession : public QObject {
  Q_OBJECT
 public:
  enum class State { kRunning, kDetached, kExited };

  static constexpr int kReadChunk = 64 * 1024;
  static constexpr int kHistoryBytes = 64 * 1024;
  static constexpr int kInputHighWater = 1024 * 1024;

  ShellSession(quint32 id, QString deviceId, QString shell, std::unique_ptr<PtyProcess> process);
  ~ShellSession() override;

  quint32 id() const { return id_; }
  const QString& deviceId() const { return deviceId_; }
  const QString& shell() const { return shell_; }
  State state() const;
  qint64 lastActiveMs() const { return lastActiveMs_; }

  // Replays the history to the sink, then streams new output to it. A session whose shell has
  // already ended reports the exit right after the replay.
  void attach(SessionSink* sink);
  void detach();

  void writeInput(const QByteArray& bytes);
  void resize(int cols, int rows);
  void interrupt();
  void resumeOutput();
  // True while more typed input waits than the terminal has taken; the sender should pause.
  bool inputBacklogged() const { return pendingInputSize() > kInputHighWater; }

  // Reaps the shell if it has ended (called when some child has ended).
  void checkExited();
  // Ends the shell now; an attached sink is told its exit code.
  void terminate();

 signals:
  // The exit has been reported to a sink: the session has no further use.
  void finished(quint32 id);
  void inputDrained();

 private:
  void onReadable();
  void onWritable();
  // Reads one chunk (or, with drainAll, everything the terminal holds now) and stops reading
  // while the sink is congested.
  void readAvailable(bool drainAll);
  void flushInput();
  int pendingInputSize() const { return pendingInput_.size() - inputOffset_; }
  void deliver(const QByteArray& bytes);
  void finish();
  void touch();

  quint32 id_;
  QString deviceId_;
  QString shell_;
  std::unique_ptr<PtyProcess> process_;
  QSocketNotifier* readNotifier_ = nullptr;
  QSocketNotifier* writeNotifier_ = nullptr;
  SessionSink* sink_ = nullptr;
  OutputHistory history_{kHistoryBytes};
  QByteArray pendingInput_;
  int inputOffset_ = 0;
  bool outputClosed_ = false;
  bool exited_ = false;
  qint64 lastActiveMs_ = 0;
};
