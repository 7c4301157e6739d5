// A misbehaving main application, fault by fault and place by place: the one-shot answer, the
// bridge handshake, each wait on the frame stream and the running session. Each case states the
// exact lines, the exit code and how long the tool may take to get there. (A peer that never
// answers a one-shot command is the channel's own 15-second test.)

#include <gtest/gtest.h>

#include <unistd.h>

#include <QLocalSocket>
#include <chrono>
#include <functional>

#include "e2e/fault_peer.h"
#include "rezizezevud_cmd/exit_codes.h"
#include "rezizezevud_cmd/terminal/attach_session.h"
#include "rezizezevud_cmd/terminal/session_open.h"
#include "rezizezevud_cmd/terminal/session_unlock.h"
#include "rezizezevud_cmd/terminal/terminal_bridge.h"
#include "rezizezevud_cmd/terminal/terminal_sessions.h"
#include "rezizezevud_cmd/testing/local_socket_pair.h"
#include "rezizezevud_cmd/testing/output_capture.h"
#include "support/stdin_from.h"

namespace {

using namespace attach;
using namespace fault;

// One command of each kind of one-shot reader, with an answer it takes and what that shows.
struct OneShotCommand {
  const char* label;
  std::vector<std::string> args;
  std::string command;
  std::string answer;
  std::string out;
};

const OneShotCommand kJson{"device list", {"device", "list"}, "cmd:device_list",
                           R"(resp:{"devices":[]})", "{\n    \"devices\": [\n    ]\n}\n"};
const OneShotCommand kTable{"--list-devices", {"--list-devices"}, "cmd:list_devices",
                            R"(resp:{"devices":[{"name":"a","device_id":"1","online":true}]})",
                            "NAME\tDEVICE_ID\tONLINE\na\t1\ttrue\n"};
const OneShotCommand kPlain{"--device-id", {"--device-id"}, "cmd:get_device_id", "resp:123 456",
                            "123 456\n"};
const OneShotCommand kEcho{"echo", {"echo", "x"}, "cmd:echo:x", "resp:x", "x\n"};
const OneShotCommand kSetting{"--set-bitrate-limit", {"--set-bitrate-limit", "20"},
                              "cmd:set_bitrate_limit:20", "resp:", "Bitrate limit set to 20 Mbps\n"};

const std::string kInvalid = "Error: Invalid response from main application\n";
const std::string kNoAnswer = "Error: Timeout waiting for response\n";

struct OneShotCase {
  const OneShotCommand* command;
  std::string out;
  std::string err;
  int exitCode;
};

using OneShotFault = std::function<void(PeerConnection&, const OneShotCommand&)>;

void expectOneShotOutcomes(const OneShotFault& fault, const std::vector<OneShotCase>& cases) {
  for (const OneShotCase& c : cases) {
    SCOPED_TRACE(c.command->label);
    ToolSandbox sandbox;
    TestPeer peer(sandbox.tmpDir());
    const OneShotCommand& command = *c.command;
    peer.expect([&fault, &command](PeerConnection& connection) { fault(connection, command); });
    const ToolRun run = sandbox.run(command.args, within(3));
    EXPECT_EQ(peer.finish(5000), 1);
    expectEndedWithin(run, 3);
    EXPECT_EQ(run.out, c.out);
    EXPECT_EQ(run.err, c.err);
    EXPECT_EQ(run.exitCode, c.exitCode);
  }
}

TEST(FaultOneShot, GarbageBeforeTheAnswerIsNoAnswer) {
  expectOneShotOutcomes(
      [](PeerConnection& connection, const OneShotCommand& command) {
        EXPECT_EQ(connection.readCommand(), command.command);
        connection.send("\r\nnoise " + command.answer);
        EXPECT_TRUE(connection.waitClosed(2000));
      },
      {{&kJson, "", kInvalid, 99},
       {&kTable, "", kInvalid, 99},
       {&kPlain, "", kInvalid, 99},
       // Echo shows whatever came back, prefix or not.
       {&kEcho, "\r\nnoise resp:x\n", "", 0},
       {&kSetting, "", kInvalid, 99}});
}

// The first answer is the answer: the tool has hung up before the second arrives.
TEST(FaultOneShot, SecondAnswerIsNeverRead) {
  expectOneShotOutcomes(
      [](PeerConnection& connection, const OneShotCommand& command) {
        EXPECT_EQ(connection.readCommand(), command.command);
        connection.send(command.answer);
        EXPECT_TRUE(connection.waitClosed(2000));
        connection.send("resp:error:second");
      },
      {{&kJson, kJson.out, "", 0},
       {&kTable, kTable.out, "", 0},
       {&kPlain, kPlain.out, "", 0},
       {&kEcho, kEcho.out, "", 0},
       {&kSetting, kSetting.out, "", 0}});
}

// Two answers in one write are one answer to the tool: nothing splits them.
TEST(FaultOneShot, TwoAnswersInOneWriteAreReadAsOne) {
  expectOneShotOutcomes(
      [](PeerConnection& connection, const OneShotCommand& command) {
        EXPECT_EQ(connection.readCommand(), command.command);
        connection.send(command.answer + "resp:error:second");
        EXPECT_TRUE(connection.waitClosed(2000));
      },
      {{&kJson, "", "Error: Invalid response format (JSON parse failed)\n", 7},
       {&kTable, "", "Error: Invalid device list payload\n", 99},
       {&kPlain, "123 456resp:error:second\n", "", 0},
       {&kEcho, "xresp:error:second\n", "", 0},
       {&kSetting, kSetting.out, "", 0}});
}

// Accepted and closed before the command could be read: the write meets a closed peer.
TEST(FaultOneShot, PeerClosingAtOnceIsATimeout) {
  expectOneShotOutcomes([](PeerConnection& connection, const OneShotCommand&) { connection.close(); },
                        {{&kJson, "", kNoAnswer, 5},
                         {&kTable, "", kNoAnswer, 5},
                         {&kPlain, "", kNoAnswer, 5},
                         {&kEcho, "", kNoAnswer, 5},
                         {&kSetting, "", kNoAnswer, 5}});
}

// An answer written a byte at a time is cut after its first byte: one read, and the tool hangs up
// without waiting for the rest.
TEST(FaultOneShot, TrickledAnswerIsItsFirstByte) {
  expectOneShotOutcomes(
      [](PeerConnection& connection, const OneShotCommand& command) {
        EXPECT_EQ(connection.readCommand(), command.command);
        EXPECT_TRUE(trickle(connection, command.answer.substr(0, 1)));
        EXPECT_TRUE(connection.waitClosed(2000)) << "the tool waited for more";
        trickle(connection, command.answer.substr(1));
      },
      {{&kJson, "", kInvalid, 99},
       {&kTable, "", kInvalid, 99},
       {&kPlain, "", kInvalid, 99},
       {&kEcho, "r\n", "", 0},
       {&kSetting, "", kInvalid, 99}});
}

// ---- The bridge handshake ----

// Serves the bridge request with the given bytes, then hangs up.
TestPeer::Script bridgeAnswerThenClose(std::string bytes) {
  return [bytes](PeerConnection& c) {
    EXPECT_EQ(c.readCommand(), "cmd:terminal:{\"device_id\":\"" + kDeviceId + "\"}");
    c.send(bytes);
    PeerConnection::sleepMs(50);
    c.close();
  };
}

TEST(FaultBridge, ConnectionCutBeforeTheAnswerIsATimeout) {
  const std::string timeout = "Error: Timeout waiting terminal attach response\n";
  const struct {
    const char* label;
    std::string bytes;
    std::string err;
  } cases[] = {
      {"inside a progress line", "progress:initializing_session\nprogress:complet", "[Connect] Initializing connection\n"},
      {"inside resp:OK", "progress:initializing_session\nresp:O", "[Connect] Initializing connection\n"},
      {"inside the error prefix", "resp:err", ""},
      {"after garbage", "hello", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    ToolSandbox sandbox;
    TestPeer peer(sandbox.tmpDir());
    peer.expect(bridgeAnswerThenClose(c.bytes));
    const ToolRun run = sandbox.run(termArgs(), within(3));
    peer.finish(5000);
    expectEndedWithin(run, 3);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, kEntering + c.err + timeout);
    EXPECT_EQ(run.exitCode, 5);
  }
  // Accepted and closed before the request could be read: the request meets a closed peer.
  ToolSandbox sandbox;
  TestPeer peer(sandbox.tmpDir());
  peer.expect([](PeerConnection& c) { c.close(); });
  const ToolRun run = sandbox.run(termArgs(), within(3));
  peer.finish(5000);
  expectEndedWithin(run, 3);
  EXPECT_EQ(run.err, kEntering + timeout);
  EXPECT_EQ(run.exitCode, 5);
}

// ---- The frame stream: every wait and the running session ----

TEST(FaultFrameStream, ConnectionCutInsideARecord) {
  for (const Place& place : framePlaces()) {
    // Inside the length field, and one byte short of the whole record.
    for (const std::size_t keep : {std::size_t{2}, place.answer.size() - 1}) {
      SCOPED_TRACE(std::string(place.label) + ", " + std::to_string(keep) + " bytes");
      ToolSandbox sandbox;
      TestPeer peer(sandbox.tmpDir());
      const std::string bytes = cut(place.answer, keep);
      const TestPeer::Script reach = place.reach;
      peer.expect([reach, bytes](PeerConnection& c) {
        reach(c);
        c.send(bytes);
        PeerConnection::sleepMs(50);
        c.close();
      });
      const ToolRun run = sandbox.run(place.args, within(3, piped(place.stdinData)));
      peer.finish(5000);
      expectEndedWithin(run, 3);
      EXPECT_EQ(run.out, place.out);
      EXPECT_EQ(run.err, place.err + place.lost);
      EXPECT_EQ(run.exitCode, 6);
    }
  }
}

// A record length the stream cannot hold ends the running session at once, and nothing after it
// is taken; the largest length it can hold still passes whole.
TEST(FaultFrameStream, RecordLengthOutOfBoundsEndsTheSession) {
  const std::string largest = record(kOutput, QByteArray(kMaxFramePayload - kFrameHeaderSize, 'L'));
  const std::string exitRecord = record(kExit, R"({"exit_code":4})");
  const std::string invalid = "Error: invalid frame from terminal bridge\n";
  const struct {
    const char* label;
    std::string records;
    std::string out;
    std::string err;
    int exitCode;
  } cases[] = {
      {"one past the maximum", record(kOutput, "a") + lengthField(kMaxFramePayload + 1) + exitRecord, "$ a",
       invalid, 6},
      {"all bits set", lengthField(0xFFFFFFFF) + std::string(16, 'x') + exitRecord, "$ ", invalid, 6},
      {"the maximum", largest + exitRecord, "$ " + std::string(kMaxFramePayload - kFrameHeaderSize, 'L'), "", 4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    ToolSandbox sandbox;
    TestPeer peer(sandbox.tmpDir());
    const Place place = placeNamed("session");
    const std::string records = c.records;
    peer.expect([&place, records](PeerConnection& conn) {
      place.reach(conn);
      conn.send(records);
      EXPECT_TRUE(conn.waitClosed(3000));
    });
    const ToolRun run = sandbox.run(place.args, within(3));
    peer.finish(5000);
    expectEndedWithin(run, 3);
    EXPECT_EQ(run.out.size(), c.out.size());
    EXPECT_TRUE(run.out == c.out) << run.out.substr(0, 100);
    EXPECT_EQ(run.err, place.err + c.err);
    EXPECT_EQ(run.exitCode, c.exitCode);
  }
}

// Everything the peer sends, the handshake included, reaches the tool one byte per read; each
// exchange still ends as it would in one piece.
TEST(FaultFrameStream, StreamTrickledOneByteAtATimeStillWorks) {
  const std::string progress = "progress:initializing_session\nprogress:completing_handshake\nresp:OK";
  const std::string progressLines = "[Connect] Initializing connection\n[Connect] Optimizing connection path\n";
  const auto bridge = [progress](PeerConnection& c) {
    EXPECT_EQ(c.readCommand(), "cmd:terminal:{\"device_id\":\"" + kDeviceId + "\"}");
    EXPECT_TRUE(trickle(c, progress));
  };
  const struct {
    const char* label;
    std::vector<std::string> args;
    TestPeer::Script script;
    std::string out;
    std::string err;
    int exitCode;
  } cases[] = {
      {"list",
       termArgs({"--list-sessions"}),
       [bridge](PeerConnection& c) {
         bridge(c);
         expectFrame(c, kListSessionsReq, QByteArray());
         EXPECT_TRUE(trickle(c, record(kListSessionsResp,
                                       R"([{"session_id":3,"shell":"zsh","state":"detached","last_active_ms":9}])")));
       },
       "SESSION_ID\tSHELL\tSTATE\tLAST_ACTIVE\n3\tzsh\tdetached\t9\n", progressLines, 0},
      {"kill",
       termArgs({"--kill-session", "3"}),
       [bridge](PeerConnection& c) {
         bridge(c);
         expectFrame(c, kKillSessionReq, R"({"session_id":3})");
         EXPECT_TRUE(trickle(c, record(kOutput, "x") + record(kKillSessionResp, R"({"code":0})")));
       },
       "Session killed.\n", progressLines, 0},
      {"session with probe, unlock and retry",
       termArgs(),
       [bridge](PeerConnection& c) {
         bridge(c);
         expectFrame(c, kListSessionsReq, QByteArray());
         EXPECT_TRUE(trickle(c, record(kListSessionsResp, "[]")));
         expectOpen(c, 0, openPayload("powershell", "verify"));
         EXPECT_TRUE(trickle(c, record(kOpenResp, R"({"code":401,"message":"device_locked"})")));
         EXPECT_EQ(nextFrame(c).payload, QByteArray(R"({"password":"pw"})"));
         EXPECT_TRUE(trickle(c, record(kOutput, "wait ") + record(kUnlockResp, R"({"code":0})")));
         expectOpen(c, 0, openPayload("powershell", "none"));
         EXPECT_TRUE(trickle(c, record(kOpenResp, R"({"code":0})")));
         expectInitialResize(c);
         EXPECT_TRUE(trickle(c, record(kOutput, "hello\r\n") + record(kExit, R"({"exit_code":9})")));
       },
       "wait hello\r\n",
       kEntering + progressLines + kProbing + kVtWarning + kStarting + kLocked + kPrompt + kUnlocking + attempt(1) +
           banner(),
       9},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    ToolSandbox sandbox;
    TestPeer peer(sandbox.tmpDir());
    const TestPeer::Script script = c.script;
    peer.expect([script](PeerConnection& conn) {
      script(conn);
      EXPECT_TRUE(conn.waitClosed(3000));
    });
    const ToolRun run = sandbox.run(c.args, within(5, piped("pw\n")));
    peer.finish(5000);
    expectEndedWithin(run, 5);
    EXPECT_EQ(run.out, c.out);
    EXPECT_EQ(run.err, c.err);
    EXPECT_EQ(run.exitCode, c.exitCode);
  }
}

// The peer stops reading while redirected input streams in, and then hangs up: the session ends
// instead of the process dying on the broken connection. Whether the tool learns of the close from
// the send it was making or from the connection check before its next send is its own affair.
TEST(FaultFrameStream, PeerGoneWhileTheToolSendsEndsTheSession) {
  ToolSandbox sandbox;
  TestPeer peer(sandbox.tmpDir());
  const Place session = placeNamed("session");
  peer.expect([&session](PeerConnection& c) {
    session.reach(c);
    // The first chunks show the input is flowing; then nothing more is read.
    TerminalFrame frame;
    EXPECT_TRUE(c.readFrameOfType(kStdin, frame, 5000));
    PeerConnection::sleepMs(500);
    c.close();
  });
  const ToolRun run = sandbox.run(session.args, within(5, piped(std::string(8 * 1024 * 1024, 'i'), 8000)));
  peer.finish(5000);
  expectEndedWithin(run, 5);
  EXPECT_EQ(run.out, session.out);
  EXPECT_TRUE(run.err == session.err + "Error: failed to send stdin frame\n" ||
              run.err == session.err + "Error: terminal disconnected\n")
      << run.err;
  EXPECT_EQ(run.exitCode, 6);
}

// A request is answered by the first answer; a second one stays behind for the next reader, which
// drops it without a word.
TEST(FaultFrameStream, SecondAnswerIsDroppedByTheNextReader) {
  const auto openWith = [](std::string answers) {
    return [answers](PeerConnection& c) {
      attachBridge(c);
      expectOpen(c, 7, openPayload("powershell", "verify"));
      c.send(answers);
      expectInitialResize(c);
      c.send(record(kOutput, "$ ") + record(kExit, R"({"exit_code":3})"));
    };
  };
  const struct {
    const char* label;
    std::vector<std::string> args;
    TestPeer::Script script;
    std::string out;
    std::string err;
    int exitCode;
  } cases[] = {
      {"open answered twice", termArgs({"--session-id", "7"}),
       openWith(record(kOpenResp, R"({"code":0})") + record(kOpenResp, R"({"code":0})")), "$ ",
       preamble() + banner(), 3},
      {"open answered, then refused", termArgs({"--session-id", "7"}),
       openWith(record(kOpenResp, R"({"code":0})") + record(kOpenResp, R"({"code":-5,"message":"boom"})")),
       "$ ", preamble() + banner(), 3},
      {"unlock answered twice", termArgs({"--session-id", "7"}),
       [](PeerConnection& c) {
         attachBridge(c);
         expectOpen(c, 7, openPayload("powershell", "verify"));
         c.sendJsonFrame(kOpenResp, R"({"code":401,"message":"device_locked"})");
         EXPECT_EQ(nextFrame(c).type, kUnlockReq);
         c.send(record(kUnlockResp, R"({"code":0})") + record(kUnlockResp, R"({"code":1})"));
         expectOpen(c, 7, openPayload("powershell", "none"));
         c.sendJsonFrame(kOpenResp, R"({"code":0})");
         expectInitialResize(c);
         c.send(record(kExit, R"({"exit_code":3})"));
       },
       "", preamble() + kLocked + kPrompt + kUnlocking + attempt(1) + banner(), 3},
      {"list answered twice", termArgs({"--list-sessions"}),
       [](PeerConnection& c) {
         attachBridge(c);
         expectFrame(c, kListSessionsReq, QByteArray());
         c.send(record(kListSessionsResp, "[]") +
                record(kListSessionsResp, R"([{"session_id":1,"shell":"x","state":"running"}])"));
       },
       "No active sessions.\n", "", 0},
      {"kill answered twice", termArgs({"--kill-session", "5"}),
       [](PeerConnection& c) {
         attachBridge(c);
         expectFrame(c, kKillSessionReq, R"({"session_id":5})");
         c.send(record(kKillSessionResp, R"({"code":0})") + record(kKillSessionResp, R"({"code":3,"message":"no"})"));
       },
       "Session killed.\n", "", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    ToolSandbox sandbox;
    TestPeer peer(sandbox.tmpDir());
    const TestPeer::Script script = c.script;
    peer.expect([script](PeerConnection& conn) {
      script(conn);
      EXPECT_TRUE(conn.waitClosed(3000));
    });
    const ToolRun run = sandbox.run(c.args, within(3, piped("pw\n")));
    peer.finish(5000);
    expectEndedWithin(run, 3);
    EXPECT_EQ(run.out, c.out);
    EXPECT_EQ(run.err, c.err);
    EXPECT_EQ(run.exitCode, c.exitCode);
  }
}

// ---- Faults that run a wait to its deadline, with the deadlines shortened in this process ----


// Bytes before "resp:" that are no progress line are not the answer: the handshake waits on to its
// deadline, whatever follows them.
TEST(FaultDeadline, GarbageBeforeTheBridgeAnswerRunsToTheDeadline) {
  const struct {
    const char* label;
    QByteArray bytes;
    std::string err;
  } cases[] = {
      {"a line feed first", "\nresp:OK", ""},
      {"after a progress line", "progress:initializing_session\n\x00resp:OK", "[Connect] Initializing connection\n"},
      {"lower case", "resp:ok", ""},
      {"before an error", "xresp:error:device offline", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    LocalSocketPair pair;
    pair.send(c.bytes);
    QByteArray leftover;
    QString errorText;
    OutputCapture capture;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(waitTerminalAttach(pair.tool(), leftover, errorText, 300), kTimeout);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(290));
    EXPECT_LT(waited, std::chrono::milliseconds(1500));
    EXPECT_EQ(errorText.toStdString(), "Error: Timeout waiting terminal attach response");
    EXPECT_EQ(capture.err(), c.err);
    EXPECT_EQ(capture.out(), "");
  }
}

// The answer-waits do not look at a broken length field: they wait on to their deadline, and the
// good answer behind the broken field is never taken.
TEST(FaultDeadline, BadRecordLengthRunsEachWaitToItsDeadline) {
  AttachTimings timings;
  timings.openTimeoutMs = 300;
  const struct {
    const char* label;
    std::string answer;  // what the wait would take, behind the broken field
    std::function<int(QLocalSocket&, FrameReceiveBuffer&)> wait;
    int code;
    std::string err;
  } waits[] = {
      {"open", record(kOpenResp, R"({"code":0})"),
       [&timings](QLocalSocket& s, FrameReceiveBuffer& b) {
         TerminalFrame request = buildOpenRequest(QStringLiteral("bash"), 120, 40, 7);
         return openSession(s, b, request, timings).exitCode;
       },
       5, kStarting + "Error: Timeout waiting for open response\n"},
      {"unlock", record(kUnlockResp, R"({"code":0})"),
       [](QLocalSocket& s, FrameReceiveBuffer& b) {
         StdinFrom input("pw\n");
         return unlockDevice(s, b, QStringLiteral("device_locked"), 7, 300).exitCode;
       },
       5, kLocked + kPrompt + kUnlocking + "Error: Timeout waiting for unlock response\n"},
      {"list", record(kListSessionsResp, "[]"),
       [](QLocalSocket& s, FrameReceiveBuffer& b) { return listSessions(s, b, 300); }, 5,
       "Error: Timeout waiting for list-sessions response\n"},
      {"kill", record(kKillSessionResp, R"({"code":0})"),
       [](QLocalSocket& s, FrameReceiveBuffer& b) { return killSession(s, b, 5, 300); }, 5,
       "Error: Timeout waiting for kill-session response\n"},
      // The probe falls back to a new session without a word.
      {"probe", record(kListSessionsResp, R"([{"session_id":42,"shell":"bash","state":"detached"}])"),
       [](QLocalSocket& s, FrameReceiveBuffer& b) {
         return static_cast<int>(probeResumableSession(s, b, QStringLiteral("bash"), false, 300).sessionId);
       },
       0, ""},
  };
  for (const auto& w : waits) {
    for (const std::uint32_t length : {0u, kMaxFramePayload + 1}) {
      SCOPED_TRACE(std::string(w.label) + ", length " + std::to_string(length));
      LocalSocketPair pair;
      pair.send(QByteArray::fromStdString(lengthField(length) + w.answer));
      FrameReceiveBuffer buffer;
      OutputCapture capture;
      const auto start = std::chrono::steady_clock::now();
      EXPECT_EQ(w.wait(pair.tool(), buffer), w.code);
      const auto waited = std::chrono::steady_clock::now() - start;
      EXPECT_GE(waited, std::chrono::milliseconds(290));
      EXPECT_LT(waited, std::chrono::milliseconds(1500));
      EXPECT_TRUE(buffer.corrupt());
      EXPECT_EQ(capture.err(), w.err);
      EXPECT_EQ(capture.out(), "");
    }
  }
}

}  // namespace
