// The legacy device options end to end: the device table and the device id as plain text.

#include <gtest/gtest.h>

#include "e2e/one_shot_peer.h"

namespace {

struct AnswerCase {
  std::string answer;
  std::string out;
  std::string err;
  int exitCode;
};

void expectAnswersShown(const std::string& option, const std::string& command,
                        const std::vector<AnswerCase>& cases) {
  for (const AnswerCase& c : cases) {
    SCOPED_TRACE("answer: " + c.answer);
    ToolSandbox sandbox;
    TestPeer peer(sandbox.tmpDir());
    peer.expect(answerOnce(command, c.answer));
    const ToolRun run = sandbox.run({option});
    EXPECT_EQ(peer.finish(), 1);
    EXPECT_EQ(run.out, c.out);
    EXPECT_EQ(run.err, c.err);
    EXPECT_EQ(run.exitCode, c.exitCode);
  }
}

const std::string kHeader = "NAME\tDEVICE_ID\tONLINE\n";

TEST(ListDevices, AnswersGiveTableOrError) {
  expectAnswersShown(
      "--list-devices", "cmd:list_devices",
      {
          {"resp:{\"devices\":[]}", kHeader, "", 0},
          {"resp:{\"count\":3,\"devices\":["
           "{\"name\":\"\xe5\x8a\x9e\xe5\x85\xac PC\",\"device_id\":\"111 222\",\"online\":true},"
           "\"stray\",{\"device_id\":\"333\",\"name\":\"a\\tb\"},{\"name\":5,\"online\":1}]}\n",
           kHeader + "\xe5\x8a\x9e\xe5\x85\xac PC\t111 222\ttrue\na\tb\t333\tfalse\n\t\tfalse\n",
           "", 0},
          {"resp:{\"devices\":{\"name\":\"a\"}}", "", "Error: Invalid device list format\n", 99},
          {"resp:{\"list\":[]}", "", "Error: Invalid device list format\n", 99},
          {"resp:[{\"name\":\"a\"}]", "", "Error: Invalid device list payload\n", 99},
          {"resp:{\"devices\":[]", "", "Error: Invalid device list payload\n", 99},
          {"resp:error: not signed in ", "", "Error: not signed in\n", 4},
          {"resp:error:", "", "Error: Request failed\n", 4},
          {"resp:  ", "", "Error: Empty response from main application\n", 4},
          {"Resp:{\"devices\":[]}", "", "Error: Invalid response from main application\n", 99},
      });
}

TEST(DeviceId, AnswersGiveTheIdOrError) {
  expectAnswersShown("--device-id", "cmd:get_device_id",
                     {
                         {"resp:123 456 789\r\n", "123 456 789\n", "", 0},
                         {"resp:{not json", "{not json\n", "", 0},
                         {"resp:error:  no id yet", "", "Error: no id yet\n", 4},
                         {"resp:error:", "", "Error: Request failed\n", 4},
                         {"resp:", "", "Error: Empty response from main application\n", 4},
                         {"123", "", "Error: Invalid response from main application\n", 99},
                     });
}

TEST(DeviceId, LogsItsStepsAndChannelFailures) {
  ToolSandbox sandbox;
  const ToolRun absent = sandbox.run({"-d"});
  EXPECT_EQ(absent.exitCode, 2);
  expectLogLines(sandbox.lastLog(),
                 {{'I', "handleDeviceIdCommand", "Handling device-id command"},
                  {'W', "sendCommandAndWait", "Failed to connect to server"},
                  {'E', "handleDeviceIdCommand", "Main application is not running"}});

  TestPeer peer(sandbox.tmpDir());
  peer.expect([](PeerConnection& connection) {
    EXPECT_EQ(connection.readCommand(), "cmd:get_device_id");
    connection.close();
  });
  const ToolRun closed = sandbox.run({"--device-id"});
  peer.finish();
  EXPECT_EQ(closed.exitCode, 5);
  EXPECT_EQ(closed.err, "Error: Timeout waiting for response\n");
  expectLogLines(sandbox.lastLog(),
                 {{'E', "handleDeviceIdCommand", "Timeout waiting for response"}});
}

TEST(ListDevices, ChannelFailuresUseTheErrorLine) {
  ToolSandbox sandbox;
  const ToolRun absent = sandbox.run({"--list-devices"});
  EXPECT_EQ(absent.exitCode, 2);
  EXPECT_EQ(absent.err, "Error: Main application is not running\n");
  expectLogLines(sandbox.lastLog(),
                 {{'I', "handleListDevicesCommand", "Handling list-devices command"}});

  TestPeer peer(sandbox.tmpDir());
  peer.expect([](PeerConnection& connection) { connection.readCommand(); });
  const ToolRun closed = sandbox.run({"--list-devices"});
  peer.finish();
  EXPECT_EQ(closed.exitCode, 5);
  EXPECT_EQ(closed.out, "");
  EXPECT_EQ(closed.err, "Error: Timeout waiting for response\n");
}

}  // namespace
