// The application shell as a user meets it: the version, the run's log file, the main
// application missing.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sys/stat.h>

#include "support/test_peer.h"
#include "support/tool_runner.h"

namespace {

TEST(AppShell, VersionWorksWithoutMainApplication) {
  ToolSandbox sandbox;
  const ToolRun run = sandbox.run({"version"});
  EXPECT_EQ(run.out, "4.33.0.8907\n");
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.exitCode, 0);
}

TEST(AppShell, EveryRunWritesItsOwnOwnerOnlyLogFile) {
  ToolSandbox sandbox;
  ASSERT_EQ(sandbox.run({"VERSION"}).exitCode, 0);
  const std::vector<std::string> files = sandbox.logFiles();
  ASSERT_EQ(files.size(), 1u);
  const std::string name = std::filesystem::path(files[0]).filename().string();
  EXPECT_TRUE(std::regex_match(name, std::regex(R"(log_\d{17}_\d+\.txt)"))) << name;
  struct stat info {};
  ASSERT_EQ(stat(files[0].c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);

  const std::string log = readFile(files[0]);
  const std::vector<std::string> expected = {
      "init log",
      "[RezizEzevudCmdApplication::RezizEzevudCmdApplication] ========================================",
      "[RezizEzevudCmdApplication::RezizEzevudCmdApplication] orrinctl start, version: 4.33.0.8907",
      "[RezizEzevudCmdApplication::handleVersionCommand] Handling version command",
      "[RezizEzevudCmdApplication::run] orrinctl exit with code: 0",
      "[RezizEzevudCmdApplication::~RezizEzevudCmdApplication] orrinctl shutdown",
      "[RezizEzevudCmdApplication::~RezizEzevudCmdApplication] ========================================",
      "[uninitLog] uninitLog",
  };
  std::size_t at = 0;
  for (const std::string& line : expected) {
    const std::size_t found = log.find(line + "\r\n", at);
    ASSERT_NE(found, std::string::npos) << "missing or out of order: " << line << "\n" << log;
    at = found + line.size();
  }
  EXPECT_TRUE(std::regex_search(
      log, std::regex(R"(\[\d{8} \d\d:\d\d:\d\d\.\d{3}\] \[I\] \[\d+\] \[Global\] \[orrinremotecmd_application\.cpp:\d+\] \[RezizEzevudCmdApplication::run\] orrinctl exit with code: 0\r\n)")))
      << log;
}

TEST(AppShell, NoDataDirectoryKeepsLogLinesOffStandardOutput) {
  ToolSandbox sandbox;
  // The data directory cannot be created where a plain file stands in the way.
  std::filesystem::create_directories(sandbox.root() + "/A");
  { std::ofstream(sandbox.root() + "/A/log") << "not a folder"; }
  const ToolRun run = sandbox.run({"version"});
  EXPECT_EQ(run.out, "4.33.0.8907\n");
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.exitCode, 0);
}

TEST(AppShell, MissingMainApplicationEndsWithTwoQuickly) {
  ToolSandbox sandbox;
  const ToolRun run = sandbox.run({"device", "list"});
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "Error: Main application is not running\n");
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_LT(run.seconds, 3.5);
  const std::string log = sandbox.lastLog();
  const std::size_t connecting = log.find("Connecting to server: gakeh-dkark-946Q3509-6576-74GD-RH7U-2816S13V503U");
  ASSERT_NE(connecting, std::string::npos) << log;
  EXPECT_NE(log.find("] [W] ", connecting), std::string::npos);
  EXPECT_NE(log.find("Failed to connect to server", connecting), std::string::npos);
}

}  // namespace
