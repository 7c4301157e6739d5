#include "rezizezevud_cmd/json_result.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QJsonParseError>

#include "rezizezevud_cmd/console_output.h"
#include "rezizezevud_cmd/exit_codes.h"
#include "rezizezevud_cmd/orrinremotecmd_application.h"

bool parseResponse(const QString& answer, QString& payload, QString& message, int& exitCode) {
  // The error prefix first: it also begins with "resp:", and an error must never pass as data.
  if (answer.startsWith(kRespErrorPrefix)) {
    message = answer.mid(kRespErrorPrefix.size()).trimmed();
    if (message.isEmpty()) message = QStringLiteral("Request failed");
    exitCode = kDataNotAvailable;
    return false;
  }
  if (answer.startsWith(kRespPrefix)) {
    const QString text = answer.mid(kRespPrefix.size()).trimmed();
    if (text.isEmpty()) {
      message = QStringLiteral("Empty response from main application");
      exitCode = kDataNotAvailable;
      return false;
    }
    payload = text;
    exitCode = kSuccess;
    return true;
  }
  message = QStringLiteral("Invalid response from main application");
  exitCode = kUnknownError;
  return false;
}

bool parseJsonPayloadObject(const QString& payload, QJsonObject& object) {
  QJsonParseError error{};
  const QJsonDocument document = QJsonDocument::fromJson(payload.toUtf8(), &error);
  if (error.error != QJsonParseError::NoError || !document.isObject()) return false;
  object = document.object();
  return true;
}

QString formatJsonResult(QJsonObject object, qint64 nowMs) {
  const bool hasData = object.contains(QLatin1String("data"));
  if (hasData || object.contains(QLatin1String("error"))) {
    object.insert(QStringLiteral("success"), hasData);
    object.insert(QStringLiteral("timestamp"), QJsonValue(nowMs));
  }
  return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Indented)).trimmed();
}

int printJsonResult(const QString& answer) {
  QString payload;
  QString message;
  int exitCode = kSuccess;
  if (!parseResponse(answer, payload, message, exitCode)) {
    printErrorLine(QStringLiteral("Error: %1").arg(message));
    return exitCode;
  }
  QJsonObject object;
  if (!parseJsonPayloadObject(payload, object)) {
    printErrorLine(QStringLiteral("Error: Invalid response format (JSON parse failed)"));
    return kInvalidResponse;
  }
  printLine(formatJsonResult(object, QDateTime::currentMSecsSinceEpoch()));
  return kSuccess;
}
