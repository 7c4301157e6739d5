#include "rezizezevud_cmd/main_application_socket.h"

#include <QLocalSocket>

#include "logutil/log_util.h"
#include "rezizezevud_cmd/orrinremotecmd_application.h"
#include "rezizezevud_cmd/platform/peer_identity.h"

bool connectToMainApplication(QLocalSocket& socket, int timeoutMs) {
  socket.connectToServer(kServerName, QIODevice::ReadWrite);
  if (!socket.waitForConnected(timeoutMs)) return false;
  const auto peerUid = platform::peerUserId(socket.socketDescriptor());
  const std::uint32_t ownUid = platform::currentUserId();
  if (peerUid && !platform::isTrustedPeerUser(*peerUid, ownUid)) {
    LOG_WARN << "Refusing the listener under the server name: it runs as uid " << *peerUid
             << ", not as this user (uid " << ownUid << ") or root";
    socket.abort();
    return false;
  }
  return true;
}
