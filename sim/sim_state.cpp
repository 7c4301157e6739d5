#include "sim_state.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <set>

#include "default_state_json.h"

namespace {

// Reads typed members of one JSON object, remembering the first mistake with its path so that a
// bad state file is reported as "devices[2].online: expected a boolean".
class FieldReader {
 public:
  FieldReader(const QJsonObject& object, QString path, QString& error)
      : object_(object), path_(std::move(path)), error_(error) {}

  void text(const char* key, QString& out) {
    const QJsonValue v = object_.value(QLatin1String(key));
    if (v.isUndefined() || v.isNull()) return;
    if (!v.isString()) return fail(key, "a string");
    out = v.toString();
  }
  void flag(const char* key, bool& out) {
    const QJsonValue v = object_.value(QLatin1String(key));
    if (v.isUndefined() || v.isNull()) return;
    if (!v.isBool()) return fail(key, "a boolean");
    out = v.toBool();
  }
  void integer(const char* key, int& out, int low, int high) {
    const QJsonValue v = object_.value(QLatin1String(key));
    if (v.isUndefined() || v.isNull()) return;
    const double d = v.toDouble(-1e300);
    if (!v.isDouble() || d != static_cast<double>(static_cast<long long>(d)) || d < low ||
        d > high) {
      return fail(key, qPrintable(QStringLiteral("an integer from %1 to %2").arg(low).arg(high)));
    }
    out = static_cast<int>(d);
  }
  // A member that must be an object when present; false when it is absent or null.
  bool object(const char* key, QJsonObject& out) {
    const QJsonValue v = object_.value(QLatin1String(key));
    if (v.isUndefined() || v.isNull()) return false;
    if (!v.isObject()) {
      fail(key, "an object");
      return false;
    }
    out = v.toObject();
    return true;
  }
  bool array(const char* key, QJsonArray& out) {
    const QJsonValue v = object_.value(QLatin1String(key));
    if (v.isUndefined() || v.isNull()) return false;
    if (!v.isArray()) {
      fail(key, "an array");
      return false;
    }
    out = v.toArray();
    return true;
  }
  QString path(const char* key) const { return path_.isEmpty() ? key : path_ + '.' + key; }
  bool ok() const { return error_.isEmpty(); }

 private:
  void fail(const char* key, const char* expected) {
    if (error_.isEmpty()) error_ = path(key) + QStringLiteral(": expected ") + expected;
  }

  const QJsonObject& object_;
  QString path_;
  QString& error_;
};

void readCodeAndMessage(FieldReader& parent, const char* key, int& code, QString& message,
                        QString& error) {
  QJsonObject o;
  if (!parent.object(key, o)) return;
  FieldReader r(o, parent.path(key), error);
  r.integer("code", code, -1000000, 1000000);
  r.text("message", message);
}

void readConnectPolicy(FieldReader& device, ConnectPolicy& policy, QString& error) {
  QJsonObject o;
  if (!device.object("connect", o)) return;
  FieldReader r(o, device.path("connect"), error);
  r.flag("confirmation", policy.confirmation);
  r.integer("confirmation_delay_ms", policy.confirmationDelayMs, 0, 600000);
  r.flag("confirmation_accepted", policy.confirmationAccepted);
  r.text("verification_code", policy.verificationCode);
}

void readTerminalPolicy(FieldReader& device, TerminalPolicy& policy, QString& error) {
  QJsonObject o;
  if (!device.object("terminal", o)) return;
  FieldReader r(o, device.path("terminal"), error);
  r.text("lock", policy.lock);
  r.text("password", policy.password);
  r.integer("not_ready_retries", policy.notReadyRetries, 0, 1000);
  r.integer("not_ready_code", policy.notReadyCode, 1, 1000000);
  r.text("not_ready_message", policy.notReadyMessage);
  readCodeAndMessage(r, "open_error", policy.openErrorCode, policy.openErrorMessage, error);
  readCodeAndMessage(r, "frame_error", policy.frameErrorCode, policy.frameErrorMessage, error);
  readCodeAndMessage(r, "unlock_error", policy.unlockErrorCode, policy.unlockErrorMessage, error);
}

bool readDevices(FieldReader& top, SimState& state, QString& error) {
  QJsonArray list;
  if (!top.array("devices", list)) return top.ok();
  std::set<QString> seen;
  for (int i = 0; i < list.size() && error.isEmpty(); ++i) {
    const QString path = QStringLiteral("devices[%1]").arg(i);
    if (!list.at(i).isObject()) {
      error = path + QStringLiteral(": expected an object");
      break;
    }
    const QJsonObject o = list.at(i).toObject();
    FieldReader r(o, path, error);
    SimDevice d;
    r.text("device_id", d.deviceId);
    r.text("name", d.name);
    r.text("os", d.os);
    r.flag("online", d.online);
    r.flag("connected", d.connected);
    readConnectPolicy(r, d.connect, error);
    readTerminalPolicy(r, d.terminal, error);
    if (error.isEmpty() && d.deviceId.isEmpty())
      error = path + QStringLiteral(".device_id: missing");
    if (error.isEmpty() && !seen.insert(d.deviceId).second) {
      error = path + QStringLiteral(".device_id: duplicate ") + d.deviceId;
    }
    state.devices.push_back(std::move(d));
  }
  return error.isEmpty();
}

bool readCloudPcs(FieldReader& top, SimState& state, QString& error) {
  QJsonArray list;
  if (!top.array("cloud_pcs", list)) return top.ok();
  for (int i = 0; i < list.size() && error.isEmpty(); ++i) {
    const QString path = QStringLiteral("cloud_pcs[%1]").arg(i);
    if (!list.at(i).isObject()) {
      error = path + QStringLiteral(": expected an object");
      break;
    }
    const QJsonObject o = list.at(i).toObject();
    FieldReader r(o, path, error);
    SimCloudPc pc;
    QString power = QStringLiteral("stopped");
    r.text("cloudpc_id", pc.cloudPcId);
    r.text("name", pc.name);
    r.text("region", pc.region);
    r.text("hardware", pc.hardware);
    r.text("power_state", power);
    r.flag("connected", pc.connected);
    if (error.isEmpty() && pc.cloudPcId.isEmpty())
      error = path + QStringLiteral(".cloudpc_id: missing");
    if (error.isEmpty() && power != QLatin1String("running") && power != QLatin1String("stopped")) {
      error = path + QStringLiteral(".power_state: expected \"running\" or \"stopped\"");
    }
    pc.poweredOn = power == QLatin1String("running");
    pc.connected = pc.connected && pc.poweredOn;
    state.cloudPcs.push_back(std::move(pc));
  }
  return error.isEmpty();
}

void readUser(const QJsonObject& top, SimState& state, QString& error) {
  const QJsonValue user = top.value(QLatin1String("user"));
  if (user.isUndefined() || user.isNull()) return;
  if (!user.isObject()) {
    error = QStringLiteral("user: expected an object or null");
    return;
  }
  state.user = user.toObject();
  state.loggedIn = true;
  FieldReader r(state.user, QStringLiteral("user"), error);
  r.flag("logged_in", state.loggedIn);
  state.user.remove(QLatin1String("logged_in"));
}

void readSettings(FieldReader& top, SimSettings& settings, QString& error) {
  QJsonObject o;
  if (!top.object("settings", o)) return;
  FieldReader r(o, QStringLiteral("settings"), error);
  r.text("custom_code", settings.customCode);
  r.integer("bitrate_limit_mbps", settings.bitrateLimitMbps, 0, 500);
  r.flag("lite_punch_disabled", settings.litePunchDisabled);
}

void readShells(FieldReader& top, SimState& state, QString& error) {
  QJsonObject o;
  if (!top.object("shells", o)) return;
  state.shells.clear();
  for (auto it = o.begin(); it != o.end(); ++it) {
    if (!it.value().isString() || it.value().toString().trimmed().isEmpty()) {
      error = QStringLiteral("shells.") + it.key() + QStringLiteral(": expected a command line");
      return;
    }
    state.shells[it.key()] = it.value().toString();
  }
}

QJsonObject codeAndMessage(int code, const QString& message) {
  return QJsonObject{{"code", code}, {"message", message}};
}

QJsonObject deviceToJson(const SimDevice& d) {
  QJsonObject connect{{"confirmation", d.connect.confirmation},
                      {"confirmation_delay_ms", d.connect.confirmationDelayMs},
                      {"confirmation_accepted", d.connect.confirmationAccepted},
                      {"verification_code", d.connect.verificationCode}};
  const TerminalPolicy& t = d.terminal;
  QJsonObject terminal{{"lock", t.lock},
                       {"password", t.password},
                       {"not_ready_retries", t.notReadyRetries},
                       {"not_ready_code", t.notReadyCode},
                       {"not_ready_message", t.notReadyMessage}};
  if (t.openErrorCode) terminal["open_error"] = codeAndMessage(t.openErrorCode, t.openErrorMessage);
  if (t.frameErrorCode) {
    terminal["frame_error"] = codeAndMessage(t.frameErrorCode, t.frameErrorMessage);
  }
  if (t.unlockErrorCode) {
    terminal["unlock_error"] = codeAndMessage(t.unlockErrorCode, t.unlockErrorMessage);
  }
  return QJsonObject{{"device_id", d.deviceId}, {"name", d.name},           {"os", d.os},
                     {"online", d.online},      {"connected", d.connected}, {"connect", connect},
                     {"terminal", terminal}};
}


}  // namespace

QJsonObject cloudPcToJson(const SimCloudPc& pc) {
  return QJsonObject{{"cloudpc_id", pc.cloudPcId},
                     {"name", pc.name},
                     {"region", pc.region},
                     {"hardware", pc.hardware},
                     {"power_state", pc.poweredOn ? "running" : "stopped"},
                     {"connected", pc.connected}};
}

SimDevice* SimState::findDevice(const QString& id) {
  for (SimDevice& d : devices) {
    if (d.deviceId == id) return &d;
  }
  return nullptr;
}

SimCloudPc* SimState::findCloudPc(const QString& id) {
  for (SimCloudPc& pc : cloudPcs) {
    if (pc.cloudPcId == id) return &pc;
  }
  return nullptr;
}

bool parseSimState(const QByteArray& json, SimState& state, QString& error) {
  QJsonParseError parseError;
  const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
  if (parseError.error != QJsonParseError::NoError) {
    error = QStringLiteral("not valid JSON at offset %1: %2")
                .arg(parseError.offset)
                .arg(parseError.errorString());
    return false;
  }
  if (!doc.isObject()) {
    error = QStringLiteral("the top level must be an object");
    return false;
  }
  const QJsonObject top = doc.object();
  SimState s;
  s.shells = {{QStringLiteral("powershell"), QStringLiteral("bash")},
              {QStringLiteral("cmd"), QStringLiteral("bash")}};
  error.clear();
  FieldReader r(top, QString(), error);
  r.text("device_id", s.deviceId);
  readUser(top, s, error);
  if (error.isEmpty()) r.object("wallet", s.wallet);
  if (error.isEmpty()) readDevices(r, s, error);
  if (error.isEmpty()) readCloudPcs(r, s, error);
  if (error.isEmpty()) readSettings(r, s.settings, error);
  if (error.isEmpty()) readShells(r, s, error);
  if (error.isEmpty()) r.integer("terminal_progress_delay_ms", s.progressDelayMs, 0, 60000);
  if (!error.isEmpty()) return false;
  state = std::move(s);
  return true;
}

QByteArray serializeSimState(const SimState& state) {
  QJsonObject top;
  top["device_id"] = state.deviceId;
  if (state.user.isEmpty() && !state.loggedIn) {
    top["user"] = QJsonValue::Null;
  } else {
    QJsonObject user = state.user;
    user["logged_in"] = state.loggedIn;
    top["user"] = user;
  }
  top["wallet"] = state.wallet;
  QJsonArray devices;
  for (const SimDevice& d : state.devices) devices.append(deviceToJson(d));
  top["devices"] = devices;
  QJsonArray pcs;
  for (const SimCloudPc& pc : state.cloudPcs) pcs.append(cloudPcToJson(pc));
  top["cloud_pcs"] = pcs;
  top["settings"] = QJsonObject{{"custom_code", state.settings.customCode},
                                {"bitrate_limit_mbps", state.settings.bitrateLimitMbps},
                                {"lite_punch_disabled", state.settings.litePunchDisabled}};
  QJsonObject shells;
  for (const auto& [name, command] : state.shells) shells[name] = command;
  top["shells"] = shells;
  top["terminal_progress_delay_ms"] = state.progressDelayMs;
  return QJsonDocument(top).toJson(QJsonDocument::Indented);
}

QByteArray defaultStateJson() { return QByteArray(kDefaultStateJson); }
