// The waits of the command channel and the connect handshake, called in this process with short
// time-outs so that each bound can be seen without waiting 15 or 65 seconds.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>

#include "e2e/one_shot_peer.h"
#include "rezizezevud_cmd/exit_codes.h"
#include "rezizezevud_cmd/orrinremotecmd_application.h"

namespace {

// The socket is looked up in the temporary directory, so each test gets a private one.
class ChannelWaits : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* previous = std::getenv("TMPDIR");
    if (previous != nullptr) savedTmpDir_ = previous;
    hadTmpDir_ = previous != nullptr;
    ::setenv("TMPDIR", sandbox_.tmpDir().c_str(), 1);
  }
  void TearDown() override {
    if (hadTmpDir_) {
      ::setenv("TMPDIR", savedTmpDir_.c_str(), 1);
    } else {
      ::unsetenv("TMPDIR");
    }
  }

  static double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }

  ToolSandbox sandbox_;  // only for its private folders
  RezizEzevudCmdApplication app_;

 private:
  std::string savedTmpDir_;
  bool hadTmpDir_ = false;
};

TEST_F(ChannelWaits, SilentPeerEndsAtTheGivenTimeout) {
  TestPeer peer(sandbox_.tmpDir());
  peer.expect([](PeerConnection& connection) {
    EXPECT_EQ(connection.readCommand(), "cmd:echo:x");
    connection.waitClosed(5000);
  });
  QString answer = QStringLiteral("kept");
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(app_.sendCommandAndWait(QStringLiteral("cmd:echo:x"), 300, answer), kTimeout);
  const double seconds = secondsSince(start);
  EXPECT_GE(seconds, 0.25);
  EXPECT_LT(seconds, 2.0);
  EXPECT_EQ(answer, QStringLiteral("kept"));
  peer.finish();
}

TEST_F(ChannelWaits, EachCommandHasItsOwnConnectionAndAnswerIsUntrimmed) {
  TestPeer peer(sandbox_.tmpDir());
  peer.expect(answerOnce("cmd:first", "resp:one\r\n"));
  peer.expect(answerOnce("cmd:second:\xe4\xb8\xad", " resp:two"));
  QString first;
  QString second;
  EXPECT_EQ(app_.sendCommandAndWait(QStringLiteral("cmd:first"), 2000, first), kSuccess);
  EXPECT_EQ(app_.sendCommandAndWait(QString::fromUtf8("cmd:second:\xe4\xb8\xad"), 2000, second),
            kSuccess);
  EXPECT_EQ(peer.finish(), 2);
  EXPECT_EQ(first, QStringLiteral("resp:one\r\n"));
  EXPECT_EQ(second, QStringLiteral(" resp:two"));
}

TEST_F(ChannelWaits, NoServerIsRefusedWithoutWaiting) {
  QString answer;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(app_.sendCommandAndWait(QStringLiteral("cmd:x"), 2000, answer), kIpcConnectFailed);
  EXPECT_LT(secondsSince(start), 1.0);
  EXPECT_TRUE(answer.isEmpty());
}

// The final answer may come long after the first wait would have ended: the second wait is the
// confirmation's own.
TEST_F(ChannelWaits, ConfirmationWaitOutlastsTheFirstWait) {
  TestPeer peer(sandbox_.tmpDir());
  peer.expect([](PeerConnection& connection) {
    EXPECT_EQ(connection.readCommand(), "cmd:connect:1:");
    connection.send("resp:waiting_confirmation");
    PeerConnection::sleepMs(600);
    connection.send("  resp:accepted \n");
    connection.waitClosed(5000);
  });
  QString answer;
  EXPECT_EQ(app_.sendConnectCommandAndWait(QStringLiteral("cmd:connect:1:"), answer, 200, 3000),
            kSuccess);
  EXPECT_EQ(answer, QStringLiteral("resp:accepted"));
  peer.finish();
}

TEST_F(ChannelWaits, ConfirmationWaitEndsAtItsTimeout) {
  TestPeer peer(sandbox_.tmpDir());
  peer.expect([](PeerConnection& connection) {
    connection.readCommand();
    connection.send("resp:waiting_confirmation");
    connection.waitClosed(5000);
  });
  QString answer = QStringLiteral("kept");
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(app_.sendConnectCommandAndWait(QStringLiteral("cmd:connect:1:"), answer, 2000, 300),
            kTimeout);
  const double seconds = secondsSince(start);
  EXPECT_GE(seconds, 0.25);
  EXPECT_LT(seconds, 1.8);
  EXPECT_EQ(answer, QStringLiteral("kept"));
  peer.finish();
}

TEST_F(ChannelWaits, FirstConnectWaitEndsAtItsTimeout) {
  TestPeer peer(sandbox_.tmpDir());
  peer.expect([](PeerConnection& connection) {
    connection.readCommand();
    connection.waitClosed(5000);
  });
  QString answer;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(app_.sendConnectCommandAndWait(QStringLiteral("cmd:connect:1:"), answer, 300, 5000),
            kTimeout);
  EXPECT_LT(secondsSince(start), 2.0);
  peer.finish();
}

}  // namespace
