#include "rezizezevud_cmd/crash_reporting.h"

#include "rezizezevud_cmd/crash_backend.h"
#include "rezizezevud_cmd/crash_options.h"
#include "rezizezevud_cmd/orrinremotecmd_application.h"

void setupCrashReporting() {
  const CrashReportingOptions options = makeCrashReportingOptions(
      RezizEzevudCmdApplication::getExeDirectory(), RezizEzevudCmdApplication::getDataDirectory(true));
  // A reporter that cannot start must not change what the tool does, so its result is dropped.
  (void)startCrashBackend(options);
}

void closeCrashReporting() { closeCrashBackend(); }
