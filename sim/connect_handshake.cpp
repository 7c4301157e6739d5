#include "connect_handshake.h"

#include "sim_command.h"
#include "sim_state.h"

namespace {

HandshakeAnswer reply(const QByteArray& text) {
  HandshakeAnswer answer;
  answer.first = text;
  return answer;
}

HandshakeAnswer errorReply(const QString& reason) {
  return reply(QByteArrayLiteral("resp:error:") + reason.toUtf8());
}

// The id ends at the first colon; the code is the rest, colons included.
void splitIdAndCode(const QString& argument, QString& id, QString& code) {
  const int colon = argument.indexOf(QLatin1Char(':'));
  id = colon < 0 ? argument : argument.left(colon);
  code = colon < 0 ? QString() : argument.mid(colon + 1);
}

// Null with the error answer filled in when the device cannot be connected to at all.
SimDevice* reachableDevice(SimState& state, const QString& id, HandshakeAnswer& refusal) {
  if (!state.loggedIn) {
    refusal = reply("resp:error:not_logged_in");
    return nullptr;
  }
  SimDevice* device = state.findDevice(id);
  if (!device) {
    refusal = errorReply(QStringLiteral("device not found: ") + id);
  } else if (!device->online) {
    refusal = errorReply(QStringLiteral("device offline: ") + device->name);
    device = nullptr;
  }
  return device;
}

}  // namespace

bool ConnectHandshake::handles(const SimCommand& command) {
  return command.name == QLatin1String("connect") ||
         command.name == QLatin1String("input_password");
}

HandshakeAnswer ConnectHandshake::answer(SimState& state, const SimCommand& command) {
  QString id;
  QString code;
  splitIdAndCode(command.argument, id, code);
  if (command.name == QLatin1String("connect")) return connect(state, id, code);
  return inputPassword(state, id, code);
}

HandshakeAnswer ConnectHandshake::connect(SimState& state, const QString& deviceId,
                                          const QString& code) {
  HandshakeAnswer refusal;
  SimDevice* device = reachableDevice(state, deviceId, refusal);
  if (!device) return refusal;
  const QString& expected = device->connect.verificationCode;
  if (!expected.isEmpty() && code != expected) {
    awaitingCode_.insert(deviceId);
    return reply("resp:need_password");
  }
  return complete(state, deviceId);
}

HandshakeAnswer ConnectHandshake::inputPassword(SimState& state, const QString& deviceId,
                                                const QString& code) {
  HandshakeAnswer refusal;
  SimDevice* device = reachableDevice(state, deviceId, refusal);
  if (!device) return refusal;
  if (awaitingCode_.count(deviceId) == 0) {
    return errorReply(QStringLiteral("no pending connection for ") + deviceId);
  }
  if (code != device->connect.verificationCode) return reply("resp:error:wrong_password");
  return complete(state, deviceId);
}

HandshakeAnswer ConnectHandshake::complete(SimState& state, const QString& deviceId) {
  awaitingCode_.erase(deviceId);
  SimDevice& device = *state.findDevice(deviceId);
  const ConnectPolicy& policy = device.connect;
  const bool accepted = !policy.confirmation || policy.confirmationAccepted;
  HandshakeAnswer answer;
  const QByteArray outcome =
      accepted ? QByteArrayLiteral("resp:connected to ") + device.name.toUtf8()
               : QByteArrayLiteral("resp:error:connection rejected by ") + device.name.toUtf8();
  if (accepted) {
    answer.stateChanged = !device.connected;
    device.connected = true;
  }
  if (!policy.confirmation) {
    answer.first = outcome;
    return answer;
  }
  answer.first = QByteArrayLiteral("resp:waiting_confirmation");
  answer.hasFinal = true;
  answer.finalDelayMs = policy.confirmationDelayMs;
  answer.final = outcome;
  return answer;
}
