#include "session_registry.h"

#include <QDir>
#include <QJsonObject>
#include <vector>

#include "pty_process.h"
#include "shell_command.h"
#include "sim_state.h"

namespace {

const char* stateName(ShellSession::State state) {
  switch (state) {
    case ShellSession::State::kRunning:
      return "running";
    case ShellSession::State::kDetached:
      return "detached";
    case ShellSession::State::kExited:
      return "exited";
  }
  return "";
}

}  // namespace

SessionRegistry::SessionRegistry(const SimState& state, QObject* parent)
    : QObject(parent), state_(state) {}

SessionRegistry::~SessionRegistry() { terminateAll(); }

SessionRegistry::OpenResult SessionRegistry::open(const QString& deviceId, quint32 sessionId,
                                                  const QString& shell, int cols, int rows) {
  const auto it = sessionId ? sessions_.find({deviceId, sessionId}) : sessions_.end();
  if (it == sessions_.end())
    return create(deviceId, sessionId ? sessionId : freshId(), shell, cols, rows);
  ShellSession* session = it->second.get();
  if (session->state() == ShellSession::State::kRunning) {
    return {nullptr, 409, QStringLiteral("session_in_use")};
  }
  session->resize(cols, rows);
  return {session, 0, QString()};
}

SessionRegistry::OpenResult SessionRegistry::create(const QString& deviceId, quint32 sessionId,
                                                    const QString& shell, int cols, int rows) {
  if (idInUse(sessionId))
    return {nullptr, 409, QStringLiteral("session id in use on another device")};
  std::vector<std::string> argv;
  QString error;
  if (!resolveShellCommand(state_.shells, shell, argv, error)) return {nullptr, 404, error};
  std::string startError;
  auto process = PtyProcess::start(argv, QDir::homePath().toStdString(), cols, rows, startError);
  if (!process) return {nullptr, 500, QString::fromStdString(startError)};
  auto session = std::make_unique<ShellSession>(sessionId, deviceId, shell, std::move(process));
  ShellSession* raw = session.get();
  const Key key{deviceId, sessionId};
  connect(raw, &ShellSession::finished, this, [this, key](quint32) { remove(key); });
  sessions_[key] = std::move(session);
  return {raw, 0, QString()};
}

QJsonArray SessionRegistry::list(const QString& deviceId) const {
  QJsonArray out;
  for (const auto& [key, session] : sessions_) {
    if (key.first != deviceId) continue;
    out.append(QJsonObject{{"session_id", static_cast<qint64>(session->id())},
                           {"shell", session->shell()},
                           {"state", stateName(session->state())},
                           {"last_active_ms", session->lastActiveMs()}});
  }
  return out;
}

bool SessionRegistry::kill(const QString& deviceId, quint32 sessionId) {
  const auto it = sessions_.find({deviceId, sessionId});
  if (it == sessions_.end()) return false;
  ShellSession* session = it->second.get();
  // terminate() tells an attached tool; a detached session has no one to tell and goes now.
  const bool attached = session->state() == ShellSession::State::kRunning;
  session->terminate();
  if (!attached) remove(it->first);
  return true;
}

void SessionRegistry::reapExited() {
  std::vector<ShellSession*> all;
  for (const auto& entry : sessions_) all.push_back(entry.second.get());
  for (ShellSession* session : all) session->checkExited();
}

void SessionRegistry::terminateAll() {
  std::vector<ShellSession*> all;
  for (const auto& entry : sessions_) all.push_back(entry.second.get());
  for (ShellSession* session : all) session->terminate();
  sessions_.clear();
}

quint32 SessionRegistry::freshId() {
  do {
    ++lastId_;
  } while (lastId_ == 0 || idInUse(lastId_));
  return lastId_;
}

bool SessionRegistry::idInUse(quint32 id) const {
  for (const auto& entry : sessions_) {
    if (entry.first.second == id) return true;
  }
  return false;
}

// A session may end inside one of its own calls, so it is deleted once control is back in the
// event loop.
void SessionRegistry::remove(const Key& key) {
  const auto it = sessions_.find(key);
  if (it == sessions_.end()) return;
  ShellSession* session = it->second.release();
  sessions_.erase(it);
  session->deleteLater();
}
