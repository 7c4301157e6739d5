#include "logutil/log_util.h"
#include "rezizezevud_cmd/console_output.h"
#include "rezizezevud_cmd/exit_codes.h"
#include "rezizezevud_cmd/orrinremotecmd_application.h"

namespace {

// The commands that act on "all of them" when no id is given drop the field and its colon.
QString withOptionalId(const char* bare, const QString& id) {
  const QString command = QLatin1String(bare);
  return id.isEmpty() ? command : QStringLiteral("%1:%2").arg(command, id);
}

}  // namespace

int RezizEzevudCmdApplication::handleUserInfoCommand() {
  LOG_INFO << "Handling user info command";
  return sendJsonCommand(QStringLiteral("cmd:user_info"));
}

int RezizEzevudCmdApplication::handleUserWalletCommand() {
  LOG_INFO << "Handling user wallet command";
  return sendJsonCommand(QStringLiteral("cmd:user_wallet"));
}

int RezizEzevudCmdApplication::handleDeviceListJsonCommand() {
  LOG_INFO << "Handling device list (JSON) command";
  return sendJsonCommand(QStringLiteral("cmd:device_list"));
}

int RezizEzevudCmdApplication::handleDeviceStatusCommand() {
  LOG_INFO << "Handling device status command";
  return sendJsonCommand(QStringLiteral("cmd:device_status"));
}

int RezizEzevudCmdApplication::handleDeviceConnectByIdCommand(const QString& deviceId) {
  LOG_INFO << "Handling device connect command, id: " << deviceId;
  return sendJsonCommand(QStringLiteral("cmd:device_connect:%1").arg(deviceId));
}

int RezizEzevudCmdApplication::handleDeviceDisconnectCommand(const QString& deviceId) {
  LOG_INFO << "Handling device disconnect command";
  return sendJsonCommand(withOptionalId("cmd:device_disconnect", deviceId));
}

int RezizEzevudCmdApplication::handleCloudPcListCommand() {
  LOG_INFO << "Handling cloudpc list command";
  return sendJsonCommand(QStringLiteral("cmd:cloudpc_list"));
}

int RezizEzevudCmdApplication::handleCloudPcLaunchCommand(const QString& cloudPcId) {
  LOG_INFO << "Handling cloudpc launch command, id: " << cloudPcId;
  return sendJsonCommand(QStringLiteral("cmd:cloudpc_launch:%1").arg(cloudPcId));
}

int RezizEzevudCmdApplication::handleCloudPcShutdownCommand(const QString& cloudPcId) {
  LOG_INFO << "Handling cloudpc shutdown command, id: " << cloudPcId;
  return sendJsonCommand(withOptionalId("cmd:cloudpc_shutdown", cloudPcId));
}

int RezizEzevudCmdApplication::handleCloudPcConnectCommand(const QString& cloudPcId) {
  LOG_INFO << "Handling cloudpc connect command, id: " << cloudPcId;
  return sendJsonCommand(QStringLiteral("cmd:cloudpc_connect:%1").arg(cloudPcId));
}

int RezizEzevudCmdApplication::handleCloudPcDisconnectCommand(const QString& cloudPcId) {
  LOG_INFO << "Handling cloudpc disconnect command";
  return sendJsonCommand(withOptionalId("cmd:cloudpc_disconnect", cloudPcId));
}

// Echo is the one plain-text member of the family: the answer is shown as received, so a test
// of the channel can see exactly what came back.
int RezizEzevudCmdApplication::handleEchoCommand(const QString& message) {
  LOG_INFO << "Handling echo command, message: " << message;
  QString answer;
  const int result =
      sendCommandAndWait(QStringLiteral("cmd:echo:%1").arg(message), kResponseTimeoutMs, answer);
  if (result == kIpcConnectFailed) {
    printErrorLine(QStringLiteral("Error: Main application is not running"));
    return kIpcConnectFailed;
  }
  if (result == kTimeout) {
    printErrorLine(QStringLiteral("Error: Timeout waiting for response"));
    return kTimeout;
  }
  if (answer.startsWith(kRespErrorPrefix)) {
    printErrorLine(answer.mid(kRespErrorPrefix.size()));
    return kDataNotAvailable;
  }
  if (answer.startsWith(kRespPrefix)) {
    printLine(answer.mid(kRespPrefix.size()));
    return kSuccess;
  }
  printLine(answer);
  return kSuccess;
}
