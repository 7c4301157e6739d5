#pragma once

#include <QByteArray>
#include <QJsonValue>
#include <QString>

// The answer shapes of one-shot commands, each written to the tool in a single piece.
struct BusinessAnswer {
  QByteArray text;
  bool stateChanged = false;
};

// "resp:" + {"data": value}
BusinessAnswer dataAnswer(const QJsonValue& data, bool stateChanged = false);
// "resp:" + {"error": {"code": code, "message": message}}: a failure that the JSON reports.
BusinessAnswer jsonErrorAnswer(const QString& code, const QString& message);
// "resp:" + text
BusinessAnswer plainAnswer(const QString& text, bool stateChanged = false);
// "resp:error:" + reason
BusinessAnswer errorAnswer(const QString& reason);

BusinessAnswer notLoggedInAnswer();
