#include <QLocalSocket>

#include "logutil/log_util.h"
#include "rezizezevud_cmd/console_output.h"
#include "rezizezevud_cmd/exit_codes.h"
#include "rezizezevud_cmd/main_application_socket.h"
#include "rezizezevud_cmd/json_result.h"
#include "rezizezevud_cmd/orrinremotecmd_application.h"

const QString kServerName = QStringLiteral("gakeh-dkark-946Q3509-6576-74GD-RH7U-2816S13V503U");
const QString kRespErrorPrefix = QStringLiteral("resp:error:");
const QString kRespPrefix = QStringLiteral("resp:");

// One request per connection and one read per answer: the main application writes each answer
// in one piece, so whatever has arrived when the socket first turns readable is the answer.
int RezizEzevudCmdApplication::sendCommandAndWait(const QString& command, int timeoutMs,
                                                  QString& answer, int connectTimeoutMs) {
  LOG_INFO << "Connecting to server: " << kServerName;
  QLocalSocket socket;
  if (!connectToMainApplication(socket, connectTimeoutMs)) {
    LOG_WARN << "Failed to connect to server";
    return kIpcConnectFailed;
  }

  LOG_INFO << "Connected, sending command: " << command;
  // A write that never reaches the peer shows up as the time-out below.
  socket.write(command.toUtf8());
  socket.flush();

  if (!socket.waitForReadyRead(timeoutMs)) {
    LOG_WARN << "Timeout waiting for response";
    socket.disconnectFromServer();
    return kTimeout;
  }

  answer = QString::fromUtf8(socket.readAll());
  LOG_INFO << "Received response: " << answer;
  socket.disconnectFromServer();
  return kSuccess;
}

int RezizEzevudCmdApplication::sendJsonCommand(const QString& command) {
  QString answer;
  const int result = sendCommandAndWait(command, kResponseTimeoutMs, answer);
  if (result == kIpcConnectFailed) {
    writeStderrNarrow("Error: Main application is not running\n");
    return kIpcConnectFailed;
  }
  if (result == kTimeout) {
    writeStderrNarrow("Error: Timeout waiting for response\n");
    return kTimeout;
  }
  return printJsonResult(answer);
}
