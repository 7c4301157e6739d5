// The command line as a script meets it without a main application: usage errors, the help
// routes and the legacy options, with their exit codes and the exit line in the log.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/tool_runner.h"

namespace {

const char kExitLine[] = "[RezizEzevudCmdApplication::run] orrinctl exit with code: ";
const char kWidenedConnect[] = "-n, --connect <device_id> [verification_code]";

struct Case {
  std::vector<std::string> args;
  int code;
  std::string err;      // exact
  std::string outPart;  // must occur in standard output ("" = output must be empty)
  std::string logPart;  // must occur in the log
  bool exitLine;        // whether the exit line with `code` is logged
};

const Case kCases[] = {
    {{}, 3, "", kWidenedConnect,
     "[RezizEzevudCmdApplication::executeCommand] No command specified", true},
    {{"device-x", "-h"}, 0, "", kWidenedConnect, "", false},
    {{"--connect", "d1", "--help"}, 0, "", kWidenedConnect, "", false},
    {{"-v"}, 0, "", "orrinctl 4.33.0.8907\n", "", false},
    {{"-?"}, 1, "orrinctl: Unknown option '?'.\n", "", "", false},
    {{"--connect"}, 1, "orrinctl: Missing value after '--connect'.\n", "", "", false},
    {{"device", "connect", ""}, 3,
     "Error: device ID is required\nUsage: orrinremote device connect <id>\n", "", "", true},
    {{"DEVICE", "-h"}, 3, "Usage: orrinremote device <list|connect|disconnect|status>\n", "", "",
     true},
    {{"Help", "device", "x"}, 3,
     "Unknown topic: device x\nAvailable: list, connect, disconnect, status\n", "", "", false},
    {{"HELP"}, 0, "", "Usage: orrinremote <command> [options]\n", "", false},
};

TEST(CommandLine, RoutesWithoutMainApplication) {
  for (const Case& c : kCases) {
    std::string name;
    for (const std::string& arg : c.args) name += "[" + arg + "]";
    SCOPED_TRACE(name);
    ToolSandbox sandbox;
    const ToolRun run = sandbox.run(c.args);
    const std::string log = sandbox.lastLog();
    EXPECT_EQ(run.exitCode, c.code);
    EXPECT_EQ(run.err, c.err);
    if (c.outPart.empty()) {
      EXPECT_EQ(run.out, "");
    } else {
      EXPECT_NE(run.out.find(c.outPart), std::string::npos) << run.out;
    }
    if (!c.logPart.empty()) {
      EXPECT_NE(log.find(c.logPart), std::string::npos) << log;
    }
    const std::string exitLine = kExitLine + std::to_string(c.code) + "\r\n";
    EXPECT_EQ(log.find(exitLine) != std::string::npos, c.exitLine) << log;
  }
}

// Only the highest-ranked option runs; the main application's absence then ends it with 2.
TEST(CommandLine, LegacyDeviceIdOutranksConnect) {
  ToolSandbox sandbox;
  const ToolRun run = sandbox.run({"-d", "--connect", "dev1"});
  const std::string log = sandbox.lastLog();
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_NE(log.find("[RezizEzevudCmdApplication::executeCommand] Command: device-id\r\n"),
            std::string::npos)
      << log;
  EXPECT_EQ(log.find("Command: connect"), std::string::npos) << log;
  EXPECT_NE(log.find(std::string(kExitLine) + "2\r\n"), std::string::npos) << log;
}

}  // namespace
