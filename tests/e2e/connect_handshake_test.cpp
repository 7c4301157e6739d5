// The legacy connect option end to end: the confirmation wait on one connection, the prompts
// for a verification code answered through standard input, and the attempt limits.

#include <gtest/gtest.h>

#include "e2e/one_shot_peer.h"

namespace {

const std::string kNeedPrompt = "Verify code is required. Please enter verify code: ";
const std::string kWrongPrompt = "Wrong verify code. Please enter verify code again: ";
const std::string kNotice = "Waiting for the controlled device to confirm...\n";

TEST(ConnectHandshake, SingleAnswersEndTheCall) {
  const struct {
    std::vector<std::string> args;
    std::string command;
    std::string answer;
    std::string out;
    std::string err;
    int exitCode;
  } cases[] = {
      {{"--connect", "123"},
       "cmd:connect:123:",
       "resp:connected 123\r\n",
       "connected 123\n",
       "",
       0},
      {{"-n", "123", "9 9", "extra"}, "cmd:connect:123:9 9", "resp:", "\n", "", 0},
      {{"--connect", "123"},
       "cmd:connect:123:",
       "resp:error:not_logged_in",
       "",
       "Error: Velmora is not logged in. Please log in first and try again.\n",
       4},
      {{"--connect", "123"},
       "cmd:connect:123:",
       " resp:error: device busy \n",
       "",
       "Error:  device busy\n",
       4},
      {{"--connect", "123"},
       "cmd:connect:123:",
       "connected",
       "",
       "Error: Invalid response from main application\n",
       99},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("answer: " + c.answer);
    ToolSandbox sandbox;
    TestPeer peer(sandbox.tmpDir());
    peer.expect(answerOnce(c.command, c.answer));
    const ToolRun run = sandbox.run(c.args);
    EXPECT_EQ(peer.finish(), 1);
    EXPECT_EQ(run.out, c.out);
    EXPECT_EQ(run.err, c.err);
    EXPECT_EQ(run.exitCode, c.exitCode);
  }
}

TEST(ConnectHandshake, ConfirmationThenResultOnTheSameConnection) {
  ToolSandbox sandbox;
  TestPeer peer(sandbox.tmpDir());
  peer.expect([](PeerConnection& connection) {
    EXPECT_EQ(connection.readCommand(), "cmd:connect:42:code");
    connection.send("resp:waiting_confirmation\n");
    PeerConnection::sleepMs(400);
    connection.send("resp:session started\n");
    EXPECT_TRUE(connection.waitClosed(5000));
  });
  const ToolRun run = sandbox.run({"--connect", "42", "code"});
  EXPECT_EQ(peer.finish(), 1);
  EXPECT_EQ(run.out, kNotice + "session started\n");
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.exitCode, 0);
  expectLogLines(
      sandbox.lastLog(),
      {{'I', "handleConnectCommand", "Handling connect command"},
       {'I', "handleConnectCommand", "Sending command, attempt: 0, cmd: cmd:connect:42:code"},
       {'I', "sendConnectCommandAndWait", "Connecting to server for connect command"},
       {'I', "sendConnectCommandAndWait", "Sent: cmd:connect:42:code"},
       {'I', "sendConnectCommandAndWait", "Received first response: resp:waiting_confirmation"},
       {'I', "sendConnectCommandAndWait",
        "Received final response after confirmation: resp:session started"}});
}

TEST(ConnectHandshake, PeerGoneDuringConfirmationIsATimeout) {
  ToolSandbox sandbox;
  TestPeer peer(sandbox.tmpDir());
  peer.expect([](PeerConnection& connection) {
    connection.readCommand();
    connection.send("resp:waiting_confirmation");
    PeerConnection::sleepMs(200);
    connection.close();
  });
  const ToolRun run = sandbox.run({"--connect", "42"});
  peer.finish();
  EXPECT_EQ(run.out, kNotice);
  EXPECT_EQ(run.err, "Error: Connection timeout\n");
  EXPECT_EQ(run.exitCode, 5);
}

TEST(ConnectHandshake, TypedCodeIsTrimmedAndSentAsInputPassword) {
  ToolSandbox sandbox;
  TestPeer peer(sandbox.tmpDir());
  peer.expect(answerOnce("cmd:connect:42:", "resp:need_password"));
  peer.expect(answerOnce("cmd:input_password:42:12 34", "resp:ok"));
  RunOptions options;
  options.stdinData = "  12 34 \t\r\n";
  const ToolRun run = sandbox.run({"--connect", "42"}, options);
  EXPECT_EQ(peer.finish(), 2);
  EXPECT_EQ(run.out, kNeedPrompt + "ok\n");
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.exitCode, 0);
  expectLogLines(
      sandbox.lastLog(),
      {{'I', "handleConnectCommand", "User entered verify code, will use cmd:input_password"},
       {'I', "handleConnectCommand",
        "Sending command, attempt: 1, cmd: cmd:input_password:42:12 34"}});
}

TEST(ConnectHandshake, EmptyCodeOrEndOfInputEndsTheCall) {
  for (const std::string stdinData : {"\n", "   \n", ""}) {
    SCOPED_TRACE("stdin: [" + stdinData + "]");
    ToolSandbox sandbox;
    TestPeer peer(sandbox.tmpDir());
    peer.expect(answerOnce("cmd:connect:42:", "resp:need_password"));
    RunOptions options;
    options.stdinData = stdinData;
    const ToolRun run = sandbox.run({"--connect", "42"}, options);
    EXPECT_EQ(peer.finish(), 1);
    EXPECT_EQ(run.out, kNeedPrompt);
    EXPECT_EQ(run.err, "Error: Verify code cannot be empty\n");
    EXPECT_EQ(run.exitCode, 3);
  }
}

TEST(ConnectHandshake, FourWrongCodesEndAfterThreePrompts) {
  ToolSandbox sandbox;
  TestPeer peer(sandbox.tmpDir());
  peer.expect(answerOnce("cmd:connect:7:first", "resp:error:wrong_password"));
  for (const char* code : {"b", "c", "d"}) {
    peer.expect(
        answerOnce(std::string("cmd:input_password:7:") + code, "resp:error:wrong_password"));
  }
  RunOptions options;
  options.stdinData = "b\nc\nd\ne\n";
  const ToolRun run = sandbox.run({"--connect", "7", "first"}, options);
  EXPECT_EQ(peer.finish(), 4);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, kWrongPrompt + kWrongPrompt + kWrongPrompt +
                         "Error: Wrong verify code, max retries exceeded\n");
  EXPECT_EQ(run.exitCode, 4);
  expectLogLines(
      sandbox.lastLog(),
      {{'I', "handleConnectCommand", "User re-entered verify code, will use cmd:input_password"},
       {'I', "handleConnectCommand", "Sending command, attempt: 3, cmd: cmd:input_password:7:d"}});
}

TEST(ConnectHandshake, FourCodeRequestsEndAfterFourPrompts) {
  ToolSandbox sandbox;
  TestPeer peer(sandbox.tmpDir());
  peer.expect(answerOnce("cmd:connect:7:", "resp:need_password"));
  for (const char* code : {"1", "2", "3"}) {
    peer.expect(answerOnce(std::string("cmd:input_password:7:") + code, "resp:need_password"));
  }
  RunOptions options;
  options.stdinData = "1\n2\n3\n4\n";
  const ToolRun run = sandbox.run({"--connect", "7"}, options);
  EXPECT_EQ(peer.finish(), 4);
  EXPECT_EQ(peer.connectionCount(), 4);  // the fourth code is never sent
  EXPECT_EQ(run.out, kNeedPrompt + kNeedPrompt + kNeedPrompt + kNeedPrompt);
  EXPECT_EQ(run.err, "Error: Max retries exceeded\n");
  EXPECT_EQ(run.exitCode, 4);
}

TEST(ConnectHandshake, RefusedBeforeAnyConnection) {
  ToolSandbox sandbox;
  TestPeer peer(sandbox.tmpDir());
  const ToolRun run = sandbox.run({"--connect", ""});
  EXPECT_EQ(peer.finish(), 0);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "Error: Device ID cannot be empty\n");
  EXPECT_EQ(run.exitCode, 3);
  expectLogLines(sandbox.lastLog(), {{'E', "handleConnectCommand", "Device ID cannot be empty"}});
}

TEST(ConnectHandshake, PeerClosingWithoutAnswerIsAConnectionTimeout) {
  ToolSandbox sandbox;
  TestPeer peer(sandbox.tmpDir());
  peer.expect([](PeerConnection& connection) { connection.readCommand(); });
  const ToolRun run = sandbox.run({"--connect", "7"});
  peer.finish();
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "Error: Connection timeout\n");
  EXPECT_EQ(run.exitCode, 5);
}

}  // namespace
