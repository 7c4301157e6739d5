#include "rezizezevud_cmd/connect_conversation.h"

#include <utility>

#include "rezizezevud_cmd/exit_codes.h"
#include "rezizezevud_cmd/orrinremotecmd_application.h"

namespace {

ConnectStep finish(int exitCode, std::string out, std::string err) {
  ConnectStep step;
  step.kind = ConnectStep::kFinish;
  step.exitCode = exitCode;
  step.out = std::move(out);
  step.err = std::move(err);
  return step;
}

ConnectStep prompt(std::string out, std::string err) {
  ConnectStep step = finish(0, std::move(out), std::move(err));
  step.kind = ConnectStep::kPrompt;
  return step;
}

std::string local8Bit(const QString& text) { return text.toLocal8Bit().toStdString(); }

}  // namespace

ConnectConversation::ConnectConversation(const QString& deviceId, const QString& commandLineCode)
    : deviceId_(deviceId), code_(commandLineCode) {}

QString ConnectConversation::command() {
  // One pass of arg() for both fields, so a "%2" inside the device id stays as typed.
  const QString command = firstAttempt_
                              ? QStringLiteral("cmd:connect:%1:%2").arg(deviceId_, code_)
                              : QStringLiteral("cmd:input_password:%1:%2").arg(deviceId_, code_);
  firstAttempt_ = false;
  return command;
}

ConnectStep ConnectConversation::onAnswer(int channelResult, const QString& answer) {
  if (channelResult == kIpcConnectFailed) {
    return finish(kIpcConnectFailed, {}, "Error: Main application is not running\n");
  }
  if (channelResult == kTimeout) return finish(kTimeout, {}, "Error: Connection timeout\n");

  if (answer == QLatin1String("resp:need_password")) {
    codeWasWrong_ = false;
    return prompt("Verify code is required. Please enter verify code: ", {});
  }
  if (answer == QLatin1String("resp:error:wrong_password")) {
    // The limit comes before the prompt: a wrong code on the last attempt asks for nothing more.
    if (attempt_ >= kMaxConnectAttempt) {
      return finish(kDataNotAvailable, {}, "Error: Wrong verify code, max retries exceeded\n");
    }
    codeWasWrong_ = true;
    return prompt({}, "Wrong verify code. Please enter verify code again: ");
  }
  if (answer == QLatin1String("resp:error:not_logged_in")) {
    return finish(kDataNotAvailable, {},
                  "Error: Velmora is not logged in. Please log in first and try again.\n");
  }
  if (answer.startsWith(kRespErrorPrefix)) {
    return finish(kDataNotAvailable, {},
                  "Error: " + local8Bit(answer.mid(kRespErrorPrefix.size())) + "\n");
  }
  if (answer.startsWith(kRespPrefix)) {
    return finish(kSuccess, local8Bit(answer.mid(kRespPrefix.size())) + "\n", {});
  }
  return finish(kUnknownError, {}, "Error: Invalid response from main application\n");
}

ConnectStep ConnectConversation::onCodeLine(const QString& line) {
  const QString code = line.trimmed();
  if (code.isEmpty()) return finish(kInvalidCommand, {}, "Error: Verify code cannot be empty\n");
  code_ = code;
  ++attempt_;
  ConnectStep step;
  if (attempt_ > kMaxConnectAttempt) {
    step = finish(kDataNotAvailable, {}, "Error: Max retries exceeded\n");
  } else {
    step.kind = ConnectStep::kSend;
  }
  step.logMessage = codeWasWrong_ ? "User re-entered verify code, will use cmd:input_password"
                                  : "User entered verify code, will use cmd:input_password";
  return step;
}
