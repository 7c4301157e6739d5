#include "rezizezevud_cmd/terminal/session_open.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <chrono>
#include <thread>

#include "rezizezevud_cmd/terminal/attach_session.h"
#include "rezizezevud_cmd/terminal/session_log.h"
#include "rezizezevud_cmd/terminal/session_messages.h"
#include "rezizezevud_cmd/terminal/session_unlock.h"
#include "rezizezevud_cmd/terminal/terminal_bridge.h"
#include "rezizezevud_cmd/terminal/terminal_frame.h"

namespace {

constexpr int kOpenAttempts = 12;

// Answer codes of kOpenResp besides 0 (open).
constexpr int kLockedOrNotLoggedIn = 401;
constexpr int kMacNotLoggedIn = 402;
constexpr int kRemoteDisconnected = 403;
constexpr int kOsUnsupported = 501;
constexpr int kNotReady = 503;
constexpr int kClientTooOld = 1004;
// Results of waitOpenResponse below 0.
constexpr int kFailureReported = -1;
constexpr int kNoAnswer = -2;

PhaseOutcome genericFailure(int code, const QString& openMessage) {
  if (openMessage.isEmpty()) {
    printErrorLine(QStringLiteral("Error: Open failed (code %1)").arg(code));
  } else {
    printErrorLine(QStringLiteral("Error: Open failed (code %1): %2").arg(QString::number(code), openMessage));
  }
  return PhaseOutcome::end(kTerminalFailed);
}

PhaseOutcome noAnswer() {
  printErrorLine(QStringLiteral("Error: Timeout waiting for open response"));
  return PhaseOutcome::end(kTimeout);
}

PhaseOutcome retriesExhausted(int lastCode, const QString& openMessage) {
  if (lastCode == kLockedOrNotLoggedIn) {
    const QString text = QString::fromUtf8(u8"Error: Device session unavailable \u2014 device may have re-locked");
    printErrorLine(openMessage.isEmpty() ? text : text + QStringLiteral(" (%1)").arg(openMessage));
  } else if (openMessage.isEmpty()) {
    printErrorLine(QStringLiteral("Error: Device failed to become ready"));
  } else {
    printErrorLine(QStringLiteral("Error: Device failed to become ready: %1 (code %2)")
                       .arg(openMessage, QString::number(kNotReady)));
  }
  return PhaseOutcome::end(kTerminalFailed);
}

// The remote side is getting ready (after an unlock, or busy): the same request again, paced.
// After an unlock the first retry goes out at once.
PhaseOutcome retryOpen(QLocalSocket& socket, FrameReceiveBuffer& buffer, const TerminalFrame& request,
                       QString& openMessage, bool pauseBeforeFirst, const AttachTimings& timings) {
  int lastCode = 0;
  for (int attempt = 1; attempt <= kOpenAttempts; ++attempt) {
    if (attempt > 1 || pauseBeforeFirst) {
      std::this_thread::sleep_for(std::chrono::milliseconds(timings.retryPauseMs));
    }
    printErrorLine(sessionText(kMsgStartingAttempt)
                       .arg(QString::number(attempt), QString::number(kOpenAttempts)));
    if (!sendFrame(socket, request, QStringLiteral("Error: failed to re-send open frame"))) {
      return PhaseOutcome::end(kTerminalFailed);
    }
    lastCode = waitOpenResponse(socket, buffer, openMessage, timings.openTimeoutMs);
    switch (lastCode) {
      case 0:
        return PhaseOutcome::next();
      case kFailureReported:
        return PhaseOutcome::end(kTerminalFailed);
      case kNoAnswer:
        return noAnswer();
      case kLockedOrNotLoggedIn:
        SESSION_LOG(loglevel::kInfo) << "term open retry got code 401 (session not ready / IPC unavailable)"
                                     << ", attempt " << attempt << "/" << kOpenAttempts;
        break;
      case kNotReady:
        SESSION_LOG(loglevel::kInfo) << "term open retry got code 503 (retryable open failure)"
                                     << ", attempt " << attempt << "/" << kOpenAttempts;
        break;
      default:
        if (lastCode < 0) return PhaseOutcome::end(kTerminalFailed);
        return genericFailure(lastCode, openMessage);
    }
  }
  return retriesExhausted(lastCode, openMessage);
}

PhaseOutcome refuse(MessageId message) {
  printSessionLine(message);
  return PhaseOutcome::end(kTerminalFailed);
}

}  // namespace

TerminalFrame buildOpenRequest(const QString& shell, int cols, int rows, std::uint32_t sessionId) {
  TerminalFrame request = makeJsonFrame(kOpenReq, QJsonObject{{QStringLiteral("shell"), shell},
                                                              {QStringLiteral("cols"), cols},
                                                              {QStringLiteral("rows"), rows},
                                                              {QStringLiteral("option"), QStringLiteral("verify")}});
  request.sessionId = sessionId;
  return request;
}

void switchOpenOptionToNone(TerminalFrame& request) {
  QJsonObject payload;
  parseJsonObject(request.payload, payload);
  payload.insert(QStringLiteral("option"), QStringLiteral("none"));
  request.payload = QJsonDocument(payload).toJson(QJsonDocument::Compact);
}

PhaseOutcome openSession(QLocalSocket& socket, FrameReceiveBuffer& buffer, TerminalFrame& request,
                         const AttachTimings& timings) {
  printSessionLine(kMsgStarting);
  if (!sendFrame(socket, request, QStringLiteral("Error: failed to send open frame"))) {
    return PhaseOutcome::end(kTerminalFailed);
  }
  QString openMessage;
  const int firstCode = waitOpenResponse(socket, buffer, openMessage, timings.openTimeoutMs);
  switch (firstCode) {
    case 0:
      return PhaseOutcome::next();
    case kClientTooOld:
      SESSION_LOG(loglevel::kError) << "term open got 1004 (client_version_too_low) on kOpenResp"
                                    << ", message='" << openMessage << "'";
      return refuse(kMsgClientTooOld);
    case kMacNotLoggedIn:
      printSessionLine(kMsgMacNotLoggedIn);
      return refuse(kMsgLoginAndRetry);
    case kOsUnsupported:
      return refuse(kMsgOsUnsupported);
    case kRemoteDisconnected:
      return refuse(kMsgRemoteDisconnected);
    case kLockedOrNotLoggedIn: {
      const PhaseOutcome unlocked =
          unlockDevice(socket, buffer, openMessage, request.sessionId, timings.unlockTimeoutMs);
      if (!unlocked.proceed) return unlocked;
      switchOpenOptionToNone(request);
      SESSION_LOG(loglevel::kInfo) << "terminal open retry: switching option to 'none' after successful unlock";
      return retryOpen(socket, buffer, request, openMessage, false, timings);
    }
    case kNotReady:
      printErrorLine(openMessage.isEmpty()
                         ? QStringLiteral("Terminal not ready, retrying...")
                         : QStringLiteral("Terminal not ready: %1, retrying...").arg(openMessage));
      return retryOpen(socket, buffer, request, openMessage, true, timings);
    case kNoAnswer:
      return noAnswer();
    default:
      if (firstCode <= 0) return PhaseOutcome::end(kTerminalFailed);
      return genericFailure(firstCode, openMessage);
  }
}
