#include <QJsonArray>
#include <QJsonObject>

#include "business_commands.h"
#include "sim_command.h"
#include "sim_state.h"

namespace {

BusinessAnswer notFound(const QString& id) {
  return jsonErrorAnswer(QStringLiteral("cloudpc_not_found"),
                         QStringLiteral("No cloud PC with id ") + id);
}

// Powering off also ends the connection to it.
bool powerOff(SimCloudPc& pc) {
  const bool changed = pc.poweredOn || pc.connected;
  pc.poweredOn = false;
  pc.connected = false;
  return changed;
}

}  // namespace

BusinessAnswer cloudPcList(SimState& state, const SimCommand&) {
  QJsonArray pcs;
  for (const SimCloudPc& pc : state.cloudPcs) pcs.append(cloudPcToJson(pc));
  return dataAnswer(QJsonObject{{"cloud_pcs", pcs}, {"total", pcs.size()}});
}

BusinessAnswer cloudPcLaunch(SimState& state, const SimCommand& command) {
  SimCloudPc* pc = state.findCloudPc(command.argument);
  if (!pc) return notFound(command.argument);
  const bool changed = !pc->poweredOn;
  pc->poweredOn = true;
  return dataAnswer(cloudPcToJson(*pc), changed);
}

BusinessAnswer cloudPcShutdown(SimState& state, const SimCommand& command) {
  if (command.hasArgument) {
    SimCloudPc* pc = state.findCloudPc(command.argument);
    if (!pc) return notFound(command.argument);
    const bool changed = powerOff(*pc);
    return dataAnswer(cloudPcToJson(*pc), changed);
  }
  QJsonArray stopped;
  for (SimCloudPc& pc : state.cloudPcs) {
    if (powerOff(pc)) stopped.append(pc.cloudPcId);
  }
  return dataAnswer(QJsonObject{{"stopped", stopped}, {"count", stopped.size()}},
                    !stopped.isEmpty());
}

BusinessAnswer cloudPcConnect(SimState& state, const SimCommand& command) {
  SimCloudPc* pc = state.findCloudPc(command.argument);
  if (!pc) return notFound(command.argument);
  if (!pc->poweredOn) {
    return jsonErrorAnswer(QStringLiteral("cloudpc_powered_off"),
                           QStringLiteral("Cloud PC ") + pc->name +
                               QStringLiteral(" is powered off; launch it first"));
  }
  const bool changed = !pc->connected;
  pc->connected = true;
  return dataAnswer(cloudPcToJson(*pc), changed);
}

BusinessAnswer cloudPcDisconnect(SimState& state, const SimCommand& command) {
  if (command.hasArgument) {
    SimCloudPc* pc = state.findCloudPc(command.argument);
    if (!pc) return notFound(command.argument);
    if (!pc->connected) {
      return jsonErrorAnswer(
          QStringLiteral("not_connected"),
          QStringLiteral("Cloud PC ") + pc->name + QStringLiteral(" is not connected"));
    }
    pc->connected = false;
    return dataAnswer(cloudPcToJson(*pc), true);
  }
  QJsonArray ended;
  for (SimCloudPc& pc : state.cloudPcs) {
    if (!pc.connected) continue;
    pc.connected = false;
    ended.append(pc.cloudPcId);
  }
  return dataAnswer(QJsonObject{{"disconnected", ended}, {"count", ended.size()}},
                    !ended.isEmpty());
}
