// orrinctl term against velmora-sim: real shells fed from redirected input, sessions that
// outlive the tool, locked and failing devices.

#include <gtest/gtest.h>

#include <regex>

#include "e2e/sim_fixture.h"

namespace {

const char kState[] = R"({
  "user": {"name": "Test User"},
  "devices": [
    {"device_id": "d1", "name": "alpha"},
    {"device_id": "locked", "name": "vault",
     "terminal": {"lock": "device_locked", "password": "pw", "not_ready_retries": 1}},
    {"device_id": "asleep", "name": "asleep",
     "terminal": {"lock": "device_not_logged_in", "password": "pw",
                  "unlock_error": {"code": 2, "message": "auto-login timed out"}}},
    {"device_id": "mac", "terminal": {"open_error": {"code": 402, "message": "mac_not_logged_in"}}},
    {"device_id": "gone", "terminal": {"open_error": {"code": 403}}},
    {"device_id": "dos", "terminal": {"open_error": {"code": 501}}},
    {"device_id": "old", "terminal": {"open_error": {"code": 1004, "message": "too old"}}},
    {"device_id": "broken", "terminal": {"frame_error": {"code": 77, "message": "bridge exploded"}}},
    {"device_id": "away", "name": "away", "online": false}
  ],
  "shells": {"bash": "bash --norc --noprofile", "powershell": "bash --norc --noprofile",
             "zsh": "no-such-shell-here"}
})";

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

RunOptions input(const std::string& text, int timeoutMs = 30000) {
  RunOptions options;
  options.stdinData = text;
  options.timeoutMs = timeoutMs;
  return options;
}

// Leaves a running shell behind: the tool is killed while its session is still open.
void detachSession(const SimBench& bench, const std::string& typed) {
  const ToolRun run =
      bench.run({"term", "--device-id", "d1", "--shell", "bash"}, input(typed, 2500));
  EXPECT_TRUE(run.timedOut) << "the session ended by itself: " << run.err;
}

TEST(SimTerminal, RedirectedInputRunsInARealShell) {
  SimBench bench(kState);
  ASSERT_TRUE(bench.sim.started()) << bench.sim.errText();
  const struct {
    std::vector<std::string> args;
    std::string typed;
    std::string shownLine;
    int exitCode;
  } cases[] = {
      {{"term", "--device-id", "d1", "--shell", "bash"}, "echo hi\nexit 3\n", "hi", 3},
      // By name, with the default shell, which this machine maps to bash.
      {{"term", "alpha"}, "echo $((6*7))\nexit 5\n", "42", 5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.args));
    const ToolRun run = bench.run(c.args, input(c.typed));
    EXPECT_TRUE(showsLine(run.out, c.shownLine)) << run.out;
    EXPECT_TRUE(contains(run.err, "[Connect] Connected")) << run.err;
    EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
  }
}

TEST(SimTerminal, DetachedSessionIsListedResumedAndKilled) {
  SimBench bench(kState);
  ASSERT_TRUE(bench.sim.started()) << bench.sim.errText();
  const std::vector<std::string> list{"term", "--device-id", "d1", "--list-sessions"};
  detachSession(bench, "echo first-$((6*7))\n");

  const ToolRun listed = bench.run(list);
  EXPECT_TRUE(std::regex_match(listed.out, std::regex("SESSION_ID\tSHELL\tSTATE\tLAST_ACTIVE\n"
                                                      "1\tbash\tdetached\t[0-9]+\n")))
      << listed.out;
  EXPECT_EQ(listed.exitCode, 0);

  // The tool finds the detached session by itself; what the shell wrote meanwhile is replayed.
  const ToolRun resumed = bench.run({"term", "--device-id", "d1"}, input("echo second\nexit 4\n"));
  EXPECT_TRUE(contains(resumed.err, "[System] Found a detached session, resuming... (bash)"))
      << resumed.err;
  EXPECT_TRUE(showsLine(resumed.out, "first-42")) << resumed.out;
  EXPECT_TRUE(showsLine(resumed.out, "second")) << resumed.out;
  EXPECT_EQ(resumed.exitCode, 4);
  EXPECT_EQ(bench.run(list).out, "No active sessions.\n");

  detachSession(bench, "echo again\n");
  const ToolRun killed = bench.run({"term", "--device-id", "d1", "--kill-session", "2"});
  EXPECT_EQ(killed.out, "Session killed.\n");
  EXPECT_EQ(killed.exitCode, 0);
  const ToolRun unknown = bench.run({"term", "--device-id", "d1", "--kill-session", "2"});
  EXPECT_TRUE(contains(unknown.err, "\nError: session not found: 2\n")) << unknown.err;
  EXPECT_EQ(unknown.exitCode, 6);
  EXPECT_EQ(bench.run(list).out, "No active sessions.\n");
}

// A wrong password, the right one, one "not ready" answer, and then the shell.
TEST(SimTerminal, LockedDeviceUnlocksAndRetries) {
  SimBench bench(kState);
  ASSERT_TRUE(bench.sim.started()) << bench.sim.errText();
  const ToolRun run = bench.run({"term", "--device-id", "locked", "--shell", "bash"},
                                input("bad\npw\necho inside\nexit 0\n"));
  for (const char* line :
       {"[System] Controlled device is locked. Enter the account password to verify your identity.",
        "[System] Unlock failed: incorrect password.", "[System] Unlocking...",
        "[System] Starting terminal session... (attempt 1/12)",
        "[System] Starting terminal session... (attempt 2/12)", "[Connect] Connected"}) {
    EXPECT_TRUE(contains(run.err, line)) << line << "\n" << run.err;
  }
  EXPECT_TRUE(showsLine(run.out, "inside")) << run.out;
  EXPECT_EQ(run.exitCode, 0);
}

TEST(SimTerminal, DevicesThatCannotOpenAShell) {
  SimBench bench(kState);
  ASSERT_TRUE(bench.sim.started()) << bench.sim.errText();
  const struct {
    std::string device;
    std::string shell;
    std::string typed;
    std::string message;
  } cases[] = {
      {"mac", "bash", "", "[System] Controlled Mac not logged in. Cannot start terminal."},
      {"gone", "bash", "",
       "[System] The connection to the remote device has been disconnected. Please retry."},
      {"dos", "bash", "",
       "[System] Remote terminal is not supported on the controlled device's operating system."},
      {"old", "bash", "",
       "[Terminal] Client version too low. The remote endpoint requires a newer client."},
      {"broken", "bash", "", "Error: bridge exploded (code 77)"},
      {"asleep", "bash", "pw\n", "[Terminal] Auto-login timed out on remote device."},
      {"away", "bash", "", "Error: device offline: away"},
      {"d1", "zsh", "", "Error: Open failed (code 404): shell not installed: no-such-shell-here"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.device);
    const ToolRun run =
        bench.run({"term", "--device-id", c.device, "--shell", c.shell}, input(c.typed));
    EXPECT_TRUE(contains(run.err, c.message)) << run.err;
    EXPECT_EQ(run.exitCode, 6);
  }
}

}  // namespace
