#pragma once

class QLocalSocket;

// Connects the socket to the main application under its server name, waiting at most timeoutMs.
// A listener run by another local user is not the main application, whatever name it took: it
// would be handed commands, verification codes and device passwords. Such a connection is
// dropped before a byte is sent and counts as no main application at all.
bool connectToMainApplication(QLocalSocket& socket, int timeoutMs);
