#include "business_answers.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace {

QByteArray withPrefix(const QJsonObject& object) {
  return QByteArrayLiteral("resp:") + QJsonDocument(object).toJson(QJsonDocument::Compact);
}

}  // namespace

BusinessAnswer dataAnswer(const QJsonValue& data, bool stateChanged) {
  return {withPrefix(QJsonObject{{"data", data}}), stateChanged};
}

BusinessAnswer jsonErrorAnswer(const QString& code, const QString& message) {
  const QJsonObject error{{"code", code}, {"message", message}};
  return {withPrefix(QJsonObject{{"error", error}}), false};
}

BusinessAnswer plainAnswer(const QString& text, bool stateChanged) {
  return {QByteArrayLiteral("resp:") + text.toUtf8(), stateChanged};
}

BusinessAnswer errorAnswer(const QString& reason) {
  return {QByteArrayLiteral("resp:error:") + reason.toUtf8(), false};
}

BusinessAnswer notLoggedInAnswer() {
  return jsonErrorAnswer(QStringLiteral("not_logged_in"),
                         QStringLiteral("No user is logged in to Velmora"));
}
