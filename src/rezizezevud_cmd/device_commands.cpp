#include "logutil/log_util.h"
#include "rezizezevud_cmd/console_output.h"
#include "rezizezevud_cmd/device_list.h"
#include "rezizezevud_cmd/exit_codes.h"
#include "rezizezevud_cmd/json_result.h"
#include "rezizezevud_cmd/orrinremotecmd_application.h"

int RezizEzevudCmdApplication::queryDeviceList(QJsonArray& devices, QString& errorMessage) {
  QString answer;
  const int result =
      sendCommandAndWait(QStringLiteral("cmd:list_devices"), kResponseTimeoutMs, answer);
  if (result == kIpcConnectFailed) {
    errorMessage = QStringLiteral("Main application is not running");
    return kIpcConnectFailed;
  }
  if (result == kTimeout) {
    errorMessage = QStringLiteral("Timeout waiting for response");
    return kTimeout;
  }
  QString payload;
  int exitCode = kSuccess;
  if (!parseResponse(answer, payload, errorMessage, exitCode)) return exitCode;
  return parseDeviceListPayload(payload, devices, errorMessage);
}

int RezizEzevudCmdApplication::handleListDevicesCommand() {
  LOG_INFO << "Handling list-devices command";
  QJsonArray devices;
  QString errorMessage;
  const int result = queryDeviceList(devices, errorMessage);
  if (result != kSuccess) {
    printErrorLine(QStringLiteral("Error: %1").arg(errorMessage));
    return result;
  }
  for (const QString& line : deviceTableLines(devices)) printLine(line);
  return kSuccess;
}

int RezizEzevudCmdApplication::handleDeviceIdCommand() {
  LOG_INFO << "Handling device-id command";
  QString answer;
  const int result =
      sendCommandAndWait(QStringLiteral("cmd:get_device_id"), kResponseTimeoutMs, answer);
  if (result == kIpcConnectFailed) {
    LOG_ERROR << "Main application is not running";
    writeStderrNarrow("Error: Main application is not running\n");
    return kIpcConnectFailed;
  }
  if (result == kTimeout) {
    LOG_ERROR << "Timeout waiting for response";
    writeStderrNarrow("Error: Timeout waiting for response\n");
    return kTimeout;
  }
  QString payload;
  QString message;
  int exitCode = kSuccess;
  if (!parseResponse(answer, payload, message, exitCode)) {
    printErrorLine(QStringLiteral("Error: %1").arg(message));
    return exitCode;
  }
  printLine(payload);
  return kSuccess;
}
