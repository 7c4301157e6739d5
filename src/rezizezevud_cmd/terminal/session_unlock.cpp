#include "rezizezevud_cmd/terminal/session_unlock.h"

#include <QJsonObject>
#include <QLocalSocket>

#include "rezizezevud_cmd/terminal/password_input.h"
#include "rezizezevud_cmd/terminal/received_frame.h"
#include "rezizezevud_cmd/terminal/session_log.h"
#include "rezizezevud_cmd/terminal/session_messages.h"
#include "rezizezevud_cmd/terminal/terminal_frame.h"

namespace {

constexpr int kUnlockAttempts = 3;
const QString kNotLoggedIn = QStringLiteral("device_not_logged_in");
const QString kLocked = QStringLiteral("device_locked");

enum class AttemptResult { kUnlocked, kWrongPassword, kEnded };

struct Attempt {
  AttemptResult result = AttemptResult::kEnded;
  int exitCode = kTerminalFailed;
};

void explainLock(const QString& openMessage) {
  if (openMessage == kNotLoggedIn) {
    printSessionLine(kMsgNotLoggedIn);
    return;
  }
  if (openMessage != kLocked) {
    SESSION_LOG(loglevel::kWarn) << "term open got 401 with unknown message='" << openMessage
                                 << "', falling back to device-locked prompt";
  }
  printSessionLine(kMsgDeviceLocked);
}

void promptForPassword(int attempt) {
  if (attempt == 1) {
    writeStderr(sessionText(kMsgPasswordPrompt));
  } else {
    writeStderr(sessionText(kMsgPasswordPromptAttempt)
                    .arg(QString::number(attempt), QString::number(kUnlockAttempts)));
  }
}

Attempt judgeAnswer(const TerminalFrame& answer, const QString& openMessage) {
  QJsonObject object;
  if (!parseJsonObject(answer.payload, object)) {
    printErrorLine(QStringLiteral("Error: invalid unlock response"));
    return {};
  }
  switch (object.value(QStringLiteral("code")).toInt(-1)) {
    case 0:
      return {AttemptResult::kUnlocked, kSuccess};
    case 1:
      printSessionLine(kMsgWrongPassword);
      return {AttemptResult::kWrongPassword, kTerminalFailed};
    case 2:
      if (openMessage == kNotLoggedIn) {
        printSessionLine(kMsgAutoLoginTimeout);
      } else {
        printErrorLine(QStringLiteral("Error: Unlock timed out"));
      }
      return {};
    default:
      printErrorLine(QStringLiteral("Error: Unlock failed: %1")
                         .arg(object.value(QStringLiteral("message")).toString(QStringLiteral("unlock failed"))));
      return {};
  }
}

// Output shown meanwhile is the remote side's; kExit or kError end the whole session here.
Attempt awaitUnlockAnswer(QLocalSocket& socket, FrameReceiveBuffer& buffer,
                          const QString& openMessage, int timeoutMs) {
  Attempt attempt;
  const AwaitResult outcome = awaitFrame(socket, buffer, timeoutMs, [&](const TerminalFrame& frame) {
    switch (frame.type) {
      case kUnlockResp:
        attempt = judgeAnswer(frame, openMessage);
        return true;
      case kOutput:
        writeStdoutRaw(frame.payload);
        return false;
      case kExit:
      case kError:
        attempt = {AttemptResult::kEnded, endSessionOnFrame(frame)};
        return true;
      default:
        return false;
    }
  });
  switch (outcome) {
    case AwaitResult::kHandled:
      return attempt;
    case AwaitResult::kTimedOut:
      printErrorLine(QStringLiteral("Error: Timeout waiting for unlock response"));
      return {AttemptResult::kEnded, kTimeout};
    case AwaitResult::kDisconnected:
      printErrorLine(QStringLiteral("Error: terminal disconnected while waiting for unlock response"));
      return {};
  }
  return {};
}

Attempt tryPassword(QLocalSocket& socket, FrameReceiveBuffer& buffer, const QString& openMessage,
                    std::uint32_t sessionId, int attempt, int timeoutMs) {
  promptForPassword(attempt);
  const PasswordResult password = readPassword();
  if (password.cancelled) {
    printErrorLine(QStringLiteral("Cancelled"));
    return {};
  }
  if (password.text.isEmpty()) {
    printErrorLine(QStringLiteral("Error: empty password"));
    return {};
  }
  TerminalFrame request = makeJsonFrame(
      kUnlockReq, QJsonObject{{QStringLiteral("password"), QString::fromUtf8(password.text)}});
  request.sessionId = sessionId;
  if (!sendFrame(socket, request, QStringLiteral("Error: failed to send unlock request"))) return {};
  printSessionLine(kMsgUnlocking);
  return awaitUnlockAnswer(socket, buffer, openMessage, timeoutMs);
}

}  // namespace

PhaseOutcome unlockDevice(QLocalSocket& socket, FrameReceiveBuffer& buffer,
                          const QString& openMessage, std::uint32_t sessionId, int timeoutMs) {
  explainLock(openMessage);
  for (int attempt = 1; attempt <= kUnlockAttempts; ++attempt) {
    const Attempt result = tryPassword(socket, buffer, openMessage, sessionId, attempt, timeoutMs);
    if (result.result == AttemptResult::kUnlocked) return PhaseOutcome::next();
    if (result.result == AttemptResult::kEnded) return PhaseOutcome::end(result.exitCode);
  }
  printSessionLine(kMsgUnlockMaxAttempts);
  return PhaseOutcome::end(kTerminalFailed);
}
