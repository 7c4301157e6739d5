#pragma once

#include <QByteArray>
#include <QString>

class QLocalSocket;
class FrameReceiveBuffer;

// The text handshake that turns a connection to the main application into a terminal bridge to
// one remote device, and the wait for the answer to an open request on that bridge.

constexpr int kTerminalAttachTimeoutMs = 30000;
constexpr int kOpenResponseTimeoutMs = 30000;

// True for exactly "powershell", "cmd", "zsh" and "bash" (the options have lower-cased it).
bool isSupportedShell(const QString& shell);

// "cmd:terminal:" and the compact JSON object {"device_id": deviceId}.
QString buildTerminalRequest(const QString& deviceId);

// Follows the progress lines until "resp:OK" (0; leftover gets the bytes after it, which start the
// frame stream), "resp:error:" (6) or the deadline or a closed connection (5). On failure
// errorText holds the line to print.
int waitTerminalAttach(QLocalSocket& socket, QByteArray& leftover, QString& errorText,
                       int timeoutMs = kTerminalAttachTimeoutMs);

// Prints the localized line of a known progress step; an unknown step prints nothing.
void showConnectProgress(const QByteArray& stepKey);

// Waits for the answer to an open request: 0 when the session is open; the positive code of the
// answer (its "message" stored in message); -1 when the failure has been printed or the wait ended
// on kExit or kError; -2 when nothing came in time (nothing printed). kOutput that arrives
// meanwhile is written to standard output.
int waitOpenResponse(QLocalSocket& socket, FrameReceiveBuffer& buffer, QString& message,
                     int timeoutMs = kOpenResponseTimeoutMs);
