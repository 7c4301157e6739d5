#include "logutil/log_util.h"

#include "logutil/log_platform.h"

#include <spdlog/pattern_formatter.h>
#include <spdlog/sinks/rotating_file_sink.h>
#include <spdlog/spdlog.h>

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <memory>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {

// The file logger's name. spdlog's initial default logger (a console logger on standard output)
// has the empty name, so "the default logger is ours" tells whether initLog has succeeded and
// uninitLog has not run yet.
constexpr const char* kLoggerName = "logger";
constexpr const char* kLinePattern = "[%Y%m%d %H:%M:%S.%e] [%L] [%t] %v";
constexpr const char* kLineEnd = "\r\n";
constexpr std::size_t kMaxFileBytes = 10485760;
constexpr std::size_t kMaxRotatedFiles = 10;
constexpr std::uint64_t kMaxTotalLogBytes = 52428800;
constexpr int kMaxLogAgeDays = 7;

using Days = std::chrono::duration<std::int64_t, std::ratio<86400>>;

struct PruneCandidate {
  fs::path path;
  fs::file_time_type lastWrite;
  std::uint64_t size = 0;
};

bool isPruneCandidate(const fs::path& path) {
  const fs::path extension = path.extension();
  if (extension == ".txt") return true;
  return extension == ".gz" && path.filename().string().rfind("log.txt.", 0) == 0;
}

std::string_view baseName(std::string_view path) {
  const std::size_t slash = path.find_last_of("/\\");
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

bool isIdentifierChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

std::string_view trim(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

// Where the qualified name that ends at `end` begins: walks back over identifiers, "::" and
// bracketed groups ("Box<std::pair<int, int> >", "{anonymous}", clang's "(anonymous namespace)")
// and stops at the space, '*' or '&' that ends the return type.
std::size_t qualifiedNameStart(std::string_view text, std::size_t end) {
  int depth = 0;
  std::size_t i = end;
  while (i > 0) {
    const char c = text[i - 1];
    if (c == '>' || c == ')' || c == ']' || c == '}') {
      ++depth;
    } else if (c == '<' || c == '(' || c == '[' || c == '{') {
      if (depth == 0) break;
      --depth;
    } else if (depth == 0 && (c == ' ' || c == '*' || c == '&')) {
      break;
    }
    --i;
  }
  return i;
}

// Position of the keyword "operator" that names the function in `declarator`, or npos.
std::size_t operatorKeyword(std::string_view declarator) {
  constexpr std::string_view kOperator = "operator";
  std::size_t at = declarator.rfind(kOperator);
  while (at != std::string_view::npos) {
    const std::size_t after = at + kOperator.size();
    const bool startsToken = at == 0 || !isIdentifierChar(declarator[at - 1]);
    const bool endsToken = after >= declarator.size() || !isIdentifierChar(declarator[after]);
    if (startsToken && endsToken) return at;
    if (at == 0) break;
    at = declarator.rfind(kOperator, at - 1);
  }
  return std::string_view::npos;
}

std::string qualifiedName(std::string_view pretty) {
  pretty = trim(pretty);
  // Template arguments of the function: "void f(T) [with T = int]".
  const std::size_t with = pretty.find(" [with ");
  if (with != std::string_view::npos) pretty = trim(pretty.substr(0, with));
  if (pretty.empty()) return std::string();

  // A lambda: "int A::run(int, char**)::<lambda()>" reads "A::run::<lambda>".
  if (pretty.back() == '>') {
    const std::size_t lambda = pretty.rfind("::<lambda");
    if (lambda != std::string_view::npos && lambda > 0) {
      return qualifiedName(pretty.substr(0, lambda)) + "::<lambda>";
    }
  }

  // The parameter list is the bracket group that closes at the last ')'; what follows it
  // (" const", " &&", " noexcept") is dropped.
  std::string_view declarator = pretty;
  const std::size_t close = pretty.rfind(')');
  if (close != std::string_view::npos) {
    int depth = 0;
    std::size_t i = close + 1;
    std::size_t open = std::string_view::npos;
    while (i > 0) {
      --i;
      if (pretty[i] == ')') {
        ++depth;
      } else if (pretty[i] == '(' && --depth == 0) {
        open = i;
        break;
      }
    }
    if (open == std::string_view::npos) return std::string(pretty);  // unbalanced: keep it all
    declarator = trim(pretty.substr(0, open));
  }
  if (declarator.empty()) return std::string(pretty);

  // "operator()", "operator<", "operator bool": the symbol after the keyword belongs to the name
  // and must not be read as brackets.
  std::size_t nameEnd = declarator.size();
  const std::size_t keyword = operatorKeyword(declarator);
  if (keyword != std::string_view::npos) nameEnd = keyword;
  const std::size_t start = qualifiedNameStart(declarator, nameEnd);
  std::string_view name = declarator.substr(start);

  // A function returning a function pointer: "void (* getHandler(int))(int)".
  if (keyword == std::string_view::npos && name.size() > 2 && name.front() == '(' &&
      name.back() == ')') {
    std::string_view inner = name.substr(1, name.size() - 2);
    while (!inner.empty() && (inner.front() == '*' || inner.front() == '&' || inner.front() == ' ')) {
      inner.remove_prefix(1);
    }
    return qualifiedName(inner);
  }
  return std::string(name);
}

spdlog::level::level_enum toSpdlogLevel(int level) {
  if (level < spdlog::level::trace) return spdlog::level::trace;
  if (level > spdlog::level::off) return spdlog::level::off;
  return static_cast<spdlog::level::level_enum>(level);
}

}  // namespace

void initLog(const fs::path& directory) {
  try {
    std::error_code ignored;
    fs::create_directories(directory, ignored);
    cleanOldLogs(directory);
    const fs::path file = directory / makeLogFileName();
    // Creates or opens the file now; a failure throws and leaves logging off.
    auto sink = std::make_shared<spdlog::sinks::rotating_file_sink_mt>(
        file.string(), kMaxFileBytes, kMaxRotatedFiles, false, logplatform::ownerOnlyFileEvents());
    auto logger = std::make_shared<spdlog::logger>(kLoggerName, std::move(sink));
    spdlog::set_default_logger(logger);
    spdlog::set_level(spdlog::level::info);
    spdlog::flush_on(spdlog::level::info);
    spdlog::set_formatter(std::make_unique<spdlog::pattern_formatter>(
        kLinePattern, spdlog::pattern_time_type::local, kLineEnd));
    logger->log(spdlog::level::info, spdlog::string_view_t("init log"));
  } catch (...) {
  }
}

void uninitLog() {
  LOG_INFO << "uninitLog";
  try {
    spdlog::shutdown();
  } catch (...) {
  }
}

void pruneLogDirectory(const fs::path& directory, std::uint64_t maxTotalBytes, int maxAgeDays) {
  std::vector<PruneCandidate> candidates;
  for (const fs::directory_entry& entry : fs::directory_iterator(directory)) {
    std::error_code error;
    if (!entry.is_regular_file(error) || error) continue;
    if (!isPruneCandidate(entry.path())) continue;
    // A file whose last write time or size cannot be read is left alone: it is neither deleted
    // nor counted towards the total, since nothing sound can be said about its age or size.
    PruneCandidate candidate;
    candidate.path = entry.path();
    candidate.lastWrite = entry.last_write_time(error);
    if (error) continue;
    candidate.size = entry.file_size(error);
    if (error) continue;
    candidates.push_back(std::move(candidate));
  }
  std::stable_sort(candidates.begin(), candidates.end(),
                   [](const PruneCandidate& a, const PruneCandidate& b) { return a.lastWrite < b.lastWrite; });

  const auto now = fs::file_time_type::clock::now();
  std::vector<PruneCandidate> kept;
  std::uint64_t total = 0;
  for (PruneCandidate& candidate : candidates) {
    const std::int64_t ageDays = std::chrono::duration_cast<Days>(now - candidate.lastWrite).count();
    if (ageDays > maxAgeDays) {
      std::error_code ignored;
      fs::remove(candidate.path, ignored);
    } else {
      total += candidate.size;
      kept.push_back(std::move(candidate));
    }
  }

  // The size read above is the one subtracted, so the total stays the sum of what is counted
  // even if a file grows meanwhile.
  for (std::size_t oldest = 0; total > maxTotalBytes && oldest < kept.size(); ++oldest) {
    std::error_code ignored;
    fs::remove(kept[oldest].path, ignored);
    total -= kept[oldest].size;
  }
}

void cleanOldLogs(const fs::path& directory) {
  try {
    pruneLogDirectory(directory, kMaxTotalLogBytes, kMaxLogAgeDays);
  } catch (...) {
  }
}

std::string makeLogFileName() { return "log_" + runTag() + ".txt"; }

std::string runTag() {
  static const std::string tag = formatStartTimestamp() + "_" + std::to_string(logplatform::processId());
  return tag;
}

std::string formatStartTimestamp() {
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  const auto sinceEpoch = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch());
  const long long millis = ((sinceEpoch.count() % 1000) + 1000) % 1000;
  const std::tm local = logplatform::localTime(seconds);
  char text[32];
  const std::size_t length = std::strftime(text, sizeof text, "%Y%m%d%H%M%S", &local);
  char millisText[8];
  std::snprintf(millisText, sizeof millisText, "%03lld", millis);
  return std::string(text, length) + millisText;
}

LogStatement::LogStatement(int level, std::string_view sourceFile, std::string_view function, int line,
                           const char* loggerName, std::int64_t startTimeNs)
    : level_(level),
      sourceFile_(sourceFile),
      function_(function),
      line_(line),
      loggerName_(loggerName),
      startTimeNs_(startTimeNs) {}

LogStatement::~LogStatement() {
  try {
    // Fetched under the registry's lock; kept alive by the shared reference while writing.
    const std::shared_ptr<spdlog::logger> logger = spdlog::default_logger();
    // Only the run's file logger writes: before initLog has succeeded the default logger is
    // spdlog's console logger on standard output, which would corrupt the results printed
    // there; after uninitLog there is none.
    if (!logger || logger->name() != kLoggerName) return;
    const spdlog::level::level_enum level = toSpdlogLevel(level_);
    if (level == spdlog::level::off || !logger->should_log(level)) return;
    const std::string text = payload();
    logger->log(spdlog::source_loc{}, level, spdlog::string_view_t(text.data(), text.size()));
  } catch (...) {
  }
}

LogStatement& LogStatement::operator<<(const QString& text) {
  const QByteArray utf8 = text.toUtf8();
  stream_.write(utf8.constData(), utf8.size());
  return *this;
}

LogStatement& LogStatement::operator<<(const QByteArray& bytes) {
  stream_.write(bytes.constData(), bytes.size());
  return *this;
}

std::string LogStatement::payload() const {
  std::string text;
  text += '[';
  text += loggerName_ != nullptr ? loggerName_ : "Global";
  text += "] [";
  text += baseName(sourceFile_);
  text += ':';
  text += std::to_string(line_);
  text += "] [";
  text += qualifiedFunctionName(function_);
  text += "] ";
  if (startTimeNs_ != 0) {
    const std::int64_t nowNs = std::chrono::duration_cast<std::chrono::nanoseconds>(
                                   std::chrono::steady_clock::now().time_since_epoch())
                                   .count();
    text += "[timit:";
    text += std::to_string((nowNs - startTimeNs_) / 1000000);
    text += "] ";
  }
  text += stream_.str();
  return text;
}

std::string qualifiedFunctionName(std::string_view prettyFunction) { return qualifiedName(prettyFunction); }
