#include "rezizezevud_cmd/terminal/received_frame.h"

#include <QJsonObject>

#include "logutil/log_util.h"
#include "rezizezevud_cmd/console_output.h"
#include "rezizezevud_cmd/exit_codes.h"
#include "rezizezevud_cmd/terminal/terminal_frame.h"
#include "rezizezevud_cmd/terminal/terminal_messages.h"

namespace {

// The remote side refuses clients older than its protocol with this code.
constexpr int kClientTooOldCode = 1004;

struct ErrorReport {
  int code = 0;
  QString message = QStringLiteral("terminal error");
};

ErrorReport readErrorFrame(const TerminalFrame& frame) {
  ErrorReport report;
  QJsonObject object;
  if (parseJsonObject(frame.payload, object)) {
    report.code = object.value(QStringLiteral("code")).toInt(0);
    report.message = object.value(QStringLiteral("message")).toString(report.message);
  }
  return report;
}

}  // namespace

bool handleReceivedFrame(const TerminalFrame& frame, bool& running, bool& gotExit, int& exitCode) {
  switch (frame.type) {
    case kOutput:
      writeStdoutRaw(frame.payload);
      return true;
    case kError: {
      const ErrorReport report = readErrorFrame(frame);
      if (report.code == kClientTooOldCode) {
        LOG_ERROR << "terminal error: client version too low (code=1004), message='"
                  << report.message << "'";
        printErrorLine(QString::fromUtf8(localizedMessage(kMsgClientTooOld)));
      } else if (report.code != 0) {
        printErrorLine(QStringLiteral("Error: %1 (code %2)")
                           .arg(report.message, QString::number(report.code)));
      } else {
        printErrorLine(QStringLiteral("Error: %1").arg(report.message));
      }
      running = false;
      return false;
    }
    case kExit: {
      QJsonObject object;
      if (parseJsonObject(frame.payload, object)) {
        exitCode = object.value(QStringLiteral("exit_code")).toInt(0);
        gotExit = true;
      }
      running = false;
      return true;
    }
    default:
      return true;
  }
}

int endSessionOnFrame(const TerminalFrame& frame) {
  bool running = true;
  bool gotExit = false;
  int exitCode = 0;
  handleReceivedFrame(frame, running, gotExit, exitCode);
  return gotExit ? exitCode : kTerminalFailed;
}
