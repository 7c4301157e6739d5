#include "rezizezevud_cmd/crash_options.h"

#include "logutil/log_util.h"
#include "rezizezevud_cmd/orrinremotecmd_application.h"

namespace {

// Ships with the crash-reporting library and sits beside the tool's own executable.
#ifdef _WIN32
constexpr char kHandlerFileName[] = "crashpad_handler.exe";
#else
constexpr char kHandlerFileName[] = "crashpad_handler";
#endif

constexpr char kEnvironment[] = "orrinctl_prod";

}  // namespace

CrashReportingOptions makeCrashReportingOptions(const QString& exeDirectory,
                                                const std::filesystem::path& dataDirectory) {
  CrashReportingOptions options;
  options.dsn = ORRINCTL_SENTRY_DSN;
  options.handlerPath = exeDirectory.toStdString() + kHandlerFileName;
  if (!dataDirectory.empty()) {
    options.databasePath = dataDirectory / "Sentry";
    // Built exactly as logging builds the path it opens: <data>/Log/<log file name>. The file
    // does not exist yet; it only has to be there when a crash happens.
    options.attachment = dataDirectory / "Log" / makeLogFileName();
  }
  options.release = RezizEzevudCmdApplication::getVersion().toStdString();
  options.environment = kEnvironment;
  return options;
}
