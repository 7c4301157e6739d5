#pragma once

#include <functional>

class ConnectHandshake;
class SessionRegistry;
struct SimState;

// What every connection works on: the one world, the pending connect handshakes, the shells.
struct SimContext {
  SimState& state;
  ConnectHandshake& handshake;
  SessionRegistry& sessions;
  // Called after a request changed the state (the caller may save it).
  std::function<void()> stateChanged;
};
