#pragma once

#include <QByteArray>
#include <QString>
#include <set>

struct SimCommand;
struct SimState;

// What one connect request is answered with: a first answer and, when the controlled device asks
// its user to confirm, a final answer written later on the same connection.
struct HandshakeAnswer {
  QByteArray first;
  bool hasFinal = false;
  int finalDelayMs = 0;
  QByteArray final;
  bool stateChanged = false;
};

// The remote-control connect conversation: "cmd:connect:<id>:<code>", then, for a device with a
// verification code, "cmd:input_password:<id>:<code>" on later connections. A device that was
// asked for its code stays pending between those connections until the right code arrives.
class ConnectHandshake {
 public:
  static bool handles(const SimCommand& command);
  HandshakeAnswer answer(SimState& state, const SimCommand& command);

 private:
  HandshakeAnswer connect(SimState& state, const QString& deviceId, const QString& code);
  HandshakeAnswer inputPassword(SimState& state, const QString& deviceId, const QString& code);
  HandshakeAnswer complete(SimState& state, const QString& deviceId);

  std::set<QString> awaitingCode_;
};
