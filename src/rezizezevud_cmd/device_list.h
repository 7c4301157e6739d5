#pragma once

#include <QJsonArray>
#include <QString>
#include <QStringList>

// The device-list record that "cmd:list_devices" answers with: a "devices" array whose elements
// carry "name", "device_id" and "online".

// The "devices" array of a payload. Returns 0, or 99 with the message set when the payload is
// not a JSON object or has no "devices" array.
int parseDeviceListPayload(const QString& payload, QJsonArray& devices, QString& errorMessage);

// The tab-separated table printed for the list: the header, then one line per object element in
// order (other elements are skipped). Values go in unchanged, so a tab in a name stays a tab.
QStringList deviceTableLines(const QJsonArray& devices);
