// The open retries and the answer time-outs of the interactive session, run in this process with
// the session's waits shortened, so that twelve retries or a 30-second silence take moments.

#include <gtest/gtest.h>

#include <QLocalSocket>
#include <fcntl.h>
#include <unistd.h>

#include "e2e/attach_peer.h"
#include "rezizezevud_cmd/orrinremotecmd_application.h"
#include "rezizezevud_cmd/terminal/attach_session.h"
#include "rezizezevud_cmd/terminal/term_options.h"
#include "rezizezevud_cmd/testing/output_capture.h"
#include "support/stdin_from.h"

namespace {

using namespace attach;


struct Result {
  std::string out;
  std::string err;
  int exitCode = -1;
};

AttachTimings quick() {
  AttachTimings timings;
  timings.openTimeoutMs = 300;
  timings.unlockTimeoutMs = 300;
  timings.retryPauseMs = 5;
  timings.stdinGateDelayMs = 50;
  return timings;
}

// Runs the session on a connection served by script (frames only: the bridge is already up).
Result runSession(TestPeer::Script script, const std::string& stdinData = "",
                  const AttachTimings& timings = quick()) {
  ToolSandbox sandbox;
  TestPeer peer(sandbox.tmpDir());
  peer.expect(script);
  QLocalSocket socket;
  socket.connectToServer(QString::fromStdString(sandbox.socketPath()));
  EXPECT_TRUE(socket.waitForConnected(3000));
  FrameReceiveBuffer buffer;
  TermOptions options;
  options.sessionId = 7;
  Result result;
  {
    StdinFrom input(stdinData);
    OutputCapture capture;
    result.exitCode = handleTermAttachSession(socket, buffer, options, 120, 40, timings);
    result.out = capture.out();
    result.err = capture.err();
  }
  socket.disconnectFromServer();
  peer.finish();
  return result;
}

const std::string kStart = kVtWarning + kStarting;

// Answers the first open request with first, then every retry with the next of retries.
TestPeer::Script answers(std::string first, std::vector<std::string> retries) {
  return [first, retries](PeerConnection& c) {
    expectOpen(c, 7, openPayload("powershell", "verify"));
    c.send(first);
    for (const std::string& answer : retries) {
      expectOpen(c, 7, openPayload("powershell", "verify"));
      c.send(answer);
    }
    EXPECT_TRUE(c.waitClosed(5000));
  };
}

std::string notReady(const char* message = "") {
  return record(kOpenResp, QByteArray(R"({"code":503,"message":")") + message + "\"}");
}

std::string attempts(int from, int to) {
  std::string text;
  for (int i = from; i <= to; ++i) text += attempt(i);
  return text;
}

TEST(AttachRetry, RetryAnswersOtherThanNotReadyEndTheSession) {
  const std::string firstNotReady = "Terminal not ready, retrying...\n";
  const struct {
    const char* name;
    std::string retryAnswer;
    std::string err;
    int exitCode;
  } cases[] = {
      {"mac", record(kOpenResp, R"({"code":402,"message":"m"})"), "Error: Open failed (code 402): m\n", 6},
      {"lost", record(kOpenResp, R"({"code":403})"), "Error: Open failed (code 403)\n", 6},
      {"os", record(kOpenResp, R"({"code":501})"), "Error: Open failed (code 501)\n", 6},
      {"too old", record(kOpenResp, R"({"code":1004,"message":"old"})"), "Error: Open failed (code 1004): old\n", 6},
      {"invalid", record(kOpenResp, "x"), "Error: invalid open response\n", 6},
      {"no answer", "", "Error: Timeout waiting for open response\n", 5},
      {"corrupt stream runs into the time-out", std::string(4, '\0'), "Error: Timeout waiting for open response\n", 5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Result result = runSession(answers(notReady(), {c.retryAnswer}));
    EXPECT_EQ(result.err, kStart + firstNotReady + attempt(1) + c.err);
    EXPECT_EQ(result.exitCode, c.exitCode);
  }
}

TEST(AttachRetry, TwelveRetriesThatNeverOpen) {
  const std::string sessionUnavailable = "Error: Device session unavailable \xe2\x80\x94 device may have re-locked";
  const struct {
    const char* name;
    std::string retryAnswer;
    std::string lastAnswer;
    std::string err;
  } cases[] = {
      {"not ready", notReady(), notReady(), "Error: Device failed to become ready\n"},
      {"not ready, with reason", notReady(), notReady("busy"), "Error: Device failed to become ready: busy (code 503)\n"},
      {"locked", record(kOpenResp, R"({"code":401})"), record(kOpenResp, R"({"code":401,"message":"locked"})"),
       sessionUnavailable + " (locked)\n"},
      {"locked, the last without reason", notReady("busy"), record(kOpenResp, R"({"code":401})"),
       sessionUnavailable + "\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> retries(11, c.retryAnswer);
    retries.push_back(c.lastAnswer);
    const Result result = runSession(answers(notReady("first"), retries));
    EXPECT_EQ(result.err, kStart + "Terminal not ready: first, retrying...\n" + attempts(1, 12) + c.err);
    EXPECT_EQ(result.exitCode, 6);
  }
}

TEST(AttachRetry, FirstOpenAndUnlockAnswersThatNeverCome) {
  const Result open = runSession([](PeerConnection& c) {
    expectOpen(c, 7, openPayload("powershell", "verify"));
    EXPECT_TRUE(c.waitClosed(5000));
  });
  EXPECT_EQ(open.err, kStart + "Error: Timeout waiting for open response\n");
  EXPECT_EQ(open.exitCode, 5);

  const Result unlock = runSession(
      [](PeerConnection& c) {
        expectOpen(c, 7, openPayload("powershell", "verify"));
        c.sendJsonFrame(kOpenResp, R"({"code":401,"message":"device_locked"})");
        EXPECT_EQ(nextFrame(c).type, kUnlockReq);
        // A broken stream is not looked at while waiting: the wait runs into its time-out.
        c.send(std::string(4, '\0'));
        EXPECT_TRUE(c.waitClosed(5000));
      },
      "pw\n");
  EXPECT_EQ(unlock.err, kStart + kLocked + kPrompt + kUnlocking + "Error: Timeout waiting for unlock response\n");
  EXPECT_EQ(unlock.exitCode, 5);
}

}  // namespace
