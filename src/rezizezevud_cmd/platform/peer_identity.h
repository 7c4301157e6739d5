#pragma once

#include <cstdint>
#include <optional>

// Who is at the other end of a connected local socket.
namespace platform {

// The user id of the process that owns the peer end of the socket, or nothing when the system
// cannot tell.
std::optional<std::uint32_t> peerUserId(std::intptr_t socketDescriptor);

// The user id this process runs as.
std::uint32_t currentUserId();

// True for a peer the tool may trust with commands, codes and passwords: one running as the same
// user, or as the administrator.
bool isTrustedPeerUser(std::uint32_t peerUid, std::uint32_t ownUid);

}  // namespace platform
