#include "terminal_bridge.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QLocalSocket>
#include <QTimer>
#include <limits>

#include "session_registry.h"
#include "sim_context.h"
#include "sim_log.h"
#include "sim_state.h"
#include "terminal_frame_names.h"

namespace {

const char* const kProgressKeys[] = {"initializing_session", "discovering_device",
                                     "establishing_channel", "optimizing_connection",
                                     "completing_handshake"};
constexpr int kProgressSteps = sizeof kProgressKeys / sizeof kProgressKeys[0];
// Qt stops reading the socket once this much is unread, so a paused bridge pushes back on the tool.
constexpr qint64 kSocketReadBuffer = 1024 * 1024;
constexpr int kMaxTerminalSide = 10000;

int terminalSide(const QJsonValue& value, int fallback) {
  const int n = value.toInt(0);
  return n >= 1 && n <= kMaxTerminalSide ? n : fallback;
}

// A JSON number that is a whole value in the unsigned 32-bit range.
bool sessionIdFrom(const QJsonValue& value, quint32& id) {
  if (!value.isDouble()) return false;
  const double d = value.toDouble();
  if (d < 0 || d > std::numeric_limits<quint32>::max() ||
      d != static_cast<double>(static_cast<quint32>(d))) {
    return false;
  }
  id = static_cast<quint32>(d);
  return true;
}

}  // namespace

bool TerminalBridge::checkRequest(SimState& state, const QString& requestJson, QString& deviceId,
                                  QByteArray& refusal) {
  QJsonObject request;
  if (!parseJsonObject(requestJson.toUtf8(), request) || !request.value("device_id").isString()) {
    refusal = "resp:error:invalid terminal request: expected {\"device_id\":...}";
    return false;
  }
  deviceId = request.value("device_id").toString();
  const SimDevice* device = state.findDevice(deviceId);
  if (!state.loggedIn)
    refusal = "resp:error:not logged in";
  else if (!device)
    refusal = "resp:error:device not found: " + deviceId.toUtf8();
  else if (!device->online)
    refusal = "resp:error:device offline: " + device->name.toUtf8();
  return refusal.isEmpty();
}

TerminalBridge::TerminalBridge(QLocalSocket* socket, SimContext& context, QString deviceId,
                               QString tag, QObject* parent)
    : QObject(parent),
      socket_(socket),
      context_(context),
      deviceId_(std::move(deviceId)),
      tag_(std::move(tag)),
      gate_(context.state.findDevice(deviceId_)->terminal) {
  socket_->setReadBufferSize(kSocketReadBuffer);
  connect(socket_, &QLocalSocket::readyRead, this, &TerminalBridge::onReadyRead);
  connect(socket_, &QLocalSocket::bytesWritten, this, &TerminalBridge::onBytesWritten);
}

TerminalBridge::~TerminalBridge() {
  if (session_) {
    simTrace(tag_ + QStringLiteral(" detached from session %1").arg(session_->id()));
    session_->detach();
  }
}

void TerminalBridge::start() { sendNextProgress(); }

void TerminalBridge::sendNextProgress() {
  if (progressStep_ < kProgressSteps) {
    const QByteArray line = QByteArrayLiteral("progress:") + kProgressKeys[progressStep_++] + '\n';
    simTrace(tag_ + QStringLiteral(" -> ") + printableBytes(line));
    socket_->write(line);
    QTimer::singleShot(context_.state.progressDelayMs, this, &TerminalBridge::sendNextProgress);
    return;
  }
  simTrace(tag_ + QStringLiteral(" -> resp:OK"));
  socket_->write("resp:OK");
  frameMode_ = true;
  processRecords();
}

void TerminalBridge::onReadyRead() {
  if (inputPaused()) return;
  buffer_.append(socket_->readAll());
  processRecords();
}

void TerminalBridge::onBytesWritten() {
  if (session_ && socket_->bytesToWrite() <= kOutputLowWater) session_->resumeOutput();
}

bool TerminalBridge::inputPaused() const { return session_ && session_->inputBacklogged(); }

void TerminalBridge::processRecords() {
  if (!frameMode_ || closing_) return;
  QByteArray bytes;
  while (!inputPaused() && buffer_.takeRecord(bytes)) {
    TerminalFrame frame;
    if (!decodeFrame(bytes, frame)) {
      simTrace(tag_ + QStringLiteral(" <- undecodable frame of %1 bytes").arg(bytes.size()));
      sendCode(kError, 400, QStringLiteral("malformed frame"));
      continue;
    }
    handleFrame(frame);
    if (closing_) return;
  }
  if (buffer_.corrupt()) {
    // Nothing after a bad length can be framed again: say so and hang up.
    sendCode(kError, 400, QStringLiteral("corrupt frame stream"));
    closing_ = true;
    socket_->disconnectFromServer();
  }
}

void TerminalBridge::traceReceived(const TerminalFrame& frame) const {
  // Building a trace costs more than handling the frame: only when someone reads it.
  if (!simVerbose()) return;
  if (frame.type == kStdin || frame.type == kOutput) {
    simTrace(tag_ + QStringLiteral(" <- %1 %2 bytes: %3")
                        .arg(frameTypeName(frame.type))
                        .arg(frame.payload.size())
                        .arg(printableBytes(frame.payload, 80)));
  } else {
    simTrace(tag_ + QStringLiteral(" <- %1 session=%2 %3")
                        .arg(frameTypeName(frame.type))
                        .arg(frame.sessionId)
                        .arg(printableBytes(frame.payload)));
  }
}

void TerminalBridge::handleFrame(const TerminalFrame& frame) {
  traceReceived(frame);
  switch (frame.type) {
    case kOpenReq:
      return handleOpen(frame);
    case kUnlockReq:
      return handleUnlock(frame);
    case kStdin:
      if (session_) session_->writeInput(frame.payload);
      return;
    case kResize:
      return handleResize(frame);
    case kSignal:
      return handleSignal(frame);
    case kListSessionsReq:
      return handleList();
    case kKillSessionReq:
      return handleKill(frame);
    default:
      sendCode(kError, 400, QStringLiteral("unsupported frame type %1").arg(frame.type));
  }
}

void TerminalBridge::handleOpen(const TerminalFrame& frame) {
  QJsonObject request;
  if (!parseJsonObject(frame.payload, request)) {
    return sendCode(kOpenResp, 400, QStringLiteral("invalid open request"));
  }
  if (session_) return sendCode(kOpenResp, 409, QStringLiteral("a session is already open here"));
  const OpenGate::Decision decision = gate_.onOpenRequest();
  if (decision.verdict == OpenGate::Verdict::kFrameError) {
    return sendCode(kError, decision.code, decision.message);
  }
  if (decision.verdict == OpenGate::Verdict::kAnswer) {
    return sendCode(kOpenResp, decision.code, decision.message);
  }
  cols_ = terminalSide(request.value("cols"), cols_);
  rows_ = terminalSide(request.value("rows"), rows_);
  const SessionRegistry::OpenResult opened = context_.sessions.open(
      deviceId_, frame.sessionId, request.value("shell").toString(), cols_, rows_);
  if (!opened.session) return sendCode(kOpenResp, opened.code, opened.message);
  sendCode(kOpenResp, 0, QString(), opened.session->id());
  attachTo(opened.session);
}

void TerminalBridge::attachTo(ShellSession* session) {
  session_ = session;
  simTrace(tag_ +
           QStringLiteral(" attached to session %1 (%2)").arg(session->id()).arg(session->shell()));
  drainedConnection_ =
      connect(session, &ShellSession::inputDrained, this, [this] { onReadyRead(); });
  session->attach(this);
}

void TerminalBridge::handleUnlock(const TerminalFrame& frame) {
  QJsonObject request;
  if (!parseJsonObject(frame.payload, request) || !request.value("password").isString()) {
    return sendCode(kUnlockResp, 400, QStringLiteral("invalid unlock request"));
  }
  const OpenGate::Decision decision = gate_.onUnlockRequest(request.value("password").toString());
  sendCode(kUnlockResp, decision.code, decision.message, frame.sessionId);
}

void TerminalBridge::handleResize(const TerminalFrame& frame) {
  QJsonObject request;
  if (!parseJsonObject(frame.payload, request)) return;
  cols_ = terminalSide(request.value("cols"), cols_);
  rows_ = terminalSide(request.value("rows"), rows_);
  if (session_) session_->resize(cols_, rows_);
}

void TerminalBridge::handleSignal(const TerminalFrame& frame) {
  QJsonObject request;
  if (!parseJsonObject(frame.payload, request)) return;
  if (session_ && request.value("sig").toString() == QLatin1String("SIGINT")) session_->interrupt();
}

void TerminalBridge::handleList() {
  const QJsonArray sessions = context_.sessions.list(deviceId_);
  send(makeRawFrame(kListSessionsResp, QJsonDocument(sessions).toJson(QJsonDocument::Compact)));
}

void TerminalBridge::handleKill(const TerminalFrame& frame) {
  QJsonObject request;
  quint32 id = 0;
  if (!parseJsonObject(frame.payload, request) || !sessionIdFrom(request.value("session_id"), id)) {
    return sendCode(kKillSessionResp, 400, QStringLiteral("invalid kill-session request"));
  }
  if (!context_.sessions.kill(deviceId_, id)) {
    return sendCode(kKillSessionResp, 1, QStringLiteral("session not found: %1").arg(id));
  }
  sendCode(kKillSessionResp, 0, QString());
}

void TerminalBridge::sessionOutput(const QByteArray& bytes) { send(makeRawFrame(kOutput, bytes)); }

void TerminalBridge::sessionExited(int exitCode) {
  disconnect(drainedConnection_);
  const quint32 id = session_ ? session_->id() : 0;
  session_ = nullptr;
  send(makeJsonFrame(kExit, QJsonObject{{"exit_code", exitCode}}));
  simTrace(tag_ + QStringLiteral(" session %1 ended with %2").arg(id).arg(exitCode));
  // Frames held back while the shell was not taking input can go on now.
  QTimer::singleShot(0, this, &TerminalBridge::onReadyRead);
}

bool TerminalBridge::outputCongested() const { return socket_->bytesToWrite() > kOutputHighWater; }

void TerminalBridge::traceSent(const TerminalFrame& frame) const {
  if (!simVerbose()) return;
  if (frame.type == kOutput) {
    simTrace(tag_ + QStringLiteral(" -> kOutput %1 bytes: %2")
                        .arg(frame.payload.size())
                        .arg(printableBytes(frame.payload, 80)));
  } else {
    simTrace(tag_ + QStringLiteral(" -> %1 %2")
                        .arg(frameTypeName(frame.type))
                        .arg(printableBytes(frame.payload)));
  }
}

void TerminalBridge::send(const TerminalFrame& frame) {
  QByteArray record;
  if (!encodeRecord(frame, record)) return;
  traceSent(frame);
  socket_->write(record);
  // Out now rather than on the next pass of the event loop: a typed key's echo is waiting.
  socket_->flush();
}

void TerminalBridge::sendCode(std::uint8_t type, int code, const QString& message,
                              quint32 sessionId) {
  TerminalFrame frame = makeJsonFrame(type, QJsonObject{{"code", code}, {"message", message}});
  frame.sessionId = sessionId;
  send(frame);
}
