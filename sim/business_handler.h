#pragma once

#include "business_answers.h"

struct SimCommand;
struct SimState;

// The answer to any one-shot command other than the connect handshake and the terminal bridge:
// user, device, cloud PC, settings, device id, device list and echo. Unknown commands get an
// error answer; nothing here blocks or keeps the connection.
BusinessAnswer answerBusinessCommand(SimState& state, const SimCommand& command);
// The answer to a request that is not a command at all.
BusinessAnswer malformedRequestAnswer();
