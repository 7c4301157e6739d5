#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <map>
#include <vector>

// The simulated world: who is logged in, the devices and cloud PCs they can reach, the settings,
// and how each device behaves when it is connected to or asked for a terminal. Loaded from a JSON
// state file; the in-memory copy is what every handler reads and changes.

// How a device answers the connect handshake.
struct ConnectPolicy {
  bool confirmation = false;  // the device's user must confirm; the answer comes later
  int confirmationDelayMs = 3000;
  bool confirmationAccepted = true;
  QString verificationCode;  // empty: no code asked
};

// How a device answers terminal open and unlock requests.
struct TerminalPolicy {
  QString lock;             // "", "device_locked" or "device_not_logged_in"
  QString password;         // what unlocks a locked device
  int notReadyRetries = 0;  // open requests answered with notReadyCode before one succeeds
  int notReadyCode = 503;
  QString notReadyMessage;
  int openErrorCode = 0;  // non-zero: every open request gets this code
  QString openErrorMessage;
  int frameErrorCode = 0;  // non-zero: every open request gets a kError frame instead
  QString frameErrorMessage;
  int unlockErrorCode = 0;  // non-zero: the right password gets this unlock code
  QString unlockErrorMessage;
};

struct SimDevice {
  QString deviceId;
  QString name;
  QString os;
  bool online = true;
  bool connected = false;
  ConnectPolicy connect;
  TerminalPolicy terminal;
};

struct SimCloudPc {
  QString cloudPcId;
  QString name;
  QString region;
  QString hardware;
  bool poweredOn = false;
  bool connected = false;
};

struct SimSettings {
  QString customCode;
  int bitrateLimitMbps = 0;  // 0: no limit
  bool litePunchDisabled = false;
};

struct SimState {
  QString deviceId;
  bool loggedIn = false;
  QJsonObject user;    // shown as is by user info
  QJsonObject wallet;  // shown as is by user wallet
  std::vector<SimDevice> devices;
  std::vector<SimCloudPc> cloudPcs;
  SimSettings settings;
  // Shell names a terminal may ask for, mapped to the command line that runs here.
  std::map<QString, QString> shells;
  int progressDelayMs = 5;  // pause between the terminal bridge's progress lines

  SimDevice* findDevice(const QString& deviceId);
  SimCloudPc* findCloudPc(const QString& cloudPcId);
};

// Reads a state document. Sections left out take their defaults; a field of the wrong type or a
// device without an id is an error naming the field.
bool parseSimState(const QByteArray& json, SimState& state, QString& error);
QByteArray serializeSimState(const SimState& state);
// A cloud PC as the state file and the cloud PC answers show it.
QJsonObject cloudPcToJson(const SimCloudPc& pc);

// The state the simulator ships with, built into the binary.
QByteArray defaultStateJson();
