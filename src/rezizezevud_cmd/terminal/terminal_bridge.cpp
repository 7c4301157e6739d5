#include "rezizezevud_cmd/terminal/terminal_bridge.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>

#include "rezizezevud_cmd/console_output.h"
#include "rezizezevud_cmd/exit_codes.h"
#include "rezizezevud_cmd/terminal/attach_stream.h"
#include "rezizezevud_cmd/terminal/received_frame.h"
#include "rezizezevud_cmd/terminal/terminal_frame.h"
#include "rezizezevud_cmd/terminal/terminal_messages.h"

namespace {

struct ProgressStep {
  const char* key;
  MessageId message;
};

// The main application names its steps in its own words; the pairing below is what the user has
// always been shown for each of them.
constexpr ProgressStep kProgressSteps[] = {
    {"initializing_session", kMsgConnectInitializing}, {"discovering_device", kMsgConnectServer},
    {"establishing_channel", kMsgConnectSession},      {"optimizing_connection", kMsgConnectSync},
    {"completing_handshake", kMsgConnectOptimizing},
};

}  // namespace

bool isSupportedShell(const QString& shell) {
  return shell == QLatin1String("powershell") || shell == QLatin1String("cmd") ||
         shell == QLatin1String("zsh") || shell == QLatin1String("bash");
}

QString buildTerminalRequest(const QString& deviceId) {
  const QJsonObject request{{QStringLiteral("device_id"), deviceId}};
  return QStringLiteral("cmd:terminal:") +
         QString::fromUtf8(QJsonDocument(request).toJson(QJsonDocument::Compact));
}

void showConnectProgress(const QByteArray& stepKey) {
  for (const ProgressStep& step : kProgressSteps) {
    if (stepKey == step.key) {
      printErrorLine(QString::fromUtf8(localizedMessage(step.message)));
      return;
    }
  }
}

int waitTerminalAttach(QLocalSocket& socket, QByteArray& leftover, QString& errorText,
                       int timeoutMs) {
  QElapsedTimer clock;
  clock.start();
  AttachStream stream;
  QByteArray arrived;
  for (;;) {
    switch (stream.feed(arrived, showConnectProgress)) {
      case AttachStream::State::kAttached:
        leftover = stream.leftover();
        return kSuccess;
      case AttachStream::State::kRefused:
        errorText = stream.errorText();
        return kTerminalFailed;
      case AttachStream::State::kPending:
        break;
    }
    const qint64 remaining = timeoutMs - clock.elapsed();
    // Bytes Qt has already buffered would not wake a wait for new data.
    const bool readable = remaining > 0 && (socket.bytesAvailable() > 0 ||
                                            socket.waitForReadyRead(static_cast<int>(remaining)));
    if (!readable) {
      errorText = QStringLiteral("Error: Timeout waiting terminal attach response");
      return kTimeout;
    }
    arrived = socket.readAll();
  }
}

int waitOpenResponse(QLocalSocket& socket, FrameReceiveBuffer& buffer, QString& message,
                     int timeoutMs) {
  int result = -1;
  const AwaitResult outcome =
      awaitFrame(socket, buffer, timeoutMs, [&](const TerminalFrame& frame) {
        switch (frame.type) {
          case kOpenResp: {
            QJsonObject answer;
            if (!parseJsonObject(frame.payload, answer)) {
              printErrorLine(QStringLiteral("Error: invalid open response"));
              result = -1;
              return true;
            }
            const int code = answer.value(QStringLiteral("code")).toInt(-1);
            if (code > 0) {
              message = answer.value(QStringLiteral("message")).toString();
            } else if (code < 0) {
              printErrorLine(QStringLiteral("Error: %1")
                                 .arg(answer.value(QStringLiteral("message"))
                                          .toString(QStringLiteral("open failed"))));
            }
            result = code < 0 ? -1 : code;
            return true;
          }
          case kOutput:
            writeStdoutRaw(frame.payload);
            return false;
          case kExit:
          case kError:
            // Whatever ended the session has been printed; the open has failed.
            (void)endSessionOnFrame(frame);
            result = -1;
            return true;
          default:
            return false;
        }
      });
  switch (outcome) {
    case AwaitResult::kHandled:
      return result;
    case AwaitResult::kTimedOut:
      return -2;
    case AwaitResult::kDisconnected:
      printErrorLine(
          QStringLiteral("Error: terminal disconnected while waiting for open response"));
      return -1;
  }
  return -1;
}
