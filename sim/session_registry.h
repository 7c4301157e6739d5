#pragma once

#include <QJsonArray>
#include <QObject>
#include <QString>
#include <map>
#include <memory>
#include <utility>

#include "shell_session.h"

struct SimState;

// Every shell session of every device, attached or not. Sessions are per device: a tool that
// bridges to one device sees, resumes and kills only that device's sessions.
class SessionRegistry : public QObject {
  Q_OBJECT
 public:
  struct OpenResult {
    ShellSession* session = nullptr;
    int code = 0;  // kOpenResp code when no session could be had
    QString message;
  };

  explicit SessionRegistry(const SimState& state, QObject* parent = nullptr);
  ~SessionRegistry() override;

  // The session to attach for an open request: the detached (or ended) session of that id, or a
  // new shell. Id 0 asks for a new session with an id chosen here; an unknown id makes a new
  // session with that id. A session attached to another tool is refused.
  OpenResult open(const QString& deviceId, quint32 sessionId, const QString& shell, int cols,
                  int rows);
  QJsonArray list(const QString& deviceId) const;
  bool kill(const QString& deviceId, quint32 sessionId);
  // Reaps every shell that has ended.
  void reapExited();
  void terminateAll();
  int size() const { return static_cast<int>(sessions_.size()); }

 private:
  using Key = std::pair<QString, quint32>;

  OpenResult create(const QString& deviceId, quint32 sessionId, const QString& shell, int cols,
                    int rows);
  quint32 freshId();
  bool idInUse(quint32 id) const;
  void remove(const Key& key);

  const SimState& state_;
  std::map<Key, std::unique_ptr<ShellSession>> sessions_;
  quint32 lastId_ = 0;
};
