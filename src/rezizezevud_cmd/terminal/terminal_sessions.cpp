#include "rezizezevud_cmd/terminal/terminal_sessions.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QVariant>

#include "logutil/log_util.h"
#include "rezizezevud_cmd/console_output.h"
#include "rezizezevud_cmd/exit_codes.h"
#include "rezizezevud_cmd/terminal/terminal_frame.h"

namespace {

// The list answer as an array; false when it does not parse or is something else.
bool parseSessionArray(const QByteArray& payload, QJsonArray& sessions) {
  QJsonParseError error{};
  const QJsonDocument document = QJsonDocument::fromJson(payload, &error);
  if (error.error != QJsonParseError::NoError || !document.isArray()) return false;
  sessions = document.array();
  return true;
}

// The "message" of a kError, or the reader's own words when there is none.
QString errorFrameMessage(const TerminalFrame& frame, const QString& fallback) {
  QJsonObject object;
  if (!parseJsonObject(frame.payload, object)) return fallback;
  return object.value(QStringLiteral("message")).toString(fallback);
}

void printSessionTable(const QJsonArray& sessions) {
  printLine(QStringLiteral("SESSION_ID\tSHELL\tSTATE\tLAST_ACTIVE"));
  for (const QJsonValue& value : sessions) {
    const SessionRecord record = SessionRecord::fromJson(value);
    // Joined, not filled in with arg(): a "%1" inside a listed value must print as it stands.
    const QChar tab = QLatin1Char('\t');
    printLine(QString::number(record.sessionId) + tab + record.shell + tab + record.state + tab +
              QString::number(static_cast<quint64>(record.lastActiveMs)));
  }
}

// The outcome of a list or kill wait that no answer ended.
int reportWaitFailure(AwaitResult outcome, const char* timeoutMessage) {
  if (outcome == AwaitResult::kTimedOut) {
    printErrorLine(QString::fromLatin1(timeoutMessage));
    return kTimeout;
  }
  printErrorLine(QStringLiteral("Error: terminal disconnected"));
  return kTerminalFailed;
}

}  // namespace

SessionRecord SessionRecord::fromJson(const QJsonValue& value) {
  const QJsonObject object = value.toObject();
  SessionRecord record;
  record.sessionId = object.value(QStringLiteral("session_id")).toVariant().toUInt();
  record.shell = object.value(QStringLiteral("shell")).toString();
  record.state = object.value(QStringLiteral("state")).toString();
  record.lastActiveMs = object.value(QStringLiteral("last_active_ms")).toVariant().toLongLong();
  return record;
}

int listSessions(QLocalSocket& socket, FrameReceiveBuffer& buffer, int timeoutMs) {
  if (!sendFrame(socket, makeRawFrame(kListSessionsReq, QByteArray()),
                 QStringLiteral("Error: failed to send list-sessions request"))) {
    return kTerminalFailed;
  }
  int result = kSuccess;
  const AwaitResult outcome =
      awaitFrame(socket, buffer, timeoutMs, [&](const TerminalFrame& frame) {
        if (frame.type == kListSessionsResp) {
          QJsonArray sessions;
          if (!parseSessionArray(frame.payload, sessions)) {
            // An answer in a shape this tool does not know is still the user's information.
            printLine(QString::fromUtf8(frame.payload));
          } else if (sessions.isEmpty()) {
            printLine(QStringLiteral("No active sessions."));
          } else {
            printSessionTable(sessions);
          }
          result = kSuccess;
          return true;
        }
        if (frame.type == kError) {
          printErrorLine(QStringLiteral("Error: %1")
                             .arg(errorFrameMessage(frame, QStringLiteral("list-sessions error"))));
          result = kTerminalFailed;
          return true;
        }
        return false;
      });
  if (outcome != AwaitResult::kHandled) {
    return reportWaitFailure(outcome, "Error: Timeout waiting for list-sessions response");
  }
  return result;
}

int killSession(QLocalSocket& socket, FrameReceiveBuffer& buffer, std::uint32_t sessionId,
                int timeoutMs) {
  const QJsonObject request{{QStringLiteral("session_id"), static_cast<qint64>(sessionId)}};
  if (!sendFrame(socket, makeJsonFrame(kKillSessionReq, request),
                 QStringLiteral("Error: failed to send kill-session request"))) {
    return kTerminalFailed;
  }
  int result = kSuccess;
  const AwaitResult outcome =
      awaitFrame(socket, buffer, timeoutMs, [&](const TerminalFrame& frame) {
        if (frame.type == kKillSessionResp) {
          QJsonObject answer;
          if (!parseJsonObject(frame.payload, answer)) {
            printErrorLine(QStringLiteral("Error: invalid kill-session response"));
            result = kTerminalFailed;
            return true;
          }
          const int code = answer.value(QStringLiteral("code")).toInt(-1);
          const QString message = answer.value(QStringLiteral("message")).toString();
          if (code == 0) {
            printLine(message.isEmpty() ? QStringLiteral("Session killed.") : message);
            result = kSuccess;
          } else {
            printErrorLine(
                QStringLiteral("Error: %1")
                    .arg(message.isEmpty() ? QStringLiteral("kill-session failed") : message));
            result = kTerminalFailed;
          }
          return true;
        }
        if (frame.type == kError) {
          printErrorLine(QStringLiteral("Error: %1")
                             .arg(errorFrameMessage(frame, QStringLiteral("kill-session error"))));
          result = kTerminalFailed;
          return true;
        }
        return false;
      });
  if (outcome != AwaitResult::kHandled) {
    return reportWaitFailure(outcome, "Error: Timeout waiting for kill-session response");
  }
  return result;
}

ResumeCandidate probeResumableSession(QLocalSocket& socket, FrameReceiveBuffer& buffer,
                                      const QString& requestedShell, bool shellGiven,
                                      int timeoutMs) {
  if (!sendFrame(socket, makeRawFrame(kListSessionsReq, QByteArray()),
                 QStringLiteral("Error: failed to send list-sessions probe"))) {
    LOG_WARN << "probeResumableSession: failed to send kListSessionsReq, fallback to new session";
    return {};
  }
  // The log lines are written here rather than in the frame handler, so that they carry this
  // function's name.
  enum class Answer { kNone, kList, kUnreadableList, kError } answer = Answer::kNone;
  QJsonArray sessions;
  const AwaitResult outcome =
      awaitFrame(socket, buffer, timeoutMs, [&](const TerminalFrame& frame) {
        if (frame.type == kListSessionsResp) {
          answer =
              parseSessionArray(frame.payload, sessions) ? Answer::kList : Answer::kUnreadableList;
          return true;
        }
        if (frame.type == kError) {
          answer = Answer::kError;
          return true;
        }
        return false;
      });
  if (outcome == AwaitResult::kTimedOut) {
    LOG_WARN
        << "probeResumableSession: timeout waiting for kListSessionsResp, fallback to new session";
    return {};
  }
  if (outcome == AwaitResult::kDisconnected) {
    LOG_WARN << "probeResumableSession: socket disconnected, fallback to new session";
    return {};
  }
  switch (answer) {
    case Answer::kList:
      return selectResumableSession(sessions, requestedShell, shellGiven);
    case Answer::kUnreadableList:
      LOG_WARN
          << "probeResumableSession: failed to parse ListSessionsResp, fallback to new session";
      return {};
    case Answer::kError:
      LOG_WARN << "probeResumableSession: received kError, fallback to new session";
      return {};
    case Answer::kNone:
      break;
  }
  return {};
}

ResumeCandidate selectResumableSession(const QJsonArray& sessions, const QString& requestedShell,
                                       bool shellGiven) {
  bool sawRunning = false;
  bool haveBest = false;
  ResumeCandidate best;
  std::int64_t bestLastActive = 0;
  for (const QJsonValue& value : sessions) {
    if (!value.isObject()) continue;
    const SessionRecord record = SessionRecord::fromJson(value);
    if (record.state == QLatin1String("exited")) continue;
    // A running session means the device's terminal is in use: then nothing is resumed.
    if (record.state == QLatin1String("running")) {
      sawRunning = true;
      continue;
    }
    if (shellGiven && record.shell.compare(requestedShell, Qt::CaseInsensitive) != 0) continue;
    if (record.sessionId == 0) continue;
    // Strictly greater: among equals the first listed wins.
    if (!haveBest || record.lastActiveMs > bestLastActive) {
      haveBest = true;
      best = {record.sessionId, record.shell};
      bestLastActive = record.lastActiveMs;
    }
  }
  if (sawRunning || !haveBest) return {};
  return best;
}
