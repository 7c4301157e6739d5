#include "rezizezevud_cmd/platform/peer_identity.h"

#include <sys/socket.h>
#include <unistd.h>

namespace platform {

std::optional<std::uint32_t> peerUserId(std::intptr_t socketDescriptor) {
  ucred credentials{};
  socklen_t length = sizeof credentials;
  if (getsockopt(static_cast<int>(socketDescriptor), SOL_SOCKET, SO_PEERCRED, &credentials,
                 &length) != 0 ||
      length != sizeof credentials) {
    return std::nullopt;
  }
  return static_cast<std::uint32_t>(credentials.uid);
}

std::uint32_t currentUserId() { return static_cast<std::uint32_t>(geteuid()); }

bool isTrustedPeerUser(std::uint32_t peerUid, std::uint32_t ownUid) {
  return peerUid == ownUid || peerUid == 0;
}

}  // namespace platform
