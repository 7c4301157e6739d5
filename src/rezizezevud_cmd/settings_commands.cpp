#include <optional>
#include <string>

#include "logutil/log_util.h"
#include "rezizezevud_cmd/console_output.h"
#include "rezizezevud_cmd/exit_codes.h"
#include "rezizezevud_cmd/orrinremotecmd_application.h"
#include "rezizezevud_cmd/settings_values.h"

namespace {

// The settings answers are judged by their prefix alone; what follows "resp:" is never shown.
int reportSettingResult(int channelResult, const QString& answer,
                        const std::string& successSentence) {
  if (channelResult == kIpcConnectFailed) {
    writeStderrNarrow("Error: Main application is not running\n");
    return kIpcConnectFailed;
  }
  if (channelResult == kTimeout) {
    writeStderrNarrow("Error: Timeout waiting for response\n");
    return kTimeout;
  }
  if (answer.startsWith(kRespErrorPrefix)) {
    const QByteArray reason = answer.mid(kRespErrorPrefix.size()).toLocal8Bit();
    writeStderrNarrow("Error: " + reason.toStdString() + "\n");
    return kDataNotAvailable;
  }
  if (answer.startsWith(kRespPrefix)) {
    writeStdoutNarrow(successSentence);
    return kSuccess;
  }
  writeStderrNarrow("Error: Invalid response from main application\n");
  return kUnknownError;
}

}  // namespace

int RezizEzevudCmdApplication::handleResetCustomCode(const QString& code) {
  LOG_INFO << "Handling reset-custom-code command";
  // Only the empty text is refused: a code of spaces is the user's to choose.
  if (code.isEmpty()) {
    LOG_ERROR << "Verification code cannot be empty";
    writeStderrNarrow("Error: Verification code cannot be empty\n");
    return kInvalidCommand;
  }
  QString answer;
  const int result = sendCommandAndWait(QStringLiteral("cmd:reset_custom_code:%1").arg(code),
                                        kResponseTimeoutMs, answer);
  // Only the code reset logs the channel's failures itself.
  if (result == kIpcConnectFailed) LOG_ERROR << "Main application is not running";
  if (result == kTimeout) LOG_ERROR << "Timeout waiting for response";
  return reportSettingResult(result, answer, "Verification code reset successfully\n");
}

int RezizEzevudCmdApplication::handleSetBitrateLimitCommand(const QString& value) {
  LOG_INFO << "Handling set-bitrate-limit command";
  const std::optional<int> limit = parseBitrateLimit(value);
  if (!limit) {
    writeStderrNarrow("Error: Invalid bitrate value. Use 1-500 (Mbps) or 0 to reset.\n");
    return kInvalidCommand;
  }
  QString answer;
  const int result = sendCommandAndWait(QStringLiteral("cmd:set_bitrate_limit:%1").arg(*limit),
                                        kResponseTimeoutMs, answer);
  return reportSettingResult(result, answer, bitrateLimitSentence(*limit));
}

int RezizEzevudCmdApplication::handleDisableLitePunchCommand(const QString& value) {
  LOG_INFO << "Handling disable-lite-punch command";
  const std::optional<bool> disabled = parseLitePunchDisabled(value);
  if (!disabled) {
    writeStderrNarrow("Error: Invalid value. Use 'true' or 'false'.\n");
    return kInvalidCommand;
  }
  const QString word = *disabled ? QStringLiteral("true") : QStringLiteral("false");
  QString answer;
  const int result = sendCommandAndWait(QStringLiteral("cmd:disable_lite_punch:%1").arg(word),
                                        kResponseTimeoutMs, answer);
  return reportSettingResult(result, answer, litePunchSentence(*disabled));
}
