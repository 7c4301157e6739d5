#pragma once

#include <QString>
#include <cstdint>
#include <filesystem>
#include <sstream>
#include <string>
#include <string_view>

// The tool's log: one rotating file per run in the log directory, written through LogStatement.
// Until initLog has opened the run's file (and after uninitLog) statements are dropped, so that
// nothing but results ever reaches standard output.

// Prunes the directory, opens the run's file "log_<runTag>.txt" in it and makes it the
// destination of every statement. Never throws; on failure statements stay dropped.
void initLog(const std::filesystem::path& directory);
// Writes "uninitLog" and shuts logging down. Never throws.
void uninitLog();

// Deletes old log files: older than the age limit first, then oldest first while the total size
// is over the byte limit. Only ".txt" files and rotated "log.txt.*.gz" files count.
void pruneLogDirectory(const std::filesystem::path& directory, std::uint64_t maxTotalBytes, int maxAgeDays);
// pruneLogDirectory with the tool's limits (50 MiB, 7 days), swallowing every error.
void cleanOldLogs(const std::filesystem::path& directory);

// "log_" + runTag() + ".txt".
std::string makeLogFileName();
// The run's start timestamp, "_" and the process id; fixed at its first call.
std::string runTag();
// Local time as "%Y%m%d%H%M%S" followed by three digits of milliseconds.
std::string formatStartTimestamp();

// One log line, written when the statement goes out of scope.
class LogStatement {
 public:
  LogStatement(int level, std::string_view sourceFile, std::string_view function, int line,
               const char* loggerName, std::int64_t startTimeNs);
  ~LogStatement();
  LogStatement(const LogStatement&) = delete;
  LogStatement& operator=(const LogStatement&) = delete;

  template <typename T>
  LogStatement& operator<<(const T& value) {
    stream_ << value;
    return *this;
  }
  LogStatement& operator<<(const QString& text);
  LogStatement& operator<<(const QByteArray& bytes);

  // The line's text after the prefix: "[logger] [file:line] [function] " and the message.
  std::string payload() const;

 private:
  int level_;
  std::string_view sourceFile_;
  std::string_view function_;
  int line_;
  const char* loggerName_;
  std::int64_t startTimeNs_;
  std::ostringstream stream_;
};

// "int Foo::bar(int) const" -> "Foo::bar": the qualified name without return type or parameters.
std::string qualifiedFunctionName(std::string_view prettyFunction);

namespace loglevel {
constexpr int kInfo = 2;
constexpr int kWarn = 3;
constexpr int kError = 4;
}  // namespace loglevel

#define ORRIN_LOG(level) LogStatement((level), __FILE__, __PRETTY_FUNCTION__, __LINE__, "Global", 0)
#define LOG_INFO ORRIN_LOG(loglevel::kInfo)
#define LOG_WARN ORRIN_LOG(loglevel::kWarn)
#define LOG_ERROR ORRIN_LOG(loglevel::kError)
