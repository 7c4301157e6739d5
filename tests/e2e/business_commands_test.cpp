// The new-style business commands end to end: the request each one sends, how their answers are
// shown, and how the one-shot channel behaves against a peer that misbehaves.

#include <gtest/gtest.h>

#include <chrono>
#include <regex>

#include "e2e/one_shot_peer.h"

namespace {

const char kDataAnswer[] = "resp:{\"data\":1}";
const std::string kServer = "gakeh-dkark-946Q3509-6576-74GD-RH7U-2816S13V503U";

struct RequestCase {
  std::vector<std::string> args;
  std::string command;
  std::string handler;
  std::string logMessage;
};

TEST(BusinessCommandRequest, EachCommandSendsItsTextAndLogsIt) {
  const RequestCase cases[] = {
      {{"user"}, "cmd:user_info", "handleUserInfoCommand", "Handling user info command"},
      {{"user", "wallet"},
       "cmd:user_wallet",
       "handleUserWalletCommand",
       "Handling user wallet command"},
      {{"device"},
       "cmd:device_list",
       "handleDeviceListJsonCommand",
       "Handling device list (JSON) command"},
      {{"device", "status"},
       "cmd:device_status",
       "handleDeviceStatusCommand",
       "Handling device status command"},
      {{"device", "connect", "12 34:5"},
       "cmd:device_connect:12 34:5",
       "handleDeviceConnectByIdCommand",
       "Handling device connect command, id: 12 34:5"},
      {{"device", "disconnect"},
       "cmd:device_disconnect",
       "handleDeviceDisconnectCommand",
       "Handling device disconnect command"},
      {{"device", "disconnect", "%1x"},
       "cmd:device_disconnect:%1x",
       "handleDeviceDisconnectCommand",
       "Handling device disconnect command"},
      {{"cloudpc"},
       "cmd:cloudpc_list",
       "handleCloudPcListCommand",
       "Handling cloudpc list command"},
      {{"cloudpc", "launch", "pc-1"},
       "cmd:cloudpc_launch:pc-1",
       "handleCloudPcLaunchCommand",
       "Handling cloudpc launch command, id: pc-1"},
      {{"cloudpc", "shutdown"},
       "cmd:cloudpc_shutdown",
       "handleCloudPcShutdownCommand",
       "Handling cloudpc shutdown command, id: "},
      {{"cloudpc", "shutdown", "pc-2"},
       "cmd:cloudpc_shutdown:pc-2",
       "handleCloudPcShutdownCommand",
       "Handling cloudpc shutdown command, id: pc-2"},
      {{"cloudpc", "connect", "pc-3"},
       "cmd:cloudpc_connect:pc-3",
       "handleCloudPcConnectCommand",
       "Handling cloudpc connect command, id: pc-3"},
      {{"cloudpc", "disconnect"},
       "cmd:cloudpc_disconnect",
       "handleCloudPcDisconnectCommand",
       "Handling cloudpc disconnect command"},
      {{"cloudpc", "disconnect", "pc-4"},
       "cmd:cloudpc_disconnect:pc-4",
       "handleCloudPcDisconnectCommand",
       "Handling cloudpc disconnect command"},
      {{"echo"}, "cmd:echo:hello", "handleEchoCommand", "Handling echo command, message: hello"},
      {{"echo", "a:b c"},
       "cmd:echo:a:b c",
       "handleEchoCommand",
       "Handling echo command, message: a:b c"},
  };
  for (const RequestCase& c : cases) {
    SCOPED_TRACE(c.command);
    ToolSandbox sandbox;
    TestPeer peer(sandbox.tmpDir());
    peer.expect(answerOnce(c.command, kDataAnswer));
    const ToolRun run = sandbox.run(c.args);
    EXPECT_EQ(peer.finish(), 1);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err, "");
    expectLogLines(sandbox.lastLog(),
                   {{'I', c.handler, c.logMessage},
                    {'I', "sendCommandAndWait", "Connecting to server: " + kServer},
                    {'I', "sendCommandAndWait", "Connected, sending command: " + c.command},
                    {'I', "sendCommandAndWait", std::string("Received response: ") + kDataAnswer}});
  }
}

struct AnswerCase {
  std::string answer;
  std::string out;
  std::string err;
  int exitCode;
};

void expectAnswersShown(const std::vector<std::string>& args, const std::string& command,
                        const std::vector<AnswerCase>& cases) {
  for (const AnswerCase& c : cases) {
    SCOPED_TRACE("answer: " + c.answer);
    ToolSandbox sandbox;
    TestPeer peer(sandbox.tmpDir());
    peer.expect(answerOnce(command, c.answer));
    const ToolRun run = sandbox.run(args);
    peer.finish();
    EXPECT_EQ(run.out, c.out);
    EXPECT_EQ(run.err, c.err);
    EXPECT_EQ(run.exitCode, c.exitCode);
  }
}

TEST(BusinessCommandAnswer, JsonAnswersGiveOutputAndExitCode) {
  expectAnswersShown(
      {"device", "status"}, "cmd:device_status",
      {
          {"resp:{\"b\":[1,{\"y\":2,\"x\":true}],\"a\":\"\xe8\xbf\x9c\"}\r\n",
           "{\n    \"a\": \"\xe8\xbf\x9c\",\n    \"b\": [\n        1,\n        {\n"
           "            \"x\": true,\n            \"y\": 2\n        }\n    ]\n}\n",
           "", 0},
          {"resp:{\"success\":false}", "{\n    \"success\": false\n}\n", "", 0},
          {"resp:{}", "{\n}\n", "", 0},
          {"resp:error:", "", "Error: Request failed\n", 4},
          {"resp:error: \t", "", "Error: Request failed\n", 4},
          {"resp:error:  device offline  ", "", "Error: device offline\n", 4},
          {"resp:", "", "Error: Empty response from main application\n", 4},
          {"resp: \r\n\t", "", "Error: Empty response from main application\n", 4},
          {" resp:{\"data\":1}", "", "Error: Invalid response from main application\n", 99},
          {"RESP:{\"data\":1}", "", "Error: Invalid response from main application\n", 99},
          {"{\"data\":1}", "", "Error: Invalid response from main application\n", 99},
          {"resp:[1,2]", "", "Error: Invalid response format (JSON parse failed)\n", 7},
          {"resp:\"text\"", "", "Error: Invalid response format (JSON parse failed)\n", 7},
          {"resp:{\"data\":1} tail", "", "Error: Invalid response format (JSON parse failed)\n", 7},
          {"resp:{\"data\":", "", "Error: Invalid response format (JSON parse failed)\n", 7},
      });
}

// The envelope's timestamp is the only part of a result that moves; it must be the wall clock
// in milliseconds, read during the run, and "success" follows "data" or "error".
TEST(BusinessCommandAnswer, EnvelopeCarriesSuccessAndTheClock) {
  struct Case {
    const char* answer;
    const char* outWithoutClock;
  };
  const Case cases[] = {
      {"resp:{\"timestamp\":1,\"data\":{\"n\":null}}",
       "{\n    \"data\": {\n        \"n\": null\n    },\n    \"success\": true,\n"
       "    \"timestamp\": T\n}\n"},
      {"resp:{\"error\":\"busy\",\"data\":[]}",
       "{\n    \"data\": [\n    ],\n    \"error\": \"busy\",\n    \"success\": true,\n"
       "    \"timestamp\": T\n}\n"},
      {"resp:{\"success\":true,\"error\":{\"code\":7}}",
       "{\n    \"error\": {\n        \"code\": 7\n    },\n    \"success\": false,\n"
       "    \"timestamp\": T\n}\n"},
  };
  const std::regex clock("\"timestamp\": ([0-9]+)\n");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.answer);
    ToolSandbox sandbox;
    TestPeer peer(sandbox.tmpDir());
    peer.expect(answerOnce("cmd:user_info", c.answer));
    const auto msNow = [] {
      return std::chrono::duration_cast<std::chrono::milliseconds>(
                 std::chrono::system_clock::now().time_since_epoch())
          .count();
    };
    const long long before = msNow();
    const ToolRun run = sandbox.run({"user", "info"});
    const long long after = msNow();
    peer.finish();
    EXPECT_EQ(run.exitCode, 0);
    std::smatch match;
    ASSERT_TRUE(std::regex_search(run.out, match, clock)) << run.out;
    const long long stamp = std::stoll(match[1]);
    EXPECT_GE(stamp, before);
    EXPECT_LE(stamp, after);
    EXPECT_EQ(std::regex_replace(run.out, clock, "\"timestamp\": T\n"), c.outWithoutClock);
  }
}

TEST(EchoCommand, AnswersAreShownAsReceived) {
  expectAnswersShown({"echo", "hi"}, "cmd:echo:hi",
                     {
                         {"resp:  hi there  ", "  hi there  \n", "", 0},
                         // The channel trims nothing: the peer's line end stays in the text.
                         {"resp:hi\n", "hi\n\n", "", 0},
                         {"resp:", "\n", "", 0},
                         {"resp:{\"data\":1}", "{\"data\":1}\n", "", 0},
                         {"pong", "pong\n", "", 0},
                         {"resp:error: no route ", "", " no route \n", 4},
                         {"resp:error:", "", "\n", 4},
                         // Bytes that are not UTF-8 arrive as replacement characters.
                         {"resp:\xff!", "\xef\xbf\xbd!\n", "", 0},
                     });
}

// Every command of the family, new-style and legacy, meets a missing main application the same
// way: at once, with exit code 2 and its own wording of the failure.
TEST(MainApplicationAbsent, EveryCommandExitsTwoAtOnce) {
  const std::string narrow = "Error: Main application is not running\n";
  const struct {
    std::vector<std::string> args;
    std::string err;
  } cases[] = {
      {{"user"}, narrow},
      {{"user", "wallet"}, narrow},
      {{"device", "list"}, narrow},
      {{"device", "status"}, narrow},
      {{"device", "connect", "1"}, narrow},
      {{"device", "disconnect"}, narrow},
      {{"cloudpc", "list"}, narrow},
      {{"cloudpc", "launch", "1"}, narrow},
      {{"cloudpc", "shutdown"}, narrow},
      {{"cloudpc", "connect", "1"}, narrow},
      {{"cloudpc", "disconnect", "1"}, narrow},
      {{"echo", "x"}, narrow},
      {{"--device-id"}, narrow},
      {{"--list-devices"}, narrow},
      {{"--reset-custom-code", "c"}, narrow},
      {{"--set-bitrate-limit", "5"}, narrow},
      {{"--disable-lite-punch", "true"}, narrow},
      {{"--connect", "1"}, narrow},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.front() + (c.args.size() > 1 ? " " + c.args[1] : ""));
    ToolSandbox sandbox;
    const ToolRun run = sandbox.run(c.args);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, c.err);
    EXPECT_LT(run.seconds, 2.5);
    const std::string function =
        c.args.front() == "--connect" ? "sendConnectCommandAndWait" : "sendCommandAndWait";
    const std::string connecting = c.args.front() == "--connect"
                                       ? "Connecting to server for connect command"
                                       : "Connecting to server: " + kServer;
    expectLogLines(sandbox.lastLog(),
                   {{'I', function, connecting}, {'W', function, "Failed to connect to server"}});
  }
}

// The channel does the same for every command; these run through `user info` and echo.
TEST(CommandChannel, PeerThatClosesWithoutAnsweringIsATimeout) {
  ToolSandbox sandbox;
  TestPeer peer(sandbox.tmpDir());
  peer.expect([](PeerConnection& connection) {
    EXPECT_EQ(connection.readCommand(), "cmd:user_info");
    connection.close();
  });
  const ToolRun run = sandbox.run({"user", "info"});
  peer.finish();
  EXPECT_EQ(run.exitCode, 5);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "Error: Timeout waiting for response\n");
  EXPECT_LT(run.seconds, 5.0);
  expectLogLines(sandbox.lastLog(), {{'W', "sendCommandAndWait", "Timeout waiting for response"}});
}

TEST(CommandChannel, SilentPeerTimesOutAfterFifteenSeconds) {
  ToolSandbox sandbox;
  TestPeer peer(sandbox.tmpDir());
  peer.expect([](PeerConnection& connection) {
    EXPECT_EQ(connection.readCommand(), "cmd:echo:anyone");
    EXPECT_TRUE(connection.waitClosed(30000));
  });
  const ToolRun run = sandbox.run({"echo", "anyone"});
  peer.finish();
  EXPECT_EQ(run.exitCode, 5);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "Error: Timeout waiting for response\n");
  EXPECT_GE(run.seconds, 14.5);
  EXPECT_LT(run.seconds, 20.0);
  expectLogLines(sandbox.lastLog(), {{'W', "sendCommandAndWait", "Timeout waiting for response"}});
}

TEST(CommandChannel, AnswerInTwoWritesIsCutAfterTheFirst) {
  ToolSandbox sandbox;
  TestPeer peer(sandbox.tmpDir());
  peer.expect([](PeerConnection& connection) {
    EXPECT_EQ(connection.readCommand(), "cmd:user_wallet");
    connection.send("resp:");
    PeerConnection::sleepMs(300);
    connection.send("{\"data\":1}");
    connection.waitClosed(5000);
  });
  const ToolRun run = sandbox.run({"user", "wallet"});
  peer.finish();
  EXPECT_EQ(run.exitCode, 4);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "Error: Empty response from main application\n");
  expectLogLines(sandbox.lastLog(), {{'I', "sendCommandAndWait", "Received response: resp:"}});
}

}  // namespace
