#include <QLocalSocket>
#include <string>

#include "logutil/log_util.h"
#include "rezizezevud_cmd/connect_conversation.h"
#include "rezizezevud_cmd/console_output.h"
#include "rezizezevud_cmd/exit_codes.h"
#include "rezizezevud_cmd/main_application_socket.h"
#include "rezizezevud_cmd/orrinremotecmd_application.h"
#include "rezizezevud_cmd/platform/std_streams.h"

namespace {

// What has arrived when the socket first turns readable, as one trimmed answer.
QString readTrimmedAnswer(QLocalSocket& socket) {
  return QString::fromUtf8(socket.readAll()).trimmed();
}

void writeStepOutput(const ConnectStep& step) {
  if (!step.out.empty()) writeStdoutNarrow(step.out);
  if (!step.err.empty()) writeStderrNarrow(step.err);
}

QString readCodeLine() {
  std::string line;
  platform::readLine(line);  // end of input leaves the line empty, which ends the conversation
  return QString::fromUtf8(line.data(), static_cast<int>(line.size()));
}

}  // namespace

// Like the command channel, but the controlled device may first have to confirm: then the main
// application says so at once and sends the final answer later on the same connection.
int RezizEzevudCmdApplication::sendConnectCommandAndWait(const QString& command, QString& answer,
                                                         int firstTimeoutMs,
                                                         int confirmationTimeoutMs) {
  LOG_INFO << "Connecting to server for connect command";
  QLocalSocket socket;
  if (!connectToMainApplication(socket, kConnectTimeoutMs)) {
    LOG_WARN << "Failed to connect to server";
    return kIpcConnectFailed;
  }

  socket.write(command.toUtf8());
  socket.flush();
  LOG_INFO << "Sent: " << command;

  if (!socket.waitForReadyRead(firstTimeoutMs)) {
    socket.disconnectFromServer();
    return kTimeout;
  }
  QString received = readTrimmedAnswer(socket);
  LOG_INFO << "Received first response: " << received;

  if (received == QLatin1String("resp:waiting_confirmation")) {
    writeStdoutNarrow("Waiting for the controlled device to confirm...\n");
    if (!socket.waitForReadyRead(confirmationTimeoutMs)) {
      socket.disconnectFromServer();
      return kTimeout;
    }
    received = readTrimmedAnswer(socket);
    LOG_INFO << "Received final response after confirmation: " << received;
  }

  answer = received;
  socket.disconnectFromServer();
  return kSuccess;
}

int RezizEzevudCmdApplication::handleConnectCommand(const QString& deviceId,
                                                    const QString& verificationCode) {
  LOG_INFO << "Handling connect command";
  if (deviceId.isEmpty()) {
    LOG_ERROR << "Device ID cannot be empty";
    writeStderrNarrow("Error: Device ID cannot be empty\n");
    return kInvalidCommand;
  }

  ConnectConversation conversation(deviceId, verificationCode);
  for (;;) {
    const QString command = conversation.command();
    LOG_INFO << "Sending command, attempt: " << conversation.attempt() << ", cmd: " << command;
    QString answer;
    const int result = sendConnectCommandAndWait(command, answer);
    const ConnectStep afterAnswer = conversation.onAnswer(result, answer);
    writeStepOutput(afterAnswer);
    if (afterAnswer.kind == ConnectStep::kFinish) return afterAnswer.exitCode;

    const ConnectStep afterCode = conversation.onCodeLine(readCodeLine());
    if (afterCode.logMessage) LOG_INFO << afterCode.logMessage;
    writeStepOutput(afterCode);
    if (afterCode.kind == ConnectStep::kFinish) return afterCode.exitCode;
  }
}
