// The `term` command up to the hand-over to the interactive session: its options, finding the
// device by name, the bridge handshake, and listing and killing sessions.

#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <functional>
#include <string>
#include <vector>

#include "e2e/one_shot_peer.h"
#include "rezizezevud_cmd/help_texts.h"
#include "rezizezevud_cmd/terminal/terminal_frame.h"
#include "rezizezevud_cmd/testing/output_capture.h"

namespace {

const std::string kEntering = "[System] Entering remote terminal\n";
const std::string kExitLine = "orrinctl exit with code: ";

std::string termUsage() {
  OutputCapture capture;
  printTermUsage();
  return capture.out();
}

std::string request(const std::string& deviceId) {
  return "cmd:terminal:{\"device_id\":\"" + deviceId + "\"}";
}

using Then = std::function<void(PeerConnection&)>;

// Serves the bridge request: checks its exact bytes, answers with the given chunks (a pause of
// 50 ms between them), then goes on with `then` (by default: wait for the tool to hang up).
TestPeer::Script bridge(std::string deviceId, std::vector<std::string> chunks, Then then = {}) {
  return [deviceId, chunks, then](PeerConnection& connection) {
    EXPECT_EQ(connection.readCommand(), request(deviceId));
    for (std::size_t i = 0; i < chunks.size(); ++i) {
      if (i > 0) PeerConnection::sleepMs(50);
      connection.send(chunks[i]);
    }
    if (then) {
      then(connection);
    } else {
      EXPECT_TRUE(connection.waitClosed(5000)) << "the tool kept the bridge open";
    }
  };
}

std::string record(std::uint8_t type, const QByteArray& payload) {
  QByteArray bytes;
  EXPECT_TRUE(encodeRecord(makeRawFrame(type, payload), bytes));
  return bytes.toStdString();
}

bool hasExitLine(const std::string& log, int code) {
  return log.find("[RezizEzevudCmdApplication::run] " + kExitLine + std::to_string(code) +
                  "\r\n") != std::string::npos;
}

// A whole log line at the level, written by the free function named.
bool hasLogLine(const std::string& log, char level, const std::string& function,
                const std::string& message) {
  for (const std::string& line : splitLines(log)) {
    if (line.find(std::string("] [") + level + "] ") != std::string::npos &&
        endsWith(line, "[" + function + "] " + message)) {
      return true;
    }
  }
  return false;
}

TEST(TermRoute, OptionErrorsPrintTheReasonAndTheUsage) {
  const std::string usage = termUsage();
  ASSERT_FALSE(usage.empty());
  const struct {
    std::vector<std::string> args;
    std::string err;
  } cases[] = {
      {{"term", "--bogus", "box"}, "Error: Unknown option 'bogus'.\n"},
      {{"term", "--help", "--bogus"}, "Error: Unknown option 'bogus'.\n"},
      {{"term", "a", "b"}, "Error: Multiple device names are not allowed\n"},
      {{"term", "box", "--kill-session", "12x"},
       "Error: --kill-session requires a numeric session id\n"},
      {{"term", "box", "--session-id", "4294967296"},
       "Error: --session-id requires a numeric session id\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[1]);
    ToolSandbox sandbox;
    const ToolRun run = sandbox.run(c.args);
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_EQ(run.err, c.err);
    EXPECT_EQ(run.out, usage);
    EXPECT_EQ(sandbox.lastLog().find(kExitLine), std::string::npos);
  }
  // The parser's own wording for a missing value is its own; the frame around it is ours.
  ToolSandbox sandbox;
  const ToolRun run = sandbox.run({"term", "box", "--shell"});
  EXPECT_EQ(run.exitCode, 3);
  EXPECT_EQ(run.err.rfind("Error: ", 0), 0u) << run.err;
  EXPECT_NE(run.err.find("shell"), std::string::npos) << run.err;
  EXPECT_EQ(run.out, usage);
}

TEST(TermRoute, HelpShowsTheUsageAndNoExitLine) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"term", "--help"}, {"TERM", "box", "-h"}, {"Term", "-help"}}) {
    ToolSandbox sandbox;
    const ToolRun run = sandbox.run(args);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, termUsage());
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(sandbox.lastLog().find(kExitLine), std::string::npos);
  }
}

TEST(TermRoute, ExactlyOneOfNameAndIdIsNeeded) {
  const struct {
    std::vector<std::string> args;
    std::string err;
  } cases[] = {
      {{"term"}, "Error: device name is required (or use --device-id)\n"},
      {{"term", "--list-sessions"}, "Error: device name is required (or use --device-id)\n"},
      {{"term", "  ", "--device-id", " "}, "Error: device name is required (or use --device-id)\n"},
      {{"term", "box", "--device-id", "123"},
       "Error: cannot specify both device name and --device-id\n"},
  };
  for (const auto& c : cases) {
    ToolSandbox sandbox;
    TestPeer peer(sandbox.tmpDir());
    const ToolRun run = sandbox.run(c.args);
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_EQ(run.err, c.err);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(peer.connectionCount(), 0);
    EXPECT_EQ(sandbox.lastLog().find(kExitLine), std::string::npos);
  }
}

struct ResolveCase {
  const char* label;
  std::string typed;
  std::string listAnswer;
  std::string resolvedId;  // the bridge is asked for this id; empty when the lookup fails
  std::string out;
  std::string err;
  int exitCode;
};

TEST(TermResolve, FindsTheDeviceByItsExactName) {
  const std::string header = "NAME\tDEVICE_ID\tONLINE\n";
  const std::vector<ResolveCase> cases = {
      {"case matters", "box",
       R"(resp:{"devices":[{"name":"Box","device_id":"id1"},{"name":"box","device_id":"id2"}]})",
       "id2", "", "", 0},
      {"typed name trimmed, listed name not, id trimmed", "  box  ",
       R"(resp:{"devices":[{"name":" box","device_id":"id1"},"x",{"name":"box","device_id":" id2 "}]})",
       "id2", "", "", 0},
      {"not found", "box", R"(resp:{"devices":[{"name":" box","device_id":"id1"}]})", "", "",
       "Error: Device not found by name: box\n", 4},
      {"duplicates listed with the ids as given", "box",
       R"(resp:{"devices":[{"name":"box","device_id":" a ","online":true},{"name":"Box"},)"
       R"({"name":"box","device_id":"b","online":"yes"}]})",
       "", header + "box\t a \ttrue\nbox\tb\tfalse\n", "Error: Duplicate device name: box\n", 4},
      {"only match without id", "box", R"(resp:{"devices":[{"name":"box","device_id":"  "}]})", "",
       "", "Error: Invalid device data for name: box\n", 99},
      {"list refused", "box", "resp:error:not signed in", "", "", "Error: not signed in\n", 4},
      {"not an answer", "box", "Resp:{}", "", "", "Error: Invalid response from main application\n",
       99},
      {"no devices array", "box", R"(resp:{"devices":{}})", "", "",
       "Error: Invalid device list format\n", 99},
  };
  for (const ResolveCase& c : cases) {
    SCOPED_TRACE(c.label);
    ToolSandbox sandbox;
    TestPeer peer(sandbox.tmpDir());
    peer.expect(answerOnce("cmd:list_devices", c.listAnswer));
    if (!c.resolvedId.empty()) peer.expect(bridge(c.resolvedId, {"resp:error:stop here"}));
    const ToolRun run = sandbox.run({"term", c.typed, "--list-sessions"});
    EXPECT_EQ(peer.finish(), c.resolvedId.empty() ? 1 : 2);
    const bool resolved = !c.resolvedId.empty();
    EXPECT_EQ(run.exitCode, resolved ? 6 : c.exitCode);
    EXPECT_EQ(run.out, c.out);
    EXPECT_EQ(run.err, resolved ? "Error: stop here\n" : c.err);
    // A failed lookup ends the route before the terminal command, so no exit line.
    EXPECT_EQ(hasExitLine(sandbox.lastLog(), run.exitCode), resolved) << sandbox.lastLog();
  }
}

TEST(TermResolve, MissingMainApplicationEndsWithTwo) {
  ToolSandbox sandbox;
  const ToolRun run = sandbox.run({"term", "box"});
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_EQ(run.err, "Error: Main application is not running\n");
  EXPECT_EQ(sandbox.lastLog().find(kExitLine), std::string::npos);
}

TEST(TermBridge, ProgressLinesThenTheMainApplicationsError) {
  const std::vector<std::string> answer = {
      "progress:initializing_session\nprogress:disc", "overing_device\nprogress:warming_up\n",
      "progress:completing_handshake\r\nprogress:establishing_channel\n",
      "resp:error:device offline"};
  const struct {
    const char* lang;
    std::string err;
  } cases[] = {
      {"C.UTF-8",
       kEntering + "[Connect] Initializing connection\n[Connect] Establishing server connection\n"
                   "[Connect] Setting up remote session\nError: device offline\n"},
      {"zh_CN.UTF-8",
       "[系统] 进入远程终端功能\n[连接] 初始化连接\n[连接] 建立服务器连接\n[连接] 设置远程会话\n"
       "Error: device offline\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.lang);
    ToolSandbox sandbox;
    TestPeer peer(sandbox.tmpDir());
    peer.expect(bridge("abc", answer));
    RunOptions options;
    options.env = {{"LANG", c.lang}};
    const ToolRun run = sandbox.run({"term", "--device-id", " abc "}, options);
    EXPECT_EQ(peer.finish(), 1);
    EXPECT_EQ(run.exitCode, 6);
    EXPECT_EQ(run.err, c.err);
    EXPECT_EQ(run.out, "");
    EXPECT_TRUE(hasExitLine(sandbox.lastLog(), 6)) << sandbox.lastLog();
  }
}

TEST(TermBridge, EveryStepKeyHasItsChineseLine) {
  ToolSandbox sandbox;
  TestPeer peer(sandbox.tmpDir());
  peer.expect(bridge("abc", {"progress:initializing_session\nprogress:discovering_device\n"
                             "progress:establishing_channel\nprogress:optimizing_connection\n"
                             "progress:completing_handshake\nresp:error:x"}));
  RunOptions options;
  options.env = {{"LANGUAGE", "zh_TW:en"}, {"LANG", "en_US.UTF-8"}};
  const ToolRun run = sandbox.run({"term", "--device-id", "abc"}, options);
  EXPECT_EQ(
      run.err,
      "[系统] 进入远程终端功能\n[连接] 初始化连接\n[连接] 建立服务器连接\n[连接] 设置远程会话\n"
      "[连接] 同步连接信息\n[连接] 优化连接路径\nError: x\n");
  EXPECT_EQ(run.exitCode, 6);
}

TEST(TermBridge, ConnectionClosedDuringTheHandshakeIsATimeout) {
  ToolSandbox sandbox;
  TestPeer peer(sandbox.tmpDir());
  peer.expect(bridge("abc", {"progress:initializing_session\n"},
                     [](PeerConnection& connection) { connection.close(); }));
  const ToolRun run = sandbox.run({"term", "--device-id", "abc", "--shell", "BASH"});
  EXPECT_EQ(run.exitCode, 5);
  EXPECT_EQ(run.err, kEntering +
                         "[Connect] Initializing connection\n"
                         "Error: Timeout waiting terminal attach response\n");
  EXPECT_LT(run.seconds, 10);
}

TEST(TermBridge, SilentMainApplicationTimesOutAfterThirtySeconds) {
  ToolSandbox sandbox;
  TestPeer peer(sandbox.tmpDir());
  peer.expect(bridge("abc", {"progress:initializing_session"}, [](PeerConnection& connection) {
    EXPECT_TRUE(connection.waitClosed(40000));
  }));
  const ToolRun run = sandbox.run({"term", "--device-id", "abc"});
  EXPECT_EQ(run.exitCode, 5);
  // The progress line never got its line feed, so it was never shown.
  EXPECT_EQ(run.err, kEntering + "Error: Timeout waiting terminal attach response\n");
  EXPECT_GE(run.seconds, 29.9);
  EXPECT_LT(run.seconds, 35);
  EXPECT_TRUE(hasExitLine(sandbox.lastLog(), 5));
}

TEST(TermBridge, MissingMainApplicationEndsWithTwo) {
  ToolSandbox sandbox;
  const ToolRun run = sandbox.run({"term", "--device-id", "abc"});
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_EQ(run.err, kEntering + "Error: Main application is not running\n");
  EXPECT_TRUE(hasExitLine(sandbox.lastLog(), 2));
}

TEST(TermBridge, UnsupportedShellIsRefusedBeforeConnecting) {
  for (const char* shell : {"fish", "sh", ""}) {
    ToolSandbox sandbox;
    TestPeer peer(sandbox.tmpDir());
    const ToolRun run = sandbox.run({"term", "--device-id", "abc", "-shell", shell});
    EXPECT_EQ(run.exitCode, 3) << shell;
    EXPECT_EQ(run.err, "Error: shell must be powershell, cmd, zsh, or bash\n");
    EXPECT_EQ(peer.connectionCount(), 0);
  }
}

// After "resp:OK", the peer checks the one request it expects and answers with `answer`.
Then answerRequest(std::uint8_t requestType, QByteArray requestPayload, std::string answer) {
  return [requestType, requestPayload, answer](PeerConnection& connection) {
    TerminalFrame frame;
    ASSERT_TRUE(connection.readFrame(frame));
    EXPECT_EQ(frame.type, requestType);
    EXPECT_EQ(frame.sessionId, 0u);
    EXPECT_EQ(frame.payload, requestPayload);
    connection.send(answer);
    EXPECT_TRUE(connection.waitClosed(5000)) << "the tool kept the bridge open";
  };
}

struct SessionCase {
  const char* label;
  std::string answer;  // frames after the request, or "close"
  std::string out;
  std::string err;
  int exitCode;
};

void expectSessionCommand(const std::vector<std::string>& switches, std::uint8_t requestType,
                          const QByteArray& requestPayload, const std::vector<SessionCase>& cases) {
  for (const SessionCase& c : cases) {
    SCOPED_TRACE(c.label);
    ToolSandbox sandbox;
    TestPeer peer(sandbox.tmpDir());
    Then then = c.answer == "close" ? Then([requestType](PeerConnection& connection) {
      TerminalFrame frame;
      ASSERT_TRUE(connection.readFrame(frame));
      EXPECT_EQ(frame.type, requestType);
      connection.close();
    })
                                    : answerRequest(requestType, requestPayload, c.answer);
    peer.expect(bridge("abc", {"progress:initializing_session\nresp:OK"}, then));
    std::vector<std::string> args = {"term", "--device-id", "abc", "--shell", "fish"};
    args.insert(args.end(), switches.begin(), switches.end());
    const ToolRun run = sandbox.run(args);
    EXPECT_EQ(peer.finish(), 1);
    EXPECT_EQ(run.exitCode, c.exitCode);
    EXPECT_EQ(run.out, c.out);
    // No shell check and no banner for these commands; the progress line still shows.
    EXPECT_EQ(run.err, "[Connect] Initializing connection\n" + c.err);
    EXPECT_TRUE(hasExitLine(sandbox.lastLog(), c.exitCode));
  }
}

TEST(TermSessions, ListingPrintsTheTableOrWhatCame) {
  expectSessionCommand(
      {"--list-sessions", "--kill-session", "9"}, kListSessionsReq, QByteArray(),
      {
          {"table",
           record(
               kListSessionsResp,
               R"([{"session_id":7,"shell":"bash","state":"detached","last_active_ms":5000},)"
               R"("odd",{"session_id":8,"shell":"%1","state":"running","last_active_ms":1765000000000}])"),
           "SESSION_ID\tSHELL\tSTATE\tLAST_ACTIVE\n7\tbash\tdetached\t5000\n0\t\t\t0\n"
           "8\t%1\trunning\t1765000000000\n",
           "", 0},
          {"empty list after dropped output",
           record(kOutput, "junk") + record(4, "x") + record(kListSessionsResp, "[]"),
           "No active sessions.\n", "", 0},
          {"not a list is shown raw", record(kListSessionsResp, R"({"sessions": []})"),
           "{\"sessions\": []}\n", "", 0},
          {"kError with its message", record(kError, R"({"code":5,"message":"denied"})"), "",
           "Error: denied\n", 6},
          {"kError without one", record(kError, "nope"), "", "Error: list-sessions error\n", 6},
          {"connection closed", "close", "", "Error: terminal disconnected\n", 6},
      });
}

TEST(TermSessions, AnswerArrivingWithTheHandshakeIsRead) {
  ToolSandbox sandbox;
  TestPeer peer(sandbox.tmpDir());
  peer.expect(bridge("abc", {"resp:OK" + record(kListSessionsResp, "[]")}));
  const ToolRun run = sandbox.run({"term", "--device-id", "abc", "--list-sessions"});
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.out, "No active sessions.\n");
  EXPECT_EQ(run.err, "");
}

TEST(TermSessions, KillingReportsTheAnswer) {
  expectSessionCommand(
      {"--kill-session", "4294967295"}, kKillSessionReq, R"({"session_id":4294967295})",
      {
          {"killed", record(kKillSessionResp, R"({"code":0})"), "Session killed.\n", "", 0},
          {"killed with a message",
           record(kOutput, "x") + record(kKillSessionResp, R"({"code":0,"message":"gone"})"),
           "gone\n", "", 0},
          {"refused", record(kKillSessionResp, R"({"code":3})"), "", "Error: kill-session failed\n",
           6},
          {"refused with a message",
           record(kKillSessionResp, R"({"code":3,"message":"no such session"})"), "",
           "Error: no such session\n", 6},
          {"no code", record(kKillSessionResp, R"({"message":"hm"})"), "", "Error: hm\n", 6},
          {"not an object", record(kKillSessionResp, "[0]"), "",
           "Error: invalid kill-session response\n", 6},
          {"kError", record(kError, "{}"), "", "Error: kill-session error\n", 6},
          {"connection closed", "close", "", "Error: terminal disconnected\n", 6},
      });
}

// The interactive session is someone else's; here only the hand-over is checked: the session
// gets the bridged connection (what it sends arrives), the console size falls back to 120 x 40
// with output redirected, and its exit code becomes the process's, logged as the exit line.
TEST(TermHandOver, InteractiveSessionGetsTheBridge) {
  ToolSandbox sandbox;
  TestPeer peer(sandbox.tmpDir());
  peer.expect(bridge("abc", {"resp:OK"}, [](PeerConnection& connection) {
    TerminalFrame open;
    ASSERT_TRUE(connection.readFrameOfType(kOpenReq, open));
    const QJsonObject request = QJsonDocument::fromJson(open.payload).object();
    EXPECT_EQ(request.value("cols").toInt(), 120);
    EXPECT_EQ(request.value("rows").toInt(), 40);
    EXPECT_EQ(request.value("shell").toString(), QStringLiteral("zsh"));
    connection.sendJsonFrame(kOpenResp, R"({"code":0})");
    connection.sendFrame(kOutput, "hello");
    connection.sendJsonFrame(kExit, R"({"exit_code":7})");
    connection.waitClosed(5000);
  }));
  const ToolRun run =
      sandbox.run({"term", "--device-id", "abc", "--shell", "Zsh", "--new-session"});
  EXPECT_EQ(peer.finish(), 1);
  EXPECT_EQ(run.exitCode, 7);
  EXPECT_NE(run.out.find("hello"), std::string::npos);
  EXPECT_EQ(run.err.rfind(kEntering, 0), 0u) << run.err;
  EXPECT_TRUE(hasExitLine(sandbox.lastLog(), 7));
}

// The resume probe runs on the bridge before the open request; what it found (or why it found
// nothing) shows in that request and in the log.
TEST(TermHandOver, ProbeOutcomeReachesTheOpenRequest) {
  const std::string detachedBash =
      record(kListSessionsResp,
             R"([{"session_id":42,"shell":"bash","state":"detached","last_active_ms":1}])");
  const struct {
    const char* label;
    std::vector<std::string> extra;
    std::string answer;
    std::uint32_t sessionId;
    const char* shell;
    std::string warning;
  } cases[] = {
      {"kError",
       {},
       record(kError, "{}"),
       0,
       "powershell",
       "probeResumableSession: received kError, fallback to new session"},
      {"not a list",
       {},
       record(kListSessionsResp, "{}"),
       0,
       "powershell",
       "probeResumableSession: failed to parse ListSessionsResp, fallback to new session"},
      {"detached session resumed with its shell", {}, detachedBash, 42, "bash", ""},
      {"given shell filters the candidates", {"--shell", "CMD"}, detachedBash, 0, "cmd", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    ToolSandbox sandbox;
    TestPeer peer(sandbox.tmpDir());
    const std::string answer = c.answer;
    TerminalFrame open;
    peer.expect(bridge("abc", {"resp:OK"}, [&open, answer](PeerConnection& connection) {
      TerminalFrame probe;
      ASSERT_TRUE(connection.readFrame(probe));
      EXPECT_EQ(probe.type, kListSessionsReq);
      connection.send(answer);
      ASSERT_TRUE(connection.readFrameOfType(kOpenReq, open));
      connection.sendJsonFrame(kOpenResp, R"({"code":0})");
      connection.sendJsonFrame(kExit, R"({"exit_code":4})");
      connection.waitClosed(5000);
    }));
    std::vector<std::string> args = {"term", "--device-id", "abc"};
    args.insert(args.end(), c.extra.begin(), c.extra.end());
    const ToolRun run = sandbox.run(args);
    EXPECT_EQ(peer.finish(), 1);
    EXPECT_EQ(run.exitCode, 4);
    EXPECT_EQ(open.sessionId, c.sessionId);
    EXPECT_EQ(
        QJsonDocument::fromJson(open.payload).object().value("shell").toString().toStdString(),
        c.shell);
    const std::string log = sandbox.lastLog();
    if (!c.warning.empty()) {
      EXPECT_TRUE(hasLogLine(log, 'W', "probeResumableSession", c.warning)) << log;
    } else {
      EXPECT_EQ(log.find("probeResumableSession: "), std::string::npos) << log;
    }
  }
}

TEST(TermHandOver, ClientTooOldDuringTheOpenWaitIsLogged) {
  ToolSandbox sandbox;
  TestPeer peer(sandbox.tmpDir());
  peer.expect(bridge("abc", {"resp:OK"}, [](PeerConnection& connection) {
    TerminalFrame open;
    ASSERT_TRUE(connection.readFrameOfType(kOpenReq, open));
    connection.sendJsonFrame(kError, R"({"code":1004,"message":"old"})");
    connection.waitClosed(5000);
  }));
  const ToolRun run = sandbox.run({"term", "--device-id", "abc", "--new-session"});
  EXPECT_EQ(run.exitCode, 6);
  EXPECT_NE(run.err.find("[Terminal] Client version too low. The remote endpoint requires a newer "
                         "client. Please upgrade.\n"),
            std::string::npos)
      << run.err;
  const std::string log = sandbox.lastLog();
  EXPECT_TRUE(hasLogLine(log, 'E', "handleReceivedFrame",
                         "terminal error: client version too low (code=1004), message='old'"))
      << log;
}

}  // namespace
