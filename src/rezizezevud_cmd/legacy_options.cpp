#include "rezizezevud_cmd/legacy_options.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

#include "logutil/log_util.h"
#include "rezizezevud_cmd/console_output.h"
#include "rezizezevud_cmd/exit_codes.h"
#include "rezizezevud_cmd/help_texts.h"
#include "rezizezevud_cmd/orrinremotecmd_application.h"

namespace {

const QString kDeviceIdOption = QStringLiteral("device-id");
const QString kListDevicesOption = QStringLiteral("list-devices");
const QString kResetCustomCodeOption = QStringLiteral("reset-custom-code");
const QString kConnectOption = QStringLiteral("connect");
const QString kSetBitrateLimitOption = QStringLiteral("set-bitrate-limit");
const QString kDisableLitePunchOption = QStringLiteral("disable-lite-punch");

}  // namespace

void setUpLegacyParser(QCommandLineParser& parser) {
  parser.setApplicationDescription(legacyDescription());
  parser.addHelpOption();
  parser.addVersionOption();
  parser.addOption(QCommandLineOption({QStringLiteral("d"), kDeviceIdOption},
                                      QStringLiteral("Get device ID (requires main app running)")));
  parser.addOption(QCommandLineOption(
      kListDevicesOption,
      QStringLiteral("List devices (name, device_id, online) (requires main app running)")));
  parser.addOption(QCommandLineOption(
      {QStringLiteral("c"), kResetCustomCodeOption},
      QStringLiteral("Reset custom verification code (requires main app running)"),
      QStringLiteral("code")));
  // The leading line break puts the long description below the widened value name in the help.
  parser.addOption(QCommandLineOption(
      {QStringLiteral("n"), kConnectOption},
      QStringLiteral("\nConnect to remote device for remote control (requires main app running). "
                     "verification_code is optional; if omitted, the app will prompt for it based "
                     "on the controlled device's authentication mode."),
      QStringLiteral("device_id")));
  parser.addOption(QCommandLineOption(
      {QStringLiteral("b"), kSetBitrateLimitOption},
      QStringLiteral("Set max bitrate limit in Mbps (1-500, or 0 to disable limit)"),
      QStringLiteral("bitrate")));
  parser.addOption(QCommandLineOption(
      {QStringLiteral("l"), kDisableLitePunchOption},
      QStringLiteral("Disable lite punch mode (true/false). true=full mode, false=lite mode"),
      QStringLiteral("disabled")));
}

bool isLegacyHelpRequest(const QStringList& arguments) {
  return arguments.contains(QStringLiteral("--help")) || arguments.contains(QStringLiteral("-h"));
}

QString legacyHelpText(const QCommandLineParser& parser) {
  return parser.helpText().replace(QStringLiteral("<device_id>"),
                                   QStringLiteral("<device_id> [verification_code]"));
}

void printLegacyHelp(const QCommandLineParser& parser) {
  const QByteArray bytes = legacyHelpText(parser).toLocal8Bit();
  writeStdoutNarrow(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

LegacyChoice chooseLegacyCommand(const QCommandLineParser& parser) {
  LegacyChoice choice;
  if (parser.isSet(kDeviceIdOption)) {
    choice.command = LegacyCommand::kDeviceId;
  } else if (parser.isSet(kListDevicesOption)) {
    choice.command = LegacyCommand::kListDevices;
  } else if (parser.isSet(kResetCustomCodeOption)) {
    choice.command = LegacyCommand::kResetCustomCode;
    choice.value = parser.value(kResetCustomCodeOption);
  } else if (parser.isSet(kConnectOption)) {
    choice.command = LegacyCommand::kConnect;
    choice.value = parser.value(kConnectOption);
    const QStringList positional = parser.positionalArguments();
    if (!positional.isEmpty()) choice.verificationCode = positional.first();
  } else if (parser.isSet(kSetBitrateLimitOption)) {
    choice.command = LegacyCommand::kSetBitrateLimit;
    choice.value = parser.value(kSetBitrateLimitOption);
  } else if (parser.isSet(kDisableLitePunchOption)) {
    choice.command = LegacyCommand::kDisableLitePunch;
    choice.value = parser.value(kDisableLitePunchOption);
  }
  return choice;
}

int RezizEzevudCmdApplication::runLegacyRoute(const QStringList& arguments, bool& ranCommand) {
  ranCommand = false;
  QCommandLineParser parser;
  setUpLegacyParser(parser);
  if (isLegacyHelpRequest(arguments)) {
    printLegacyHelp(parser);
    return kSuccess;
  }
  // Ends the process itself on a parse error (1) and after printing the version (0).
  parser.process(arguments);
  ranCommand = true;
  return executeCommand(parser);
}

// The log lines name the device id and the setting values but never a code.
int RezizEzevudCmdApplication::executeCommand(const QCommandLineParser& parser) {
  const LegacyChoice choice = chooseLegacyCommand(parser);
  switch (choice.command) {
    case LegacyCommand::kDeviceId:
      LOG_INFO << "Command: device-id";
      return handleDeviceIdCommand();
    case LegacyCommand::kListDevices:
      LOG_INFO << "Command: list-devices";
      return handleListDevicesCommand();
    case LegacyCommand::kResetCustomCode:
      LOG_INFO << "Command: reset-custom-code";
      return handleResetCustomCode(choice.value);
    case LegacyCommand::kConnect:
      LOG_INFO << "Command: connect, deviceId: " << choice.value;
      return handleConnectCommand(choice.value, choice.verificationCode);
    case LegacyCommand::kSetBitrateLimit:
      LOG_INFO << "Command: set-bitrate-limit, value: " << choice.value;
      return handleSetBitrateLimitCommand(choice.value);
    case LegacyCommand::kDisableLitePunch:
      LOG_INFO << "Command: disable-lite-punch, value: " << choice.value;
      return handleDisableLitePunchCommand(choice.value);
    case LegacyCommand::kNone:
      break;
  }
  LOG_WARN << "No command specified";
  printLegacyHelp(parser);
  return kInvalidCommand;
}
