// Compiled into every build, but only has a body when the build links the crash-reporting
// library; otherwise crash_backend_builtin.cpp provides the back end.
#ifdef ORRINCTL_WITH_SENTRY

#include "rezizezevud_cmd/crash_backend.h"

#include <sentry.h>

bool startCrashBackend(const CrashReportingOptions& options) {
  sentry_options_t* sentryOptions = sentry_options_new();
  // Set even when empty: left unset, the library would take a DSN from the environment, and the
  // tool has no run-time configuration of its own.
  sentry_options_set_dsn(sentryOptions, options.dsn.c_str());
  sentry_options_set_handler_path(sentryOptions, options.handlerPath.c_str());
  if (options.databasePath) {
    sentry_options_set_database_path(sentryOptions, options.databasePath->string().c_str());
  }
  if (options.attachment) {
    sentry_options_add_attachment(sentryOptions, options.attachment->string().c_str());
  }
  sentry_options_set_release(sentryOptions, options.release.c_str());
  sentry_options_set_environment(sentryOptions, options.environment.c_str());
  // The library owns the options from here on, whether or not it starts.
  return sentry_init(sentryOptions) == 0;
}

void closeCrashBackend() { sentry_close(); }

#endif  // ORRINCTL_WITH_SENTRY
