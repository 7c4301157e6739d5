#include "rezizezevud_cmd/orrinremotecmd_application.h"

#include <QCoreApplication>
#include <system_error>

#include "logutil/log_util.h"
#include "rezizezevud_cmd/command_table.h"
#include "rezizezevud_cmd/console_output.h"
#include "rezizezevud_cmd/crash_reporting.h"
#include "rezizezevud_cmd/exit_codes.h"
#include "rezizezevud_cmd/help_texts.h"
#include "rezizezevud_cmd/platform/process_info.h"

namespace {

const char kSeparatorLine[] = "========================================";

// The exit line names run as its function, so it is written right there.
#define LOG_EXIT_LINE(code) LOG_INFO << "orrinctl exit with code: " << (code)

}  // namespace

RezizEzevudCmdApplication::RezizEzevudCmdApplication() {
  setupCrashReporting();
  logDirectory = QString::fromStdString(setupLogging().string());
  LOG_INFO << kSeparatorLine;
  LOG_INFO << "orrinctl start, version: " << getVersion();
}

RezizEzevudCmdApplication::~RezizEzevudCmdApplication() {
  try {
    LOG_INFO << "orrinctl shutdown";
    LOG_INFO << kSeparatorLine;
    uninitLog();
    closeCrashReporting();
  } catch (...) {
  }
}

QString RezizEzevudCmdApplication::getVersion() { return QStringLiteral("4.33.0.8907"); }

std::filesystem::path RezizEzevudCmdApplication::getDataDirectory(bool create) {
  const auto exe = platform::executablePath();
  if (!exe) return {};
  // The executable's folder F, its parent P: the data lives in P/log/orrinctl. For a folder at
  // the root, the parent is the root itself.
  const std::filesystem::path folder = std::filesystem::path(*exe).parent_path();
  const std::filesystem::path data = folder.parent_path() / "log" / "orrinctl";
  if (create) {
    std::error_code ignored;
    std::filesystem::create_directories(data, ignored);
  }
  return data;
}

QString RezizEzevudCmdApplication::getExeDirectory() {
  const auto exe = platform::executablePath();
  if (!exe) return QString();
  return QString::fromStdString(std::filesystem::path(*exe).parent_path().string()) +
         QLatin1Char(platform::kPathSeparator);
}

std::filesystem::path RezizEzevudCmdApplication::setupLogging() {
  dataDirectory = getDataDirectory(true);
  if (dataDirectory.empty()) return {};
  const std::filesystem::path logDir = dataDirectory / "Log";
  std::error_code ignored;
  std::filesystem::create_directories(logDir, ignored);
  initLog(logDir);
  return logDir;
}

int RezizEzevudCmdApplication::handleVersionCommand() {
  LOG_INFO << "Handling version command";
  printLine(getVersion());
  return kSuccess;
}

int RezizEzevudCmdApplication::run(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("orrinctl"));
  QCoreApplication::setApplicationVersion(getVersion());
  const QStringList arguments = QCoreApplication::arguments();

  if (arguments.size() >= 2) {
    const QString word = arguments.at(1).toLower();
    if (word == QLatin1String("help")) return handleHelpCommand(arguments);
    for (int row = 0; row < kCommandCount; ++row) {
      if (word == QLatin1String(kCommandTable[row].name)) {
        const int code = routeCommand(row, arguments);
        LOG_EXIT_LINE(code);
        return code;
      }
    }
    if (arguments.at(1).compare(QLatin1String("term"), Qt::CaseInsensitive) == 0) {
      bool ranSession = false;
      const int code = runTermRoute(arguments, ranSession);
      if (ranSession) LOG_EXIT_LINE(code);
      return code;
    }
  }
  bool ranCommand = false;
  const int code = runLegacyRoute(arguments, ranCommand);
  if (ranCommand) LOG_EXIT_LINE(code);
  return code;
}
