#pragma once

#include <cstdint>
#include <vector>

#include "rezizezevud_cmd/platform/console_handle.h"
#include "rezizezevud_cmd/terminal/console_input_batch.h"

class QLocalSocket;

// True when the handle is an interactive console: keys are then read from it in raw mode.
bool isConsoleHandle(platform::ConsoleHandle handle);

// Sends what is waiting on console input: typed bytes as kStdin, Ctrl+C as kSignal, size changes
// as kResize. Never blocks. False when a frame could not be sent (the sender's error is printed).
// When the input has ended for good, input becomes the invalid handle so it is not read again.
bool pumpConsoleInput(QLocalSocket& socket, platform::ConsoleHandle& input, int& lastCols,
                      int& lastRows, std::uint16_t& pendingHighSurrogate);

// Sends the actions in order; false at the first one that could not be sent.
bool sendConsoleActions(QLocalSocket& socket, const std::vector<ConsoleAction>& actions);
