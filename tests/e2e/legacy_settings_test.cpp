// The settings options end to end: what each value turns into on the wire, and the fixed
// sentences and errors for each kind of answer.

#include <gtest/gtest.h>

#include "e2e/one_shot_peer.h"

namespace {

struct SettingCase {
  std::vector<std::string> args;
  std::string command;  // empty: the value is refused before any connection
  std::string out;
  std::string err;
  int exitCode;
};

TEST(SettingsCommand, ValuesBecomeCommandsOrAreRefused) {
  const std::string badBitrate = "Error: Invalid bitrate value. Use 1-500 (Mbps) or 0 to reset.\n";
  const std::string badWord = "Error: Invalid value. Use 'true' or 'false'.\n";
  const SettingCase cases[] = {
      {{"--set-bitrate-limit", "0"},
       "cmd:set_bitrate_limit:0",
       "Bitrate limit reset to default (no limit)\n",
       "",
       0},
      {{"-b", "0.5"},
       "cmd:set_bitrate_limit:0",
       "Bitrate limit reset to default (no limit)\n",
       "",
       0},
      {{"-b", "12.9"}, "cmd:set_bitrate_limit:12", "Bitrate limit set to 12 Mbps\n", "", 0},
      {{"-b", " 1e2 "}, "cmd:set_bitrate_limit:100", "Bitrate limit set to 100 Mbps\n", "", 0},
      {{"-b", "750"}, "cmd:set_bitrate_limit:500", "Bitrate limit set to 500 Mbps\n", "", 0},
      {{"-b", "1e12"}, "cmd:set_bitrate_limit:500", "Bitrate limit set to 500 Mbps\n", "", 0},
      {{"-b", "-1"}, "", "", badBitrate, 3},
      {{"-b", "abc"}, "", "", badBitrate, 3},
      {{"-b", "nan"}, "", "", badBitrate, 3},
      {{"--disable-lite-punch", " TRUE "},
       "cmd:disable_lite_punch:true",
       "Lite punch mode disabled (kFull)\n",
       "",
       0},
      {{"-l", "1"}, "cmd:disable_lite_punch:true", "Lite punch mode disabled (kFull)\n", "", 0},
      {{"-l", "False"}, "cmd:disable_lite_punch:false", "Lite punch mode enabled (kLite)\n", "", 0},
      {{"-l", "0"}, "cmd:disable_lite_punch:false", "Lite punch mode enabled (kLite)\n", "", 0},
      {{"-l", "yes"}, "", "", badWord, 3},
      {{"--reset-custom-code", " "},
       "cmd:reset_custom_code: ",
       "Verification code reset successfully\n",
       "",
       0},
      {{"-c", "ab:%1 c"},
       "cmd:reset_custom_code:ab:%1 c",
       "Verification code reset successfully\n",
       "",
       0},
      {{"-c", ""}, "", "", "Error: Verification code cannot be empty\n", 3},
  };
  for (const SettingCase& c : cases) {
    SCOPED_TRACE(c.args[0] + " [" + c.args[1] + "]");
    ToolSandbox sandbox;
    TestPeer peer(sandbox.tmpDir());
    if (!c.command.empty()) peer.expect(answerOnce(c.command, "resp:ignored text"));
    const ToolRun run = sandbox.run(c.args);
    EXPECT_EQ(peer.finish(), c.command.empty() ? 0 : 1);
    EXPECT_EQ(run.out, c.out);
    EXPECT_EQ(run.err, c.err);
    EXPECT_EQ(run.exitCode, c.exitCode);
  }
}

TEST(SettingsCommand, AnswersAreJudgedByTheirPrefix) {
  const struct {
    std::string answer;
    std::string out;
    std::string err;
    int exitCode;
  } rows[] = {
      {"resp:", "Bitrate limit set to 20 Mbps\n", "", 0},
      {"resp:{\"error\":1}", "Bitrate limit set to 20 Mbps\n", "", 0},
      {"resp:error:  too  high ", "", "Error:   too  high \n", 4},
      {"resp:error:", "", "Error: \n", 4},
      {" resp:", "", "Error: Invalid response from main application\n", 99},
      {"RESP:", "", "Error: Invalid response from main application\n", 99},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE("answer: " + r.answer);
    ToolSandbox sandbox;
    TestPeer peer(sandbox.tmpDir());
    peer.expect(answerOnce("cmd:set_bitrate_limit:20", r.answer));
    const ToolRun run = sandbox.run({"--set-bitrate-limit", "20"});
    peer.finish();
    EXPECT_EQ(run.out, r.out);
    EXPECT_EQ(run.err, r.err);
    EXPECT_EQ(run.exitCode, r.exitCode);
  }
}

TEST(SettingsCommand, ResetLogsItsFailures) {
  ToolSandbox sandbox;
  EXPECT_EQ(sandbox.run({"-c", ""}).exitCode, 3);
  expectLogLines(sandbox.lastLog(),
                 {{'I', "handleResetCustomCode", "Handling reset-custom-code command"},
                  {'E', "handleResetCustomCode", "Verification code cannot be empty"}});

  EXPECT_EQ(sandbox.run({"-c", "secret"}).exitCode, 2);
  expectLogLines(sandbox.lastLog(),
                 {{'E', "handleResetCustomCode", "Main application is not running"}});

  TestPeer peer(sandbox.tmpDir());
  peer.expect([](PeerConnection& connection) {
    EXPECT_EQ(connection.readCommand(), "cmd:reset_custom_code:secret");
    connection.close();
  });
  const ToolRun closed = sandbox.run({"-c", "secret"});
  peer.finish();
  EXPECT_EQ(closed.exitCode, 5);
  EXPECT_EQ(closed.err, "Error: Timeout waiting for response\n");
  // The code is logged whole with the command, as every command is.
  expectLogLines(
      sandbox.lastLog(),
      {{'I', "sendCommandAndWait", "Connected, sending command: cmd:reset_custom_code:secret"},
       {'E', "handleResetCustomCode", "Timeout waiting for response"}});
}

TEST(SettingsCommand, OtherSettingsReportTimeoutsWithoutAnErrorLog) {
  ToolSandbox sandbox;
  TestPeer peer(sandbox.tmpDir());
  peer.expect([](PeerConnection& connection) { connection.readCommand(); });
  const ToolRun run = sandbox.run({"-l", "true"});
  peer.finish();
  EXPECT_EQ(run.exitCode, 5);
  EXPECT_EQ(run.err, "Error: Timeout waiting for response\n");
  EXPECT_EQ(sandbox.lastLog().find("] [E] "), std::string::npos) << sandbox.lastLog();
}

}  // namespace
