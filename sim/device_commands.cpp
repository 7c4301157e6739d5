#include <QJsonArray>
#include <QJsonObject>

#include "business_commands.h"
#include "sim_command.h"
#include "sim_state.h"

namespace {

QJsonObject describe(const SimDevice& d) {
  return QJsonObject{{"device_id", d.deviceId},
                     {"name", d.name},
                     {"os", d.os},
                     {"online", d.online},
                     {"connected", d.connected}};
}

BusinessAnswer notFound(const QString& id) {
  return jsonErrorAnswer(QStringLiteral("device_not_found"),
                         QStringLiteral("No device with id ") + id);
}

}  // namespace

BusinessAnswer deviceList(SimState& state, const SimCommand&) {
  QJsonArray devices;
  for (const SimDevice& d : state.devices) devices.append(describe(d));
  return dataAnswer(QJsonObject{{"devices", devices}, {"total", devices.size()}});
}

BusinessAnswer deviceStatus(SimState& state, const SimCommand&) {
  QJsonArray connections;
  for (const SimDevice& d : state.devices) {
    if (d.connected) connections.append(describe(d));
  }
  return dataAnswer(QJsonObject{{"device_id", state.deviceId},
                                {"connections", connections},
                                {"connection_count", connections.size()}});
}

BusinessAnswer deviceConnect(SimState& state, const SimCommand& command) {
  SimDevice* d = state.findDevice(command.argument);
  if (!d) return notFound(command.argument);
  if (!d->online) {
    return jsonErrorAnswer(QStringLiteral("device_offline"),
                           QStringLiteral("Device ") + d->name + QStringLiteral(" is offline"));
  }
  const bool changed = !d->connected;
  d->connected = true;
  return dataAnswer(describe(*d), changed);
}

// Without an id every device connection ends; the answer lists the ones that did.
BusinessAnswer deviceDisconnect(SimState& state, const SimCommand& command) {
  if (command.hasArgument) {
    SimDevice* d = state.findDevice(command.argument);
    if (!d) return notFound(command.argument);
    if (!d->connected) {
      return jsonErrorAnswer(
          QStringLiteral("not_connected"),
          QStringLiteral("Device ") + d->name + QStringLiteral(" is not connected"));
    }
    d->connected = false;
    return dataAnswer(describe(*d), true);
  }
  QJsonArray ended;
  for (SimDevice& d : state.devices) {
    if (!d.connected) continue;
    d.connected = false;
    ended.append(d.deviceId);
  }
  return dataAnswer(QJsonObject{{"disconnected", ended}, {"count", ended.size()}},
                    !ended.isEmpty());
}
