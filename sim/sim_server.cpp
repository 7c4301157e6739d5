#include "sim_server.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>

#include "client_connection.h"
#include "rezizezevud_cmd/orrinremotecmd_application.h"
#include "sim_log.h"

namespace {

constexpr int kProbeTimeoutMs = 1000;

// True when something accepts connections under the name: a live simulator or the application.
bool someoneListens() {
  QLocalSocket probe;
  probe.connectToServer(kServerName);
  const bool connected = probe.waitForConnected(kProbeTimeoutMs);
  probe.abort();
  return connected;
}

}  // namespace

SimServer::SimServer(SimContext& context, QObject* parent)
    : QObject(parent), context_(context), server_(new QLocalServer(this)) {
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  server_->setMaxPendingConnections(128);
  connect(server_, &QLocalServer::newConnection, this, &SimServer::acceptPending);
}

SimServer::~SimServer() { close(); }

bool SimServer::listen(QString& error) {
  if (someoneListens()) {
    error = QStringLiteral("another instance is already listening at ") + socketPath();
    return false;
  }
  // Nobody answered, so a socket file there is a dead instance's leftover.
  QLocalServer::removeServer(kServerName);
  if (!server_->listen(kServerName)) {
    error = QStringLiteral("cannot listen at ") + socketPath() + QStringLiteral(": ") +
            server_->errorString();
    return false;
  }
  return true;
}

void SimServer::close() {
  if (server_->isListening()) server_->close();
}

QString SimServer::socketPath() const {
  return server_->isListening() ? server_->fullServerName()
                                : QDir(QDir::tempPath()).filePath(kServerName);
}

void SimServer::acceptPending() {
  while (QLocalSocket* socket = server_->nextPendingConnection()) {
    ++connections_;
    simTrace(QStringLiteral("#%1 connected").arg(connections_));
    new ClientConnection(socket, context_, connections_, this);
  }
}
