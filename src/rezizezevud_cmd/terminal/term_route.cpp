#include "rezizezevud_cmd/console_output.h"
#include "rezizezevud_cmd/exit_codes.h"
#include "rezizezevud_cmd/help_texts.h"
#include "rezizezevud_cmd/orrinremotecmd_application.h"
#include "rezizezevud_cmd/terminal/term_options.h"

int RezizEzevudCmdApplication::runTermRoute(const QStringList& arguments, bool& ranSession) {
  TermOptions options;
  bool showedHelp = false;
  QString errorText;
  if (!parseTermOptions(arguments.mid(2), options, showedHelp, errorText)) {
    const QByteArray message = QByteArrayLiteral("Error: ") + errorText.toUtf8() + '\n';
    writeStderrNarrow(
        std::string_view(message.constData(), static_cast<std::size_t>(message.size())));
    printTermUsage();
    return kInvalidCommand;
  }
  if (showedHelp) return kSuccess;
  if (!options.deviceName.isEmpty() && !options.deviceId.isEmpty()) {
    writeStderrNarrow("Error: cannot specify both device name and --device-id\n");
    return kInvalidCommand;
  }
  if (options.deviceName.isEmpty() && options.deviceId.isEmpty()) {
    writeStderrNarrow("Error: device name is required (or use --device-id)\n");
    return kInvalidCommand;
  }

  QString deviceId = options.deviceId;
  if (deviceId.isEmpty()) {
    const int resolved = resolveDeviceByName(options.deviceName, deviceId);
    if (resolved != kSuccess) return resolved;
  }
  const int code = runTermCommand(deviceId, options);
  ranSession = true;
  return code;
}
