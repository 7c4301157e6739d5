#pragma once

#include "rezizezevud_cmd/crash_options.h"

// The crash reporter behind crash reporting set-up. Exactly one back end is built: the installed
// crash-reporting library when the build enables it (crash_backend_sentry.cpp), otherwise the
// tool's own fatal-signal reporter (crash_backend_builtin.cpp).

// Starts capturing crashes with these options. Returns false when the reporter did not start;
// the tool runs on either way.
bool startCrashBackend(const CrashReportingOptions& options);
// Stops capturing crashes. Harmless when nothing was started.
void closeCrashBackend();
