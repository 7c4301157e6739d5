// velmora-sim's own behaviour as a server: one instance per socket, stale sockets replaced,
// bad state files and malformed requests refused without bringing it down, and a clean stop.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <cstring>
#include <fstream>
#include <functional>
#include <regex>

#include "e2e/sim_fixture.h"
#include "support/test_peer.h"

namespace {

const char kState[] = R"({
  "user": {"name": "Test User"},
  "devices": [{"device_id": "d1", "name": "alpha"}],
  "shells": {"bash": "bash --norc --noprofile"}
})";

bool exists(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0;
}

bool echoWorks(const SimBench& bench) {
  const ToolRun run = bench.run({"echo", "still-here"});
  return run.exitCode == 0 && run.out == "still-here\n";
}

TEST(SimServer, SecondInstanceIsRefused) {
  SimBench bench(kState);
  ASSERT_TRUE(bench.sim.started()) << bench.sim.errText();
  const SimRun second = runSimToEnd(bench.sandbox.tmpDir(), {});
  EXPECT_FALSE(second.timedOut);
  EXPECT_EQ(second.exitCode, 1);
  EXPECT_NE(second.err.find("another instance is already listening at " + bench.sim.socketPath()),
            std::string::npos)
      << second.err;
  EXPECT_TRUE(echoWorks(bench)) << "the first instance lost its socket";
}

// A socket file whose owner died is in the way only until someone checks that nobody answers.
TEST(SimServer, StaleSocketIsReplaced) {
  ToolSandbox sandbox;
  const std::string path = sandbox.socketPath();
  {
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    close(fd);
  }
  ASSERT_TRUE(exists(path));
  SimProcess sim(sandbox.tmpDir());  // the built-in state
  ASSERT_TRUE(sim.started()) << sim.errText();
  const ToolRun run = sandbox.run({"--device-id"});
  EXPECT_EQ(run.out, "987654321\n");
  EXPECT_EQ(run.exitCode, 0);
}

TEST(SimServer, BadStateFilesAreRefused) {
  ToolSandbox sandbox;
  const std::string path = sandbox.tmpDir() + "/state.json";
  const struct {
    std::string json;
    std::string message;
  } cases[] = {
      {"{\"devices\": [", "not valid JSON"},
      {"[]", "the top level must be an object"},
      {R"({"devices": [{"name": "x"}]})", "devices[0].device_id: missing"},
      {R"({"devices": [{"device_id": "a"}, {"device_id": "a"}]})",
       "devices[1].device_id: duplicate a"},
      {R"({"devices": [{"device_id": "a", "online": "yes"}]})",
       "devices[0].online: expected a boolean"},
      {R"({"settings": {"bitrate_limit_mbps": 501}})",
       "settings.bitrate_limit_mbps: expected an integer"},
      {R"({"cloud_pcs": [{"cloudpc_id": "c", "power_state": "on"}]})", "cloud_pcs[0].power_state"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.json);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << c.json;
    const SimRun run = runSimToEnd(sandbox.tmpDir(), {"--state", path});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_FALSE(exists(sandbox.socketPath()));
  }
  const SimRun missing =
      runSimToEnd(sandbox.tmpDir(), {"--state", sandbox.tmpDir() + "/none.json"});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_NE(missing.err.find("cannot read"), std::string::npos) << missing.err;
  EXPECT_EQ(runSimToEnd(sandbox.tmpDir(), {"--save-state"}).exitCode, 2);
}

TEST(SimServer, MalformedOneShotRequestsGetErrorAnswers) {
  SimBench bench(kState);
  ASSERT_TRUE(bench.sim.started()) << bench.sim.errText();
  const std::string malformed = "resp:error:malformed request: expected cmd:<name>[:<arguments>]";
  const struct {
    std::string request;
    std::string answer;
  } cases[] = {
      {"hello", malformed},
      {"cmd:", malformed},
      {"CMD:echo:x", malformed},
      {"cmd:fly_to_moon:now", "resp:error:unknown command: fly_to_moon"},
      {"cmd:set_bitrate_limit:12.5", "resp:error:invalid bitrate limit: 12.5 (use 0 to 500 Mbps)"},
      {"cmd:set_bitrate_limit:501", "resp:error:invalid bitrate limit: 501 (use 0 to 500 Mbps)"},
      {"cmd:disable_lite_punch:1", "resp:error:invalid value: 1 (use true or false)"},
      {"cmd:reset_custom_code:", "resp:error:verification code cannot be empty"},
      {"cmd:device_connect",
       R"(resp:{"error":{"code":"device_not_found","message":"No device with id "}})"},
      {"cmd:terminal:device d1",
       "resp:error:invalid terminal request: expected {\"device_id\":...}"},
      {"cmd:terminal:{\"device_id\":7}",
       "resp:error:invalid terminal request: expected {\"device_id\":...}"},
      {"cmd:terminal:{\"device_id\":\"zz\"}", "resp:error:device not found: zz"},
      {"cmd:connect::", "resp:error:device not found: "},
      {std::string("cmd:echo:\xff\xfe", 11), "resp:\xef\xbf\xbd\xef\xbf\xbd"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.request);
    EXPECT_EQ(simRequest(bench.sandbox.tmpDir(), c.request), c.answer);
  }
  EXPECT_TRUE(echoWorks(bench));
}

// Frames that are not what the bridge expects are answered with an error; only a stream that
// can no longer be framed is hung up.
TEST(SimServer, MalformedFramesGetErrorAnswers) {
  SimBench bench(kState);
  ASSERT_TRUE(bench.sim.started()) << bench.sim.errText();
  auto terminal = openSimTerminal(bench.sandbox.tmpDir(), "d1");
  ASSERT_TRUE(terminal);
  const struct {
    const char* what;
    std::function<void(PeerConnection&)> send;
    std::uint8_t answerType;
    std::string answer;
  } cases[] = {
      {"bad magic",
       [](PeerConnection& c) { c.send(std::string("\x10\0\0\0XXXX\1\1\0\0\0\0\0\0\0\0\0\0", 20)); },
       kError, R"({"code":400,"message":"malformed frame"})"},
      {"open without JSON", [](PeerConnection& c) { c.sendFrame(kOpenReq, "shell please"); },
       kOpenResp, R"({"code":400,"message":"invalid open request"})"},
      {"unlock without password", [](PeerConnection& c) { c.sendJsonFrame(kUnlockReq, "{}"); },
       kUnlockResp, R"({"code":400,"message":"invalid unlock request"})"},
      {"kill with a text id",
       [](PeerConnection& c) { c.sendJsonFrame(kKillSessionReq, R"({"session_id":"7"})"); },
       kKillSessionResp, R"({"code":400,"message":"invalid kill-session request"})"},
      {"kill of an unknown session",
       [](PeerConnection& c) { c.sendJsonFrame(kKillSessionReq, R"({"session_id":7})"); },
       kKillSessionResp, R"({"code":1,"message":"session not found: 7"})"},
      {"a frame only the bridge sends",
       [](PeerConnection& c) { c.sendJsonFrame(kExit, R"({"exit_code":0})"); }, kError,
       R"({"code":400,"message":"unsupported frame type 6"})"},
      {"list with nothing running",
       [](PeerConnection& c) { c.sendFrame(kListSessionsReq, QByteArray()); }, kListSessionsResp,
       "[]"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    c.send(*terminal);
    TerminalFrame answer;
    ASSERT_TRUE(terminal->readFrame(answer, 5000));
    EXPECT_EQ(answer.type, c.answerType);
    EXPECT_EQ(answer.payload.toStdString(), c.answer);
  }
  terminal->send(std::string("\0\0\0\0", 4));
  TerminalFrame answer;
  ASSERT_TRUE(terminal->readFrame(answer, 5000));
  EXPECT_EQ(answer.type, kError);
  EXPECT_EQ(answer.payload.toStdString(), R"({"code":400,"message":"corrupt frame stream"})");
  EXPECT_TRUE(terminal->waitClosed(5000));
  EXPECT_TRUE(echoWorks(bench));
}

// The shell's process id, asked of the shell itself through an open session.
long shellPid(PeerConnection& terminal) {
  terminal.sendJsonFrame(kOpenReq, R"({"shell":"bash","cols":80,"rows":24,"option":"verify"})");
  TerminalFrame frame;
  if (!terminal.readFrameOfType(kOpenResp, frame, 5000)) return -1;
  terminal.sendFrame(kStdin, "echo pid=$$=\n");
  static const std::regex kPid("pid=([0-9]+)=");
  std::string output;
  while (terminal.readFrame(frame, 5000)) {
    if (frame.type != kOutput) continue;
    output += frame.payload.toStdString();
    std::smatch match;
    if (std::regex_search(output, match, kPid)) return std::stol(match[1]);
  }
  return -1;
}

// A stop request ends attached and detached shells alike and takes the socket away; other
// connections are served meanwhile.
TEST(SimServer, TerminationEndsShellsAndRemovesTheSocket) {
  SimBench bench(kState);
  ASSERT_TRUE(bench.sim.started()) << bench.sim.errText();
  auto attached = openSimTerminal(bench.sandbox.tmpDir(), "d1");
  auto leaving = openSimTerminal(bench.sandbox.tmpDir(), "d1");
  ASSERT_TRUE(attached && leaving);
  const long attachedPid = shellPid(*attached);
  const long detachedPid = shellPid(*leaving);
  ASSERT_GT(attachedPid, 0);
  ASSERT_GT(detachedPid, 0);
  leaving->close();
  EXPECT_TRUE(echoWorks(bench));

  EXPECT_EQ(bench.sim.stop(), 0);
  EXPECT_FALSE(exists(bench.sim.socketPath()));
  EXPECT_NE(kill(static_cast<pid_t>(attachedPid), 0), 0);
  EXPECT_NE(kill(static_cast<pid_t>(detachedPid), 0), 0);
  TerminalFrame frame;
  EXPECT_TRUE(attached->readFrameOfType(kExit, frame, 5000)) << "the attached tool was not told";
}

}  // namespace
