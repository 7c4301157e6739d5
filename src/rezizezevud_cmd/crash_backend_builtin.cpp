// The default back end: the tool writes its own crash reports into the crash database folder
// and sends nothing anywhere. Replaced by crash_backend_sentry.cpp when the build links the
// crash-reporting library.
#ifndef ORRINCTL_WITH_SENTRY

#include "rezizezevud_cmd/crash_backend.h"

#include "logutil/log_util.h"
#include "rezizezevud_cmd/platform/crash_handler.h"

bool startCrashBackend(const CrashReportingOptions& options) {
  // Without a data directory there is nowhere to keep a report. The DSN and the handler path
  // only matter to a reporter that uploads from a separate process.
  if (!options.databasePath) return false;
  platform::CrashReportSettings settings;
  settings.directory = options.databasePath->string();
  // Named like the run's log file, so a report and the log it carries are easy to pair.
  settings.fileName = "crash_" + runTag() + ".txt";
  settings.header = "orrinctl crash report\nrelease: " + options.release +
                    "\nenvironment: " + options.environment + "\n";
  if (options.attachment) settings.attachmentPath = options.attachment->string();
  return platform::installCrashHandler(settings);
}

void closeCrashBackend() { platform::removeCrashHandler(); }

#endif  // !ORRINCTL_WITH_SENTRY
