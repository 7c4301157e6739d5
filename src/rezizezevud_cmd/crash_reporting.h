#pragma once

// Starts capturing the tool's own crashes, with the run's log file attached. The first step of
// start-up: it also fixes the run tag that names the log file.
void setupCrashReporting();
// Ends crash capture; the last step of shutdown.
void closeCrashReporting();
