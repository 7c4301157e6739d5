// The interactive terminal session as a script meets it: the tool run with redirected input and
// output against the scripted peer, checking every frame it sends and every line it prints.

#include <gtest/gtest.h>

#include <chrono>

#include "e2e/attach_peer.h"

namespace {

using namespace attach;
using Clock = std::chrono::steady_clock;

TEST(AttachSession, RedirectedSessionRunsUntilTheRemoteShellExits) {
  ToolSandbox sandbox;
  TestPeer peer(sandbox.tmpDir());
  peer.expect([](PeerConnection& c) {
    attachBridge(c);
    expectFrame(c, kListSessionsReq, QByteArray());
    c.sendFrame(kListSessionsResp, "[]");
    expectOpen(c, 0, openPayload("powershell", "verify"));
    c.sendJsonFrame(kOpenResp, R"({"code":0})");
    expectInitialResize(c);
    c.sendFrame(kOutput, "$ ");
    EXPECT_EQ(readStdin(c, 8), QByteArray("ls\rexit\r"));
    // Output that follows kExit in the same read is still written.
    c.send(record(kOutput, "bye\r\n") + record(kExit, R"({"exit_code":3})") + record(kOutput, "after"));
    EXPECT_TRUE(c.waitClosed(5000));
  });
  const ToolRun run = sandbox.run(termArgs(), piped("ls\nexit\n", 3000));
  peer.finish();
  EXPECT_EQ(run.out, "$ bye\r\nafter");
  EXPECT_EQ(run.err, kEntering + kProbing + kVtWarning + kStarting + banner());
  EXPECT_EQ(run.exitCode, 3);
  const std::string log = sandbox.lastLog();
  EXPECT_TRUE(hasSessionLog(log, 'I', "term input mode: redirected")) << log;
  EXPECT_TRUE(hasSessionLog(log, 'I', "term redirected stdin became writable")) << log;
}


// A peer that answers the open request of session 7 with the given records and then either
// hangs up or waits for the tool to.
TestPeer::Script answerOpenWith(std::string answers, bool hangUp) {
  return [answers, hangUp](PeerConnection& c) {
    attachBridge(c);
    expectOpen(c, 7, openPayload("powershell", "verify"));
    c.send(answers);
    if (hangUp) {
      c.close();
    } else {
      EXPECT_TRUE(c.waitClosed(5000));
    }
  };
}

TEST(AttachSession, EveryRefusalOfTheFirstOpenRequest) {
  const struct {
    const char* name;
    std::string answers;
    bool hangUp;
    std::string out;
    std::string err;
    int exitCode;
  } cases[] = {
      {"too old", record(kOpenResp, R"({"code":1004,"message":"old"})"), false, "",
       "[Terminal] Client version too low. The remote endpoint requires a newer client. Please upgrade.\n", 6},
      {"mac", record(kOpenResp, R"({"code":402})"), false, "",
       "[System] Controlled Mac not logged in. Cannot start terminal.\n"
       "[System] Please log in on the controlled device and retry\n", 6},
      {"os", record(kOpenResp, R"({"code":501,"message":"x"})"), false, "",
       "[System] Remote terminal is not supported on the controlled device's operating system.\n", 6},
      {"lost", record(kOpenResp, R"({"code":403})"), false, "",
       "[System] The connection to the remote device has been disconnected. Please retry.\n", 6},
      {"other", record(kOpenResp, R"({"code":777,"message":"nope"})"), false, "",
       "Error: Open failed (code 777): nope\n", 6},
      {"other silent", record(kOpenResp, R"({"code":777})"), false, "", "Error: Open failed (code 777)\n", 6},
      {"negative", record(kOpenResp, R"({"code":-5})"), false, "", "Error: open failed\n", 6},
      {"not json", record(kOpenResp, "{nope"), false, "", "Error: invalid open response\n", 6},
      {"error frame", record(kOutput, "early ") + record(kError, R"({"code":7,"message":"boom"})"), false,
       "early ", "Error: boom (code 7)\n", 6},
      {"exit frame", record(kExit, R"({"exit_code":4})"), false, "", "", 6},
      {"hang-up", "", true, "", "Error: terminal disconnected while waiting for open response\n", 6},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ToolSandbox sandbox;
    TestPeer peer(sandbox.tmpDir());
    peer.expect(answerOpenWith(c.answers, c.hangUp));
    const ToolRun run = sandbox.run(termArgs({"--session-id", "7"}));
    peer.finish();
    EXPECT_EQ(run.out, c.out);
    EXPECT_EQ(run.err, preamble() + c.err);
    EXPECT_EQ(run.exitCode, c.exitCode);
    if (std::string(c.name) == "too old") {
      EXPECT_TRUE(hasSessionLog(sandbox.lastLog(), 'E',
                                "term open got 1004 (client_version_too_low) on kOpenResp, message='old'"))
          << sandbox.lastLog();
    }
  }
}


// The session loop after a successful open: the initial size, then an immediate clean exit.
void runToCleanExit(PeerConnection& c) {
  c.sendJsonFrame(kOpenResp, R"({"code":0})");
  expectInitialResize(c);
  c.sendJsonFrame(kExit, R"({"exit_code":0})");
  EXPECT_TRUE(c.waitClosed(5000));
}

TEST(AttachSession, SessionChoiceDecidesTheOpenRequest) {
  constexpr std::uint32_t kRandom = 0xFFFFFFFF;  // any id but 0 and 7
  const struct {
    const char* name;
    std::vector<std::string> args;
    const char* sessionList;  // nullptr: no probe expected
    std::uint32_t sessionId;
    QString shell;
    std::string printed;  // between the probing line and the VT warning
    std::string logLine;
  } cases[] = {
      {"new wins over id", {"--new-session", "--session-id", "7"}, nullptr, kRandom, "powershell", "", ""},
      {"nothing to resume", {"--shell", "zsh"},
       R"([{"session_id":3,"shell":"bash","state":"detached","last_active_ms":1}])", 0, "zsh", "", ""},
      {"resume", {},
       R"([{"session_id":41,"shell":"zsh","state":"detached","last_active_ms":1},)"
       R"({"session_id":42,"shell":"bash","state":"detached","last_active_ms":9}])",
       42, "bash", "[System] Found a detached session, resuming... (bash)\n",
       "auto-resume: selected session_id=42 shell=bash"},
      {"resume without shell", {"--shell", "cmd"}, R"([{"session_id":5,"state":"detached"}])", 0, "cmd", "", ""},
      {"resume unnamed shell", {}, R"([{"session_id":5,"state":"detached","shell":""}])", 5, "powershell",
       "[System] Found a detached session, resuming... ()\n", "auto-resume: selected session_id=5 shell="},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ToolSandbox sandbox;
    TestPeer peer(sandbox.tmpDir());
    peer.expect([&c](PeerConnection& conn) {
      attachBridge(conn);
      if (c.sessionList != nullptr) {
        expectFrame(conn, kListSessionsReq, QByteArray());
        conn.sendFrame(kListSessionsResp, c.sessionList);
      }
      const TerminalFrame open = nextFrame(conn);
      EXPECT_EQ(open.type, kOpenReq);
      if (c.sessionId == kRandom) {
        EXPECT_NE(open.sessionId, 0u);
        EXPECT_NE(open.sessionId, 7u);
      } else {
        EXPECT_EQ(open.sessionId, c.sessionId);
      }
      EXPECT_EQ(jsonOf(open), openPayload(c.shell, "verify")) << open.payload.toStdString();
      runToCleanExit(conn);
    });
    const ToolRun run = sandbox.run(termArgs(c.args));
    peer.finish();
    const std::string probing = c.sessionList != nullptr ? kProbing : "";
    EXPECT_EQ(run.err, kEntering + probing + c.printed + kVtWarning + kStarting + banner());
    EXPECT_EQ(run.exitCode, 0);
    if (!c.logLine.empty()) {
      EXPECT_TRUE(hasSessionLog(sandbox.lastLog(), 'I', c.logLine)) << sandbox.lastLog();
    }
  }
}


struct UnlockExchange {
  QString password;     // what the tool must send
  std::string answers;  // records the peer sends back
};

TEST(AttachSession, UnlockPathsWithThePasswordFromRedirectedInput) {
  const std::string notLoggedIn =
      "[Terminal] Remote device is not logged in. Enter credentials to trigger auto-login.\n";
  const std::string wrong = "[System] Unlock failed: incorrect password.\n";
  const auto promptOf = [](int i) {
    return "[System] Enter the unlock password for the controlled device (" + std::to_string(i) + "/3): ";
  };
  const struct {
    const char* name;
    std::string stdinData;
    const char* openMessage;
    std::vector<UnlockExchange> unlocks;
    bool hangUp;  // after the exchanges, instead of waiting for the tool
    std::string out;
    std::string err;
    int exitCode;
  } cases[] = {
      {"not logged in, auto-login times out", "pw\n", "device_not_logged_in",
       {{"pw", record(kUnlockResp, R"({"code":2})")}}, false, "",
       notLoggedIn + kPrompt + kUnlocking + "[Terminal] Auto-login timed out on remote device.\n", 6},
      {"locked, unlock times out", "pw\n", "device_locked", {{"pw", record(kUnlockResp, R"({"code":2})")}},
       false, "", kLocked + kPrompt + kUnlocking + "Error: Unlock timed out\n", 6},
      {"unknown reason, other failure", "pw\n", "weird",
       {{"pw", record(kUnlockResp, R"({"code":9,"message":"bad"})")}}, false, "",
       kLocked + kPrompt + kUnlocking + "Error: Unlock failed: bad\n", 6},
      {"other failure without message", "pw\n", "device_locked", {{"pw", record(kUnlockResp, R"({"code":9})")}},
       false, "", kLocked + kPrompt + kUnlocking + "Error: Unlock failed: unlock failed\n", 6},
      {"invalid answer", "pw\n", "device_locked", {{"pw", record(kUnlockResp, "[1]")}}, false, "",
       kLocked + kPrompt + kUnlocking + "Error: invalid unlock response\n", 6},
      {"three wrong passwords", "a\r\nb\nc\n", "device_locked",
       {{"a", record(kUnlockResp, R"({"code":1})")},
        {"b", record(kUnlockResp, R"({"code":1})")},
        {"c", record(kUnlockResp, R"({"code":1})")}},
       false, "",
       kLocked + kPrompt + kUnlocking + wrong + promptOf(2) + kUnlocking + wrong + promptOf(3) + kUnlocking +
           wrong + "[System] Error: Unlock failed after maximum attempts.\n",
       6},
      {"wrong then empty", "a\n\n", "device_locked", {{"a", record(kUnlockResp, R"({"code":1})")}}, false, "",
       kLocked + kPrompt + kUnlocking + wrong + promptOf(2) + "Error: empty password\n", 6},
      {"no input at all", "", "device_locked", {}, false, "", kLocked + kPrompt + "Error: empty password\n", 6},
      {"shell exits meanwhile", "pw\n", "device_locked",
       {{"pw", record(kOutput, "x") + record(kOpenResp, R"({"code":0})") + record(kExit, R"({"exit_code":9})")}},
       false, "x", kLocked + kPrompt + kUnlocking, 9},
      {"error meanwhile", "pw\n", "device_locked",
       {{"pw", record(kError, R"({"code":7,"message":"boom"})")}}, false, "",
       kLocked + kPrompt + kUnlocking + "Error: boom (code 7)\n", 6},
      {"hang-up meanwhile", "pw\n", "device_locked", {{"pw", ""}}, true, "",
       kLocked + kPrompt + kUnlocking + "Error: terminal disconnected while waiting for unlock response\n", 6},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ToolSandbox sandbox;
    TestPeer peer(sandbox.tmpDir());
    peer.expect([&c](PeerConnection& conn) {
      attachBridge(conn);
      expectOpen(conn, 9, openPayload("bash", "verify"));
      conn.sendFrame(kOpenResp, QByteArray(R"({"code":401,"message":")") + c.openMessage + "\"}");
      for (const UnlockExchange& exchange : c.unlocks) {
        const TerminalFrame unlock = nextFrame(conn);
        EXPECT_EQ(unlock.type, kUnlockReq);
        EXPECT_EQ(unlock.sessionId, 9u);
        EXPECT_EQ(jsonOf(unlock), (QJsonObject{{"password", exchange.password}})) << unlock.payload.toStdString();
        conn.send(exchange.answers);
      }
      if (c.hangUp) {
        conn.close();
      } else {
        EXPECT_TRUE(conn.waitClosed(5000));
      }
    });
    const ToolRun run = sandbox.run(termArgs({"--session-id", "9", "--shell", "bash"}), piped(c.stdinData));
    peer.finish();
    EXPECT_EQ(run.out, c.out);
    EXPECT_EQ(run.err, preamble() + c.err);
    EXPECT_EQ(run.exitCode, c.exitCode);
    if (std::string(c.openMessage) == "weird") {
      EXPECT_TRUE(hasSessionLog(sandbox.lastLog(), 'W',
                                "term open got 401 with unknown message='weird', falling back to device-locked prompt"))
          << sandbox.lastLog();
    }
  }
}

// Also one of the two tests that wait a real open-retry pause.
TEST(AttachSession, UnlockedDeviceIsOpenedAgainAtOnceWithoutVerifying) {
  ToolSandbox sandbox;
  TestPeer peer(sandbox.tmpDir());
  peer.expect([](PeerConnection& c) {
    attachBridge(c);
    expectOpen(c, 9, openPayload("bash", "verify"));
    c.sendJsonFrame(kOpenResp, R"({"code":401,"message":"device_locked"})");
    const TerminalFrame unlock = nextFrame(c);
    EXPECT_EQ(jsonOf(unlock), (QJsonObject{{"password", QString::fromUtf8("p\xc3\xa4ss w")}}));
    c.sendJsonFrame(kUnlockResp, R"({"code":0})");
    const auto unlocked = Clock::now();
    expectOpen(c, 9, openPayload("bash", "none"));
    EXPECT_LT(Clock::now() - unlocked, std::chrono::milliseconds(1000)) << "the first retry must not wait";
    c.sendJsonFrame(kOpenResp, R"({"code":503})");
    const auto answered = Clock::now();
    expectOpen(c, 9, openPayload("bash", "none"));
    EXPECT_GT(Clock::now() - answered, std::chrono::milliseconds(1900)) << "later retries are paced";
    c.sendJsonFrame(kOpenResp, R"({"code":0})");
    expectInitialResize(c);
    c.sendFrame(kOutput, "$ ");
    EXPECT_EQ(readStdin(c, 3), QByteArray("ls\r"));
    c.sendJsonFrame(kExit, R"({"exit_code":0})");
    EXPECT_TRUE(c.waitClosed(5000));
  });
  // Only the first line is the password; the rest is the shell's input.
  const ToolRun run = sandbox.run(termArgs({"--session-id", "9", "--shell", "bash"}), piped("p\xc3\xa4ss w\r\nls\n"));
  peer.finish();
  EXPECT_EQ(run.err, preamble() + kLocked + kPrompt + kUnlocking + attempt(1) + attempt(2) + banner());
  EXPECT_EQ(run.exitCode, 0);
  const std::string log = sandbox.lastLog();
  EXPECT_TRUE(hasSessionLog(log, 'I', "terminal open retry: switching option to 'none' after successful unlock"));
  EXPECT_TRUE(hasSessionLog(log, 'I', "term open retry got code 503 (retryable open failure), attempt 1/12")) << log;
}


// Opens session 7 and runs the session with the given records after the initial resize.
TestPeer::Script sessionWith(std::string records, bool hangUp) {
  return [records, hangUp](PeerConnection& c) {
    attachBridge(c);
    expectOpen(c, 7, openPayload("powershell", "verify"));
    c.sendJsonFrame(kOpenResp, R"({"code":0})");
    expectInitialResize(c);
    c.send(records);
    if (hangUp) {
      c.close();
    } else {
      EXPECT_TRUE(c.waitClosed(5000));
    }
  };
}

TEST(AttachSession, HowARunningSessionEnds) {
  std::string badMagic = record(kOutput, "lost");
  badMagic[4] = 'X';
  const struct {
    const char* name;
    std::string records;
    bool hangUp;
    std::string out;
    std::string err;
    int exitCode;
  } cases[] = {
      {"exit code passes through", record(kOutput, "out") + record(kExit, R"({"exit_code":42})"), false, "out", "", 42},
      {"exit without an object", record(kExit, "[3]"), false, "", "", 0},
      {"exit without a code", record(kExit, "{}"), false, "", "", 0},
      {"undecodable frame is skipped", badMagic + record(kOutput, "ok") + record(kExit, R"({"exit_code":1})"), false,
       "ok", "", 1},
      {"error", record(kOutput, "a") + record(kError, R"({"message":"gone"})") + record(kOutput, "b"), false, "a",
       "Error: gone\n", 6},
      {"error with code", record(kError, R"({"code":1004})"), false, "",
       "[Terminal] Client version too low. The remote endpoint requires a newer client. Please upgrade.\n", 6},
      {"hang-up", record(kOutput, "bye"), true, "bye", "Error: terminal disconnected\n", 6},
      {"corrupt stream", record(kOutput, "a") + std::string(4, '\0'), false, "a",
       "Error: invalid frame from terminal bridge\n", 6},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ToolSandbox sandbox;
    TestPeer peer(sandbox.tmpDir());
    peer.expect(sessionWith(c.records, c.hangUp));
    const ToolRun run = sandbox.run(termArgs({"--session-id", "7"}));
    peer.finish();
    EXPECT_EQ(run.out, c.out);
    EXPECT_EQ(run.err, preamble() + banner() + c.err);
    EXPECT_EQ(run.exitCode, c.exitCode);
  }
}

TEST(AttachSession, RedirectedInputWaitsForTheShellOrForOneAndAHalfSeconds) {
  for (const bool shellSpeaks : {false, true}) {
    SCOPED_TRACE(shellSpeaks ? "shell prints first" : "silent shell");
    ToolSandbox sandbox;
    TestPeer peer(sandbox.tmpDir());
    peer.expect([shellSpeaks](PeerConnection& c) {
      attachBridge(c);
      expectOpen(c, 7, openPayload("powershell", "verify"));
      c.sendJsonFrame(kOpenResp, R"({"code":0})");
      expectInitialResize(c);
      const auto opened = Clock::now();
      if (shellSpeaks) {
        PeerConnection::sleepMs(300);
        c.sendFrame(kOutput, "PS> ");
      }
      EXPECT_EQ(readStdin(c, 4), QByteArray("dir\r"));
      const auto waited = Clock::now() - opened;
      if (shellSpeaks) {
        EXPECT_LT(waited, std::chrono::milliseconds(1000));
      } else {
        EXPECT_GT(waited, std::chrono::milliseconds(1400));
        EXPECT_LT(waited, std::chrono::milliseconds(2500));
      }
      c.sendJsonFrame(kExit, R"({"exit_code":0})");
      EXPECT_TRUE(c.waitClosed(5000));
    });
    const ToolRun run = sandbox.run(termArgs({"--session-id", "7"}), piped("dir\n", 5000));
    peer.finish();
    EXPECT_EQ(run.exitCode, 0);
  }
}

TEST(AttachSession, LongInputGoesOutInOrderedChunksAndItsEndKeepsTheSessionRunning) {
  QByteArray input;
  for (int i = 0; i < 10000; ++i) input.append(static_cast<char>('a' + i % 26));
  input.append("\r\n");
  ToolSandbox sandbox;
  TestPeer peer(sandbox.tmpDir());
  peer.expect([&input](PeerConnection& c) {
    attachBridge(c);
    expectOpen(c, 7, openPayload("powershell", "verify"));
    c.sendJsonFrame(kOpenResp, R"({"code":0})");
    expectInitialResize(c);
    c.sendFrame(kOutput, "> ");
    QByteArray received;
    while (received.size() < input.size() - 1) {
      const TerminalFrame frame = nextFrame(c);
      ASSERT_EQ(static_cast<int>(frame.type), static_cast<int>(kStdin));
      EXPECT_LE(frame.payload.size(), 4096);
      received += frame.payload;
    }
    EXPECT_EQ(received, input.left(input.size() - 1));
    // The input has ended by now; the session stays until the shell ends it.
    PeerConnection::sleepMs(300);
    c.sendFrame(kOutput, "still here");
    c.sendJsonFrame(kExit, R"({"exit_code":5})");
    EXPECT_TRUE(c.waitClosed(5000));
  });
  const ToolRun run = sandbox.run(termArgs({"--session-id", "7"}), piped(input.toStdString()));
  peer.finish();
  EXPECT_EQ(run.out, "> still here");
  EXPECT_EQ(run.exitCode, 5);
}


// The one test that waits the real two seconds between open retries.
TEST(AttachSession, RetriesWhileTheDeviceIsNotReadyAreTwoSecondsApart) {
  ToolSandbox sandbox;
  TestPeer peer(sandbox.tmpDir());
  peer.expect([](PeerConnection& c) {
    attachBridge(c);
    expectOpen(c, 7, openPayload("powershell", "verify"));
    c.sendJsonFrame(kOpenResp, R"({"code":503,"message":"busy"})");
    auto answered = Clock::now();
    expectOpen(c, 7, openPayload("powershell", "verify"));
    EXPECT_GT(Clock::now() - answered, std::chrono::milliseconds(1900));
    c.sendJsonFrame(kOpenResp, R"({"code":401,"message":"warming up"})");
    answered = Clock::now();
    expectOpen(c, 7, openPayload("powershell", "verify"));
    EXPECT_GT(Clock::now() - answered, std::chrono::milliseconds(1900));
    EXPECT_LT(Clock::now() - answered, std::chrono::milliseconds(3000));
    runToCleanExit(c);
  });
  const ToolRun run = sandbox.run(termArgs({"--session-id", "7"}));
  peer.finish();
  EXPECT_EQ(run.err, preamble() + "Terminal not ready: busy, retrying...\n" + attempt(1) + attempt(2) + banner());
  EXPECT_EQ(run.exitCode, 0);
  const std::string log = sandbox.lastLog();
  EXPECT_TRUE(hasSessionLog(log, 'I', "term open retry got code 401 (session not ready / IPC unavailable), attempt 1/12"))
      << log;
}

}  // namespace
