#include "client_connection.h"

#include <QLocalSocket>
#include <QTimer>

#include "business_handler.h"
#include "connect_handshake.h"
#include "sim_command.h"
#include "sim_context.h"
#include "sim_log.h"
#include "terminal_bridge.h"

namespace {

// A confirmation answer that followed its notice too closely would reach the tool in the same
// read as the notice.
constexpr int kMinFinalAnswerDelayMs = 20;

}  // namespace

ClientConnection::ClientConnection(QLocalSocket* socket, SimContext& context, int number,
                                   QObject* parent)
    : QObject(parent), socket_(socket), context_(context), tag_(QStringLiteral("#%1").arg(number)) {
  socket_->setParent(this);
  connect(socket_, &QLocalSocket::readyRead, this, &ClientConnection::onFirstRead);
  connect(socket_, &QLocalSocket::disconnected, this, [this] {
    simTrace(tag_ + QStringLiteral(" closed"));
    deleteLater();
  });
  // Data may have come with the connection itself, before the signal was connected.
  if (socket_->bytesAvailable() > 0) QTimer::singleShot(0, this, &ClientConnection::onFirstRead);
}

void ClientConnection::onFirstRead() {
  if (gotRequest_ || socket_->bytesAvailable() == 0) return;
  gotRequest_ = true;
  disconnect(socket_, &QLocalSocket::readyRead, this, &ClientConnection::onFirstRead);
  const QByteArray bytes = socket_->readAll();
  simTrace(tag_ + QStringLiteral(" <- ") + printableBytes(bytes));
  const QString text = QString::fromUtf8(bytes);
  SimCommand command;
  if (!parseSimCommand(text, command)) return answerOnce(malformedRequestAnswer().text);
  if (command.name == QLatin1String("terminal")) return startTerminal(command.argument);
  if (ConnectHandshake::handles(command)) return answerHandshake(command);
  const BusinessAnswer answer = answerBusinessCommand(context_.state, command);
  noteChange(answer.stateChanged);
  answerOnce(answer.text);
}

void ClientConnection::answerOnce(const QByteArray& answer) {
  write(answer);
  socket_->disconnectFromServer();
}

void ClientConnection::answerHandshake(const SimCommand& command) {
  const HandshakeAnswer answer = context_.handshake.answer(context_.state, command);
  noteChange(answer.stateChanged);
  if (!answer.hasFinal) return answerOnce(answer.first);
  write(answer.first);
  const QByteArray final = answer.final;
  QTimer::singleShot(qMax(answer.finalDelayMs, kMinFinalAnswerDelayMs), this,
                     [this, final] { answerOnce(final); });
}

void ClientConnection::startTerminal(const QString& requestJson) {
  QString deviceId;
  QByteArray refusal;
  if (!TerminalBridge::checkRequest(context_.state, requestJson, deviceId, refusal)) {
    return answerOnce(refusal);
  }
  auto* bridge = new TerminalBridge(socket_, context_, deviceId, tag_, this);
  bridge->start();
}

void ClientConnection::write(const QByteArray& bytes) {
  simTrace(tag_ + QStringLiteral(" -> ") + printableBytes(bytes));
  socket_->write(bytes);
}

void ClientConnection::noteChange(bool changed) {
  if (changed && context_.stateChanged) context_.stateChanged();
}
