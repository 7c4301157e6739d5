#pragma once

#include <QString>

// The simulator's own messages on standard error, each line prefixed "velmora-sim: ".
// Traces (every request and answer) appear only with --verbose.
void setSimVerbose(bool on);
bool simVerbose();
void simLog(const QString& message);
void simTrace(const QString& message);
// A byte string made printable for a trace line: control bytes escaped, long ones shortened.
QString printableBytes(const QByteArray& bytes, int limit = 400);
