#pragma once

#include "driver_options.h"
#include "pty_child.h"

// Starts the client and waits until its shell prompt has appeared and gone quiet. Prints why on
// standard error when it does not.
bool startSession(const DriverOptions& options, PtyChild& child);
// Ends the shell (it is at its prompt) and prints the client's resource use over the session.
void endSession(PtyChild& child);
