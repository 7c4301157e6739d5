#include "logutil/log_util.h"

#include "logutil/log_platform.h"

#include <gtest/gtest.h>
#include <spdlog/logger.h>
#include <spdlog/sinks/rotating_file_sink.h>

#include <QByteArray>
#include <QCoreApplication>
#include <QString>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <iterator>
#include <regex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

constexpr std::uint64_t kRealByteLimit = 52428800;

class TempDir {
 public:
  TempDir() { EXPECT_TRUE(dir_.isValid()); }
  fs::path path() const { return fs::path(dir_.path().toStdString()); }

 private:
  QTemporaryDir dir_;
};

// A file of `size` bytes (sparse where the file system allows) last written `age` ago.
void makeFile(const fs::path& path, std::uint64_t size, std::chrono::seconds age) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary).close();
  fs::resize_file(path, size);
  fs::last_write_time(path, fs::file_time_type::clock::now() - age);
}

std::set<std::string> namesIn(const fs::path& dir) {
  std::set<std::string> names;
  for (const auto& entry : fs::recursive_directory_iterator(dir)) {
    if (entry.is_regular_file()) names.insert(fs::relative(entry.path(), dir).generic_string());
  }
  return names;
}

std::string readAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The permission bits, as a number for readable failure messages (0600 is 384).
unsigned modeOf(const fs::path& path) {
  return static_cast<unsigned>(fs::status(path).permissions() & fs::perms::all);
}

constexpr unsigned kOwnerReadWrite = 0600;

// ---------------------------------------------------------------------------------------------
// Run tag and file name

TEST(LogRunTag, HasTimestampAndProcessIdAndNeverChanges) {
  const std::string tag = runTag();
  std::smatch m;
  ASSERT_TRUE(std::regex_match(tag, m, std::regex(R"(^(\d{4})(\d\d)(\d\d)(\d\d)(\d\d)(\d\d)(\d{3})_(\d+)$)"))) << tag;
  EXPECT_GE(std::stoi(m[2]), 1);
  EXPECT_LE(std::stoi(m[2]), 12);
  EXPECT_GE(std::stoi(m[3]), 1);
  EXPECT_LE(std::stoi(m[3]), 31);
  EXPECT_LE(std::stoi(m[4]), 23);
  EXPECT_LE(std::stoi(m[5]), 59);
  EXPECT_LE(std::stoi(m[6]), 60);
  EXPECT_EQ(m[8].str(), std::to_string(QCoreApplication::applicationPid()));

  std::this_thread::sleep_for(5ms);
  EXPECT_EQ(runTag(), tag);
  std::string fromThread;
  std::thread([&] { fromThread = runTag(); }).join();
  EXPECT_EQ(fromThread, tag);
  EXPECT_EQ(makeLogFileName(), "log_" + tag + ".txt");
}

TEST(LogRunTag, StartTimestampIsSeventeenDigitsAndMoves) {
  const std::string first = formatStartTimestamp();
  EXPECT_TRUE(std::regex_match(first, std::regex(R"(^\d{17}$)"))) << first;
  std::this_thread::sleep_for(20ms);
  EXPECT_NE(formatStartTimestamp(), first);
}

// ---------------------------------------------------------------------------------------------
// Function names

TEST(LogFunctionName, StripsReturnTypeParametersAndQualifiers) {
  const struct {
    const char* pretty;
    const char* expected;
  } cases[] = {
      {"int RezizEzevudCmdApplication::run(int, char**)", "RezizEzevudCmdApplication::run"},
      {"RezizEzevudCmdApplication::RezizEzevudCmdApplication()", "RezizEzevudCmdApplication::RezizEzevudCmdApplication"},
      {"RezizEzevudCmdApplication::~RezizEzevudCmdApplication()", "RezizEzevudCmdApplication::~RezizEzevudCmdApplication"},
      {"void uninitLog()", "uninitLog"},
      {"ResumeCandidate probeResumableSession(QLocalSocket&, FrameReceiveBuffer&, const QString&, bool)",
       "probeResumableSession"},
      {"int Foo::bar(int) const", "Foo::bar"},
      {"static int Foo::create()", "Foo::create"},
      {"const QString& Foo::name() const &", "Foo::name"},
      {"std::vector<std::pair<int, int> > ns::vec(const std::map<int, int>&)", "ns::vec"},
      {"std::map<QString, std::function<int(const QStringList&)> >* ns::inner::table()", "ns::inner::table"},
      {"void {anonymous}::helper(int)", "{anonymous}::helper"},
      {"bool {anonymous}::Parser::step(std::function<void(int)>)", "{anonymous}::Parser::step"},
      {"void ns::Box<T>::put(T) const [with T = int]", "ns::Box<T>::put"},
      {"U ns::tf(U) [with U = std::__cxx11::basic_string<char>]", "ns::tf"},
      {"ns::Box<T>::~Box() [with T = int]", "ns::Box<T>::~Box"},
      {"bool ns::Box<T>::operator()(int) [with T = int]", "ns::Box<T>::operator()"},
      {"bool ns::Box<T>::operator<(const ns::Box<T>&) const [with T = int]", "ns::Box<T>::operator<"},
      {"ns::Box<T>::operator bool() const [with T = int]", "ns::Box<T>::operator bool"},
      {"QDebug operator<<(QDebug, const Foo&)", "operator<<"},
      {"void (* getHandler(int))(int)", "getHandler"},
      {"A::run(int, char**)::<lambda()>", "A::run::<lambda>"},
      {"A::A()::<lambda(int)>::<lambda()>", "A::A::<lambda>::<lambda>"},
      {"uninitLog", "uninitLog"},
      {"", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(qualifiedFunctionName(c.pretty), c.expected) << c.pretty;
  }
}

TEST(LogFunctionName, MacroPassesThisFunction) {
  LogStatement statement(loglevel::kInfo, __FILE__, __PRETTY_FUNCTION__, 7, "Global", 0);
  EXPECT_EQ(statement.payload(),
            "[Global] [log_util_test.cpp:7] [{anonymous}::LogFunctionName_MacroPassesThisFunction_Test::TestBody] ");
}

// ---------------------------------------------------------------------------------------------
// Payload

TEST(LogPayload, PrefixesLoggerFileLineAndFunction) {
  const struct {
    const char* file;
    int line;
    const char* logger;
    const char* expected;
  } cases[] = {
      {"/home/build/src/rezizezevud_cmd/orrinremotecmd_application.cpp", 42, "Global",
       "[Global] [orrinremotecmd_application.cpp:42] [Foo::bar] hello"},
      {"C:\\src\\orrinctl\\command_channel.cpp", 7, "Global", "[Global] [command_channel.cpp:7] [Foo::bar] hello"},
      {"src/mixed\\path/file.cpp", 1, "Global", "[Global] [file.cpp:1] [Foo::bar] hello"},
      {"plain.cpp", 0, "Global", "[Global] [plain.cpp:0] [Foo::bar] hello"},
      {"a/b.cpp", -3, nullptr, "[Global] [b.cpp:-3] [Foo::bar] hello"},
      {"a/b.cpp", 12, "Net", "[Net] [b.cpp:12] [Foo::bar] hello"},
  };
  for (const auto& c : cases) {
    LogStatement statement(loglevel::kInfo, c.file, "void Foo::bar(int)", c.line, c.logger, 0);
    statement << "hello";
    EXPECT_EQ(statement.payload(), c.expected) << c.file;
  }
}

TEST(LogPayload, InsertsTextNumbersQtTypesAndBytesUnchanged) {
  LogStatement statement(loglevel::kWarn, "x.cpp", "void f()", 1, "Global", 0);
  statement << "n=" << 42 << " s=" << std::string("std") << " q=" << QString::fromUtf8("Grüße 设备")
            << " b=" << QByteArray("a\0b", 3) << " {}";
  EXPECT_EQ(statement.payload(), std::string("[Global] [x.cpp:1] [f] n=42 s=std q=Grüße 设备 b=a") + '\0' + "b {}");
}

TEST(LogPayload, ShowsElapsedMillisecondsWhenStartTimeGiven) {
  const std::int64_t startNs = std::chrono::duration_cast<std::chrono::nanoseconds>(
                                   (std::chrono::steady_clock::now() - 1500ms).time_since_epoch())
                                   .count();
  LogStatement statement(loglevel::kInfo, "x.cpp", "void f()", 1, "Global", startNs);
  statement << "done";
  std::smatch m;
  const std::string payload = statement.payload();
  ASSERT_TRUE(std::regex_match(payload, m, std::regex(R"(^\[Global\] \[x\.cpp:1\] \[f\] \[timit:(\d+)\] done$)")))
      << payload;
  EXPECT_GE(std::stoll(m[1]), 1500);
  EXPECT_LT(std::stoll(m[1]), 61500);
}

// ---------------------------------------------------------------------------------------------
// Pruning

struct PruneFile {
  const char* name;
  std::uint64_t size;
  std::chrono::seconds age;
};

struct PruneCase {
  const char* title;
  std::vector<PruneFile> files;
  std::uint64_t maxBytes;
  int maxAgeDays;
  std::set<std::string> survivors;
};

constexpr std::chrono::seconds kDay = 24h;

TEST(LogPrune, DeletesByAgeThenOldestFirstBySize) {
  const std::vector<PruneCase> cases = {
      {"age: 7 days and some hours kept, 8 days deleted",
       {{"week.txt", 10, 7 * kDay + 23h}, {"eight.txt", 10, 8 * kDay}, {"month.txt", 10, 30 * kDay}, {"new.txt", 10, 0s}},
       1000, 7, {"week.txt", "new.txt"}},
      {"age limit 0 keeps the day-old remainder",
       {{"hours.txt", 10, 23h}, {"day.txt", 10, kDay + 1h}},
       1000, 0, {"hours.txt"}},
      {"a file written in the future is kept", {{"future.txt", 10, -kDay}}, 1000, 7, {"future.txt"}},
      {"total exactly at the limit kept",
       {{"a.txt", 40, 3h}, {"b.txt", 30, 2h}, {"c.txt", 30, 1h}}, 100, 7, {"a.txt", "b.txt", "c.txt"}},
      {"one byte over deletes the oldest only",
       {{"z-oldest.txt", 1, 3h}, {"b.txt", 50, 2h}, {"a-newest.txt", 50, 1h}}, 100, 7, {"b.txt", "a-newest.txt"}},
      {"oldest first until at most the limit",
       {{"1.txt", 30, 4h}, {"2.txt", 30, 3h}, {"3.txt", 30, 2h}, {"4.txt", 30, 1h}}, 61, 7, {"3.txt", "4.txt"}},
      {"a single file over the limit is deleted", {{"big.txt", 101, 1h}}, 100, 7, {}},
      {"files deleted for age do not count towards the size",
       {{"old.txt", 100, 8 * kDay}, {"new.txt", 60, 1h}}, 100, 7, {"new.txt"}},
      {"only .txt and log.txt.*.gz count",
       {{"old.log", 500, 30 * kDay},
        {"sub/old.txt", 500, 30 * kDay},
        {"archive.gz", 500, 30 * kDay},
        {"other.txt.1.gz", 500, 30 * kDay},
        {"log.txt.1.gz", 10, 30 * kDay},
        {"log.txt.2.gz", 60, 2h},
        {"log_20250314093015042_1234.1.txt", 60, 1h}},
       100, 7, {"old.log", "sub/old.txt", "archive.gz", "other.txt.1.gz", "log_20250314093015042_1234.1.txt"}},
  };
  for (const PruneCase& c : cases) {
    SCOPED_TRACE(c.title);
    TempDir dir;
    for (const PruneFile& f : c.files) makeFile(dir.path() / f.name, f.size, f.age);
    pruneLogDirectory(dir.path(), c.maxBytes, c.maxAgeDays);
    EXPECT_EQ(namesIn(dir.path()), c.survivors);
  }
}

TEST(LogPrune, LeavesDirectoriesAlone) {
  TempDir dir;
  fs::create_directories(dir.path() / "dir.txt");
  fs::last_write_time(dir.path() / "dir.txt", fs::file_time_type::clock::now() - 30 * kDay);
  pruneLogDirectory(dir.path(), 0, 0);
  EXPECT_TRUE(fs::is_directory(dir.path() / "dir.txt"));
}

TEST(LogPrune, CleanOldLogsUsesFiftyMebibytesAndSevenDays) {
  TempDir dir;
  makeFile(dir.path() / "week.txt", 1, 7 * kDay + 12h);
  makeFile(dir.path() / "eight.txt", 1, 8 * kDay + 1h);
  makeFile(dir.path() / "a.txt", kRealByteLimit / 2 - 1, 3h);
  makeFile(dir.path() / "b.txt", kRealByteLimit / 2, 2h);
  cleanOldLogs(dir.path());  // exactly 52428800 bytes remain
  EXPECT_EQ(namesIn(dir.path()), (std::set<std::string>{"week.txt", "a.txt", "b.txt"}));

  makeFile(dir.path() / "c.txt", 1, 1h);  // one byte over
  cleanOldLogs(dir.path());
  EXPECT_EQ(namesIn(dir.path()), (std::set<std::string>{"a.txt", "b.txt", "c.txt"}));
}

TEST(LogPrune, MissingDirectoryThrowsButCleanOldLogsSwallowsIt) {
  TempDir dir;
  EXPECT_THROW(pruneLogDirectory(dir.path() / "missing", 0, 0), fs::filesystem_error);
  EXPECT_NO_THROW(cleanOldLogs(dir.path() / "missing"));
}

// ---------------------------------------------------------------------------------------------
// Files are private to their owner, rotated ones too

TEST(LogFileMode, RotatedFilesAreOwnerOnly) {
#ifndef _WIN32
  const mode_t previous = ::umask(022);
#endif
  TempDir dir;
  const fs::path base = dir.path() / "rot.txt";
  {
    auto sink = std::make_shared<spdlog::sinks::rotating_file_sink_mt>(base.string(), 64, 3, false,
                                                                       logplatform::ownerOnlyFileEvents());
    spdlog::logger logger("rotation_test", sink);  // not registered: the registry stays untouched
    for (int i = 0; i < 20; ++i) logger.info("line {} with some padding to rotate", i);
  }
#ifndef _WIN32
  ::umask(previous);
#endif
  const std::set<std::string> names = namesIn(dir.path());
  EXPECT_EQ(names, (std::set<std::string>{"rot.txt", "rot.1.txt", "rot.2.txt", "rot.3.txt"}));
  for (const std::string& name : names) EXPECT_EQ(modeOf(dir.path() / name), kOwnerReadWrite) << name;
}

// ---------------------------------------------------------------------------------------------
// Lifecycle. spdlog's registry is process-wide, so initLog and uninitLog run in this one test.

TEST(LogLifecycle, StatementBeforeInitLogWritesNothingToStdout) {
  testing::internal::CaptureStdout();
  LOG_INFO << "before initLog";
  LOG_ERROR << "before initLog";
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST(LogLifecycle, InitLogWritesTheRunFileAndUninitLogEndsIt) {
#ifndef _WIN32
  const mode_t previous = ::umask(022);
#endif
  TempDir temp;
  const fs::path dir = temp.path() / "data" / "Log";  // parents are created
  makeFile(dir / "log_old.txt", 10, 9 * kDay);       // pruned before the run's file exists
  makeFile(dir / "recent.txt", 10, 1h);

  testing::internal::CaptureStdout();
  initLog(dir);
  const int line = __LINE__ + 1;
  LOG_INFO << "message " << 42 << " " << QString::fromUtf8("Grüße") << " {}";
  LOG_WARN << "warned";
  LOG_ERROR << "failed";
  uninitLog();
  LOG_INFO << "after uninitLog";
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
#ifndef _WIN32
  ::umask(previous);
#endif

  const fs::path file = dir / makeLogFileName();
  EXPECT_EQ(namesIn(dir), (std::set<std::string>{"recent.txt", makeLogFileName()}));
  EXPECT_EQ(modeOf(file), kOwnerReadWrite);

  const std::string content = readAll(file);
  std::vector<std::string> lines;
  std::size_t begin = 0;
  for (std::size_t end; (end = content.find("\r\n", begin)) != std::string::npos; begin = end + 2) {
    lines.push_back(content.substr(begin, end - begin));
  }
  EXPECT_EQ(begin, content.size()) << "every line ends with \\r\\n";
  ASSERT_EQ(lines.size(), 5u) << content;

  const std::string stamp = R"(^\[\d{8} \d\d:\d\d:\d\d\.\d{3}\] )";
  const std::string function = R"(\[\{anonymous\}::LogLifecycle_InitLogWritesTheRunFileAndUninitLogEndsIt_Test::TestBody\])";
  const std::string here = R"(\[Global\] \[log_util_test\.cpp:)";
  const std::vector<std::string> expected = {
      stamp + R"(\[I\] \[\d+\] init log$)",
      stamp + R"(\[I\] \[\d+\] )" + here + std::to_string(line) + "\\] " + function + " message 42 Grüße \\{\\}$",
      stamp + R"(\[W\] \[\d+\] )" + here + std::to_string(line + 1) + "\\] " + function + " warned$",
      stamp + R"(\[E\] \[\d+\] )" + here + std::to_string(line + 2) + "\\] " + function + " failed$",
      stamp + R"(\[I\] \[\d+\] \[Global\] \[log_util\.cpp:\d+\] \[uninitLog\] uninitLog$)",
  };
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_TRUE(std::regex_match(lines[i], std::regex(expected[i]))) << lines[i];
  }
}

}  // namespace
