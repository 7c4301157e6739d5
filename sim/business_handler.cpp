#include "business_handler.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <map>

#include "business_commands.h"
#include "sim_command.h"
#include "sim_state.h"

namespace {

using Handler = BusinessAnswer (*)(SimState&, const SimCommand&);

struct Route {
  Handler handler;
  bool needsLogin;
};

BusinessAnswer userInfo(SimState& state, const SimCommand&) { return dataAnswer(state.user); }

BusinessAnswer userWallet(SimState& state, const SimCommand&) { return dataAnswer(state.wallet); }

BusinessAnswer deviceId(SimState& state, const SimCommand&) { return plainAnswer(state.deviceId); }

// The older plain device record that also serves the terminal's lookup by name.
BusinessAnswer listDevices(SimState& state, const SimCommand&) {
  if (!state.loggedIn) return errorAnswer(QStringLiteral("not logged in"));
  QJsonArray devices;
  for (const SimDevice& d : state.devices) {
    devices.append(QJsonObject{{"name", d.name}, {"device_id", d.deviceId}, {"online", d.online}});
  }
  const QJsonObject record{{"devices", devices}};
  return {QByteArrayLiteral("resp:") + QJsonDocument(record).toJson(QJsonDocument::Compact)};
}

BusinessAnswer echo(SimState&, const SimCommand& command) { return plainAnswer(command.argument); }

const std::map<QString, Route>& routes() {
  static const std::map<QString, Route> table = {
      {"user_info", {userInfo, true}},
      {"user_wallet", {userWallet, true}},
      {"device_list", {deviceList, true}},
      {"device_status", {deviceStatus, true}},
      {"device_connect", {deviceConnect, true}},
      {"device_disconnect", {deviceDisconnect, true}},
      {"cloudpc_list", {cloudPcList, true}},
      {"cloudpc_launch", {cloudPcLaunch, true}},
      {"cloudpc_shutdown", {cloudPcShutdown, true}},
      {"cloudpc_connect", {cloudPcConnect, true}},
      {"cloudpc_disconnect", {cloudPcDisconnect, true}},
      {"get_device_id", {deviceId, false}},
      {"list_devices", {listDevices, false}},
      {"reset_custom_code", {resetCustomCode, false}},
      {"set_bitrate_limit", {setBitrateLimit, false}},
      {"disable_lite_punch", {disableLitePunch, false}},
      {"echo", {echo, false}},
  };
  return table;
}

}  // namespace

BusinessAnswer answerBusinessCommand(SimState& state, const SimCommand& command) {
  const auto it = routes().find(command.name);
  if (it == routes().end()) return errorAnswer(QStringLiteral("unknown command: ") + command.name);
  if (it->second.needsLogin && !state.loggedIn) return notLoggedInAnswer();
  return it->second.handler(state, command);
}

BusinessAnswer malformedRequestAnswer() {
  return errorAnswer(QStringLiteral("malformed request: expected cmd:<name>[:<arguments>]"));
}
