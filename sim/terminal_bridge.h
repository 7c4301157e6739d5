#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QObject>
#include <QPointer>
#include <QString>

#include "open_gate.h"
#include "rezizezevud_cmd/terminal/terminal_frame.h"
#include "session_sink.h"
#include "shell_session.h"

class QLocalSocket;
struct SimContext;
struct SimState;

// A tool's terminal connection to one device: the progress lines and "resp:OK" of the bridge
// handshake, then the frame stream, through which it opens or resumes a shell session, types,
// resizes, interrupts, lists and kills sessions. The connection owns the socket; the bridge
// attaches to at most one session at a time and detaches from it when the connection goes.
class TerminalBridge : public QObject, public SessionSink {
  Q_OBJECT
 public:
  // Output waiting in the socket beyond this stops the shell's terminal from being read.
  static constexpr qint64 kOutputHighWater = 1024 * 1024;
  static constexpr qint64 kOutputLowWater = 256 * 1024;

  // The device id of a "cmd:terminal:" request's JSON, or false with the error answer to send.
  static bool checkRequest(SimState& state, const QString& requestJson, QString& deviceId,
                           QByteArray& refusal);

  TerminalBridge(QLocalSocket* socket, SimContext& context, QString deviceId, QString tag,
                 QObject* parent);
  ~TerminalBridge() override;

  // Sends the progress lines, paced by the state's delay, then "resp:OK".
  void start();

  void sessionOutput(const QByteArray& bytes) override;
  void sessionExited(int exitCode) override;
  bool outputCongested() const override;

 private:
  void sendNextProgress();
  void onReadyRead();
  void onBytesWritten();
  void processRecords();
  bool inputPaused() const;
  void traceReceived(const TerminalFrame& frame) const;
  void traceSent(const TerminalFrame& frame) const;
  void handleFrame(const TerminalFrame& frame);
  void handleOpen(const TerminalFrame& frame);
  void handleUnlock(const TerminalFrame& frame);
  void handleResize(const TerminalFrame& frame);
  void handleSignal(const TerminalFrame& frame);
  void handleKill(const TerminalFrame& frame);
  void handleList();
  void attachTo(ShellSession* session);
  void send(const TerminalFrame& frame);
  void sendCode(std::uint8_t type, int code, const QString& message, quint32 sessionId = 0);

  QLocalSocket* socket_;
  SimContext& context_;
  QString deviceId_;
  QString tag_;
  OpenGate gate_;
  FrameReceiveBuffer buffer_;
  QPointer<ShellSession> session_;
  QMetaObject::Connection drainedConnection_;
  int progressStep_ = 0;
  bool frameMode_ = false;
  bool closing_ = false;
  int cols_ = 80;
  int rows_ = 24;
};
