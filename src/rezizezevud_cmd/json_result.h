#pragma once

#include <QJsonObject>
#include <QString>
#include <QtGlobal>

// Reading the main application's "resp:" answers and printing JSON results.

// Splits an answer into its payload (the trimmed text after "resp:"), or into a message for the
// user and an exit code. True only for a non-empty payload; then exitCode is 0.
bool parseResponse(const QString& answer, QString& payload, QString& message, int& exitCode);

// The payload as exactly one JSON object; false for a parse error or any other top level.
bool parseJsonPayloadObject(const QString& payload, QJsonObject& object);

// The printed result: the object with "success" and "timestamp" (nowMs, ms since the epoch)
// set when it carries "data" or "error", indented, without the writer's trailing line end.
QString formatJsonResult(QJsonObject object, qint64 nowMs);

// Prints an answer's JSON result on standard output, or one error line on standard error, and
// returns the exit code (0, 4, 7 or 99).
int printJsonResult(const QString& answer);
