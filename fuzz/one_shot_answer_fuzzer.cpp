// Any answer text through the readers of one-shot answers: the prefix split, the JSON envelope,
// and the device-list record with its table. Nothing may crash and the envelope must stay one
// JSON object.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstddef>
#include <cstdint>

#include "rezizezevud_cmd/device_list.h"
#include "rezizezevud_cmd/json_result.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QString answer = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<int>(size));
  QString payload;
  QString message;
  int code = -1;
  if (!parseResponse(answer, payload, message, code)) {
    if (code == 0 || message.isEmpty()) __builtin_trap();
    return 0;
  }
  QJsonObject object;
  if (parseJsonPayloadObject(payload, object)) {
    const QString printed = formatJsonResult(object, 1700000000000);
    if (!QJsonDocument::fromJson(printed.toUtf8()).isObject()) __builtin_trap();
  }
  QJsonArray devices;
  QString error;
  if (parseDeviceListPayload(payload, devices, error) == 0) {
    (void)deviceTableLines(devices);
  }
  return 0;
}
