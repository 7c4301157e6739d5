#pragma once

#include <QJsonArray>
#include <QJsonValue>
#include <QString>
#include <cstdint>

class QLocalSocket;
class FrameReceiveBuffer;

// Shell sessions on the remote device as a whole: listing them, killing one, and finding a
// detached one to resume. All run on a bridged terminal connection and borrow its socket and
// receive buffer.

constexpr int kListSessionsTimeoutMs = 15000;
constexpr int kKillSessionTimeoutMs = 15000;
constexpr int kProbeSessionsTimeoutMs = 5000;

// One element of the session list. Values are read leniently: a missing or mistyped text reads
// as empty, a missing number as 0.
struct SessionRecord {
  std::uint32_t sessionId = 0;
  QString shell;
  QString state;
  std::int64_t lastActiveMs = 0;

  static SessionRecord fromJson(const QJsonValue& value);
};

// A detached session to resume; session id 0 (with an empty shell) means there is none.
struct ResumeCandidate {
  std::uint32_t sessionId = 0;
  QString shell;
};

// Prints the session table (or the raw answer when it is not a list). Returns 0, 5 or 6.
int listSessions(QLocalSocket& socket, FrameReceiveBuffer& buffer,
                 int timeoutMs = kListSessionsTimeoutMs);
// Ends one session by id. Returns 0, 5 or 6.
int killSession(QLocalSocket& socket, FrameReceiveBuffer& buffer, std::uint32_t sessionId,
                int timeoutMs = kKillSessionTimeoutMs);
// Asks for the session list and picks a session to resume. Never fails: every problem gives the
// empty candidate, and only a failed send reaches the console.
ResumeCandidate probeResumableSession(QLocalSocket& socket, FrameReceiveBuffer& buffer,
                                      const QString& requestedShell, bool shellGiven,
                                      int timeoutMs = kProbeSessionsTimeoutMs);
// The resume rule over the list answer: nothing while any session is running; otherwise the most
// recently active detached session (of the requested shell when one was given, letter case
// ignored), the first listed among equals.
ResumeCandidate selectResumableSession(const QJsonArray& sessions, const QString& requestedShell,
                                       bool shellGiven);
