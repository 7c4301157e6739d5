#pragma once

#include <QJsonArray>
#include <QString>
#include <QStringList>
#include <filesystem>

class QCommandLineParser;
struct TermOptions;

// Fixed facts of the main application's protocol, shared by every user of the local socket.
extern const QString kServerName;
extern const QString kRespErrorPrefix;
extern const QString kRespPrefix;

// Fixed waits of the command channel and the connect handshake, in milliseconds.
constexpr int kConnectTimeoutMs = 3000;
constexpr int kResponseTimeoutMs = 15000;
constexpr int kConfirmationTimeoutMs = 65000;

// The one application object of orrinctl: start-up and shutdown (crash reporting, logging),
// the route dispatch, and every command handler. Each handler returns the process exit code.
class RezizEzevudCmdApplication {
 public:
  RezizEzevudCmdApplication();
  ~RezizEzevudCmdApplication();
  RezizEzevudCmdApplication(const RezizEzevudCmdApplication&) = delete;
  RezizEzevudCmdApplication& operator=(const RezizEzevudCmdApplication&) = delete;

  int run(int argc, char** argv);

  static QString getVersion();
  // The data directory beside the executable's folder (<parent>/log/orrinctl); empty when the
  // executable path cannot be read.
  static std::filesystem::path getDataDirectory(bool create);
  // The executable's directory with a trailing separator; empty when unknown.
  static QString getExeDirectory();

  // Routing (command_router.cpp).
  int routeCommand(int row, const QStringList& arguments);
  int callHandler(int handlerId, const QString& argument);

  // Handlers of the command table (business_commands.cpp).
  int handleVersionCommand();
  int handleUserInfoCommand();
  int handleUserWalletCommand();
  int handleDeviceListJsonCommand();
  int handleDeviceConnectByIdCommand(const QString& deviceId);
  int handleDeviceDisconnectCommand(const QString& deviceId);
  int handleDeviceStatusCommand();
  int handleCloudPcListCommand();
  int handleCloudPcLaunchCommand(const QString& cloudPcId);
  int handleCloudPcShutdownCommand(const QString& cloudPcId);
  int handleCloudPcConnectCommand(const QString& cloudPcId);
  int handleCloudPcDisconnectCommand(const QString& cloudPcId);
  int handleEchoCommand(const QString& message);

  // The command channel (command_channel.cpp): one connection, one command, one read.
  int sendCommandAndWait(const QString& command, int timeoutMs, QString& answer,
                         int connectTimeoutMs = kConnectTimeoutMs);
  int sendJsonCommand(const QString& command);

  // The connect handshake (connect_handshake.cpp).
  int sendConnectCommandAndWait(const QString& command, QString& answer,
                                int firstTimeoutMs = kResponseTimeoutMs,
                                int confirmationTimeoutMs = kConfirmationTimeoutMs);
  int handleConnectCommand(const QString& deviceId, const QString& verificationCode);

  // Device list and device id (device_commands.cpp).
  int queryDeviceList(QJsonArray& devices, QString& errorMessage);
  int handleListDevicesCommand();
  int handleDeviceIdCommand();

  // Settings (settings_commands.cpp).
  int handleResetCustomCode(const QString& code);
  int handleSetBitrateLimitCommand(const QString& value);
  int handleDisableLitePunchCommand(const QString& value);

  // The older option interface (legacy_options.cpp). Sets ranCommand when executeCommand ran,
  // the one case in which run logs the exit line.
  int runLegacyRoute(const QStringList& arguments, bool& ranCommand);
  int executeCommand(const QCommandLineParser& parser);

  // The remote terminal (terminal/term_command.cpp).
  int resolveDeviceByName(const QString& deviceName, QString& deviceId);
  int runTermCommand(const QString& deviceId, const TermOptions& options);

 private:
  std::filesystem::path setupLogging();
  // The term route up to and including runTermCommand; sets ranSession when that ran.
  int runTermRoute(const QStringList& arguments, bool& ranSession);

  QString logDirectory;
  std::filesystem::path dataDirectory;
};
