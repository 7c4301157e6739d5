#include "rezizezevud_cmd/device_list.h"

#include <QJsonObject>

#include "rezizezevud_cmd/exit_codes.h"
#include "rezizezevud_cmd/json_result.h"

int parseDeviceListPayload(const QString& payload, QJsonArray& devices, QString& errorMessage) {
  QJsonObject object;
  if (!parseJsonPayloadObject(payload, object)) {
    errorMessage = QStringLiteral("Invalid device list payload");
    return kUnknownError;
  }
  const QJsonValue list = object.value(QLatin1String("devices"));
  if (!list.isArray()) {
    errorMessage = QStringLiteral("Invalid device list format");
    return kUnknownError;
  }
  devices = list.toArray();
  return kSuccess;
}

QStringList deviceTableLines(const QJsonArray& devices) {
  QStringList lines{QStringLiteral("NAME\tDEVICE_ID\tONLINE")};
  for (const QJsonValue& element : devices) {
    if (!element.isObject()) continue;
    const QJsonObject device = element.toObject();
    // toString and toBool read a wrong type or a missing member as "" and false.
    lines << QStringLiteral("%1\t%2\t%3")
                 .arg(device.value(QLatin1String("name")).toString(),
                      device.value(QLatin1String("device_id")).toString(),
                      device.value(QLatin1String("online")).toBool() ? QStringLiteral("true")
                                                                     : QStringLiteral("false"));
  }
  return lines;
}
