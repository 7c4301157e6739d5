// Crashes of the tool itself: a copy of the tool's start-up that crashes on request leaves one
// report with the run's log in the crash database folder and still dies of its signal.
#include <gtest/gtest.h>

#include <csignal>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sys/stat.h>

#include "support/tool_runner.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::string> filesIn(const std::string& directory) {
  std::vector<std::string> files;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(directory, ec)) {
    if (entry.is_regular_file()) files.push_back(entry.path().string());
  }
  return files;
}

std::string reportDir(const ToolSandbox& sandbox) { return sandbox.dataDir() + "/Sentry"; }

// A sanitizer takes the fatal signals for its own reports; the tool's handler is not the one
// that runs in such a build.
#ifdef ORRINCTL_SANITIZED
#define SKIP_UNDER_SANITIZER() GTEST_SKIP() << "a sanitizer owns the fatal signals"
#else
#define SKIP_UNDER_SANITIZER() (void)0
#endif

TEST(CrashReporting, CrashLeavesOneReportCarryingTheRunsLogAndDiesOfItsSignal) {
  SKIP_UNDER_SANITIZER();
  struct Case {
    const char* how;
    int signal;
    const char* header;
    const char* crashingFunction;
  };
  const Case cases[] = {
      {"null-write", SIGSEGV, "signal: 11 SIGSEGV\naddress: 0x0\n", "crashByNullWrite"},
      {"abort", SIGABRT, "signal: 6 SIGABRT\ntime: ", "crashByAbort"},
      // Runs the handler on its alternate stack: the thread's own stack is used up.
      {"stack-overflow", SIGSEGV, "signal: 11 SIGSEGV\naddress: 0x", "crashByStackOverflow"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.how);
    ToolSandbox sandbox(CRASHING_TOOL_BINARY);
    const std::time_t before = std::time(nullptr);
    const ToolRun run = sandbox.run({c.how});
    const std::time_t after = std::time(nullptr);
    EXPECT_EQ(run.termSignal, c.signal);
    EXPECT_EQ(run.exitCode, -1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "");

    const std::vector<std::string> logs = sandbox.logFiles();
    ASSERT_EQ(logs.size(), 1u);
    std::smatch tag;
    const std::string logName = fs::path(logs[0]).filename().string();
    ASSERT_TRUE(std::regex_match(logName, tag, std::regex(R"(log_(\d{17}_(\d+))\.txt)"))) << logName;
    const std::vector<std::string> reports = filesIn(reportDir(sandbox));
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(fs::path(reports[0]).filename().string(), "crash_" + tag[1].str() + ".txt");
    struct stat info {};
    ASSERT_EQ(stat(reports[0].c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    const std::string report = readFile(reports[0]);
    EXPECT_EQ(report.rfind(std::string("orrinctl crash report\nrelease: 4.33.0.8907\n"
                                       "environment: orrinctl_prod\n") + c.header, 0), 0u)
        << report;
    EXPECT_NE(report.find("\nprocess id: " + tag[2].str() + "\n"), std::string::npos) << report;

    std::smatch time;
    ASSERT_TRUE(std::regex_search(
        report, time, std::regex(R"(\ntime: (\d{4})-(\d\d)-(\d\d)T(\d\d):(\d\d):(\d\d)\.\d{3}Z\n)")))
        << report;
    std::tm utc{};
    utc.tm_year = std::stoi(time[1]) - 1900;
    utc.tm_mon = std::stoi(time[2]) - 1;
    utc.tm_mday = std::stoi(time[3]);
    utc.tm_hour = std::stoi(time[4]);
    utc.tm_min = std::stoi(time[5]);
    utc.tm_sec = std::stoi(time[6]);
    const std::time_t crashedAt = timegm(&utc);
    EXPECT_GE(crashedAt, before);
    EXPECT_LE(crashedAt, after);

    // The stack of the crash, not only the handler's own frames.
    const std::size_t frames = report.find("\nbacktrace:\n");
    const std::size_t attachment = report.find("\nattachment: " + logs[0] + "\n");
    ASSERT_NE(frames, std::string::npos) << report;
    ASSERT_NE(attachment, std::string::npos) << report;
    EXPECT_NE(report.substr(frames, attachment - frames).find(c.crashingFunction), std::string::npos)
        << report;

    // The log as it was at the crash, including what the run wrote just before it.
    const std::string log = readFile(logs[0]);
    EXPECT_NE(log.find("crashing_tool: about to crash\r\n"), std::string::npos) << log;
    EXPECT_EQ(report.substr(attachment + std::string("\nattachment: \n").size() + logs[0].size()), log);
  }
}

TEST(CrashReporting, NormalRunLeavesNoReport) {
  ToolSandbox sandbox;
  const ToolRun run = sandbox.run({"version"});
  EXPECT_EQ(run.out, "4.33.0.8907\n");
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_TRUE(filesIn(reportDir(sandbox)).empty());
}

TEST(CrashReporting, WithoutDataDirectoryTheCrashStillEndsTheProcess) {
  SKIP_UNDER_SANITIZER();
  ToolSandbox sandbox(CRASHING_TOOL_BINARY);
  fs::create_directories(sandbox.root() + "/A");
  { std::ofstream(sandbox.root() + "/A/log") << "not a folder"; }
  const ToolRun run = sandbox.run({"null-write"});
  EXPECT_EQ(run.termSignal, SIGSEGV);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "");
  for (const auto& entry : fs::recursive_directory_iterator(sandbox.root())) {
    EXPECT_EQ(entry.path().filename().string().rfind("crash_", 0), std::string::npos) << entry.path();
  }
}

}  // namespace
