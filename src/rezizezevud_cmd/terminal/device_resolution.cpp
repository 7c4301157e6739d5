#include <QJsonObject>

#include "logutil/log_util.h"
#include "rezizezevud_cmd/console_output.h"
#include "rezizezevud_cmd/device_list.h"
#include "rezizezevud_cmd/exit_codes.h"
#include "rezizezevud_cmd/orrinremotecmd_application.h"

int RezizEzevudCmdApplication::resolveDeviceByName(const QString& deviceName, QString& deviceId) {
  LOG_INFO << "Resolving device by name: " << deviceName;
  QJsonArray devices;
  QString errorMessage;
  const int result = queryDeviceList(devices, errorMessage);
  if (result != kSuccess) {
    printErrorLine(QStringLiteral("Error: %1").arg(errorMessage));
    return result;
  }

  // Names are matched exactly as listed: a user who typed "box" means neither "Box" nor " box".
  QJsonArray matches;
  for (const QJsonValue& element : devices) {
    if (!element.isObject()) continue;
    if (element.toObject().value(QStringLiteral("name")).toString() == deviceName) {
      matches.append(element);
    }
  }

  if (matches.isEmpty()) {
    printErrorLine(QStringLiteral("Error: Device not found by name: %1").arg(deviceName));
    return kDataNotAvailable;
  }
  if (matches.size() > 1) {
    // The table lets the user pick the one meant and pass its id instead.
    printErrorLine(QStringLiteral("Error: Duplicate device name: %1").arg(deviceName));
    for (const QString& line : deviceTableLines(matches)) printLine(line);
    return kDataNotAvailable;
  }
  const QString id =
      matches.first().toObject().value(QStringLiteral("device_id")).toString().trimmed();
  if (id.isEmpty()) {
    printErrorLine(QStringLiteral("Error: Invalid device data for name: %1").arg(deviceName));
    return kUnknownError;
  }
  LOG_INFO << "Resolved device name " << deviceName << " to device id: " << id;
  deviceId = id;
  return kSuccess;
}
