#pragma once

#include <QString>
#include <filesystem>
#include <optional>
#include <string>

// What the crash reporter is started with. Every path is derived from where the executable
// lives; nothing comes from the environment or a configuration file.
struct CrashReportingOptions {
  std::string dsn;          // where reports are sent; empty sends nothing anywhere
  std::string handlerPath;  // the out-of-process crash handler executable
  std::optional<std::filesystem::path> databasePath;  // reports kept on disk; unset without a data directory
  std::optional<std::filesystem::path> attachment;    // the run's log file; unset without a data directory
  std::string release;
  std::string environment;
};

// Builds the options from the executable's directory text (with its trailing separator, or empty
// when unknown) and the data directory (empty when unknown). Fixes the run tag when it is the
// first to ask for the log file name, so the attachment names the file logging opens later.
CrashReportingOptions makeCrashReportingOptions(const QString& exeDirectory,
                                                const std::filesystem::path& dataDirectory);
