#pragma once

#include "business_answers.h"

struct SimCommand;
struct SimState;

// Handlers behind answerBusinessCommand, grouped by what they act on. Each assumes a logged-in
// user where the real application would require one; the dispatcher checks that first.
BusinessAnswer deviceList(SimState& state, const SimCommand& command);
BusinessAnswer deviceStatus(SimState& state, const SimCommand& command);
BusinessAnswer deviceConnect(SimState& state, const SimCommand& command);
BusinessAnswer deviceDisconnect(SimState& state, const SimCommand& command);

BusinessAnswer cloudPcList(SimState& state, const SimCommand& command);
BusinessAnswer cloudPcLaunch(SimState& state, const SimCommand& command);
BusinessAnswer cloudPcShutdown(SimState& state, const SimCommand& command);
BusinessAnswer cloudPcConnect(SimState& state, const SimCommand& command);
BusinessAnswer cloudPcDisconnect(SimState& state, const SimCommand& command);

BusinessAnswer resetCustomCode(SimState& state, const SimCommand& command);
BusinessAnswer setBitrateLimit(SimState& state, const SimCommand& command);
BusinessAnswer disableLitePunch(SimState& state, const SimCommand& command);
