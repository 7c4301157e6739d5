// The interactive session at a real terminal: the tool runs in a pseudo-terminal the test owns,
// which types keys, changes the window size, reads the screen, and checks that the terminal's
// settings are exactly as they were when the tool is gone, however it went.

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <thread>

#include "e2e/attach_peer.h"
#include "support/pty_driver.h"

namespace {

using namespace attach;
using Clock = std::chrono::steady_clock;

// How lines the tool ends with "\r\n" (as it does on a terminal) show on the screen: a terminal
// in its normal mode turns the "\n" into "\r\n" once more; a raw one passes it through.
std::string replaceLineFeeds(const std::string& text, const std::string& by) {
  std::string out;
  for (char c : text) {
    if (c == '\n') {
      out += by;
    } else {
      out += c;
    }
  }
  return out;
}
std::string cookedScreen(const std::string& text) { return replaceLineFeeds(text, "\r\r\n"); }
std::string rawScreen(const std::string& text) { return replaceLineFeeds(text, "\r\n"); }

// Waits until the terminal's settings satisfy done (the tool changes them at its own pace).
template <typename Predicate>
bool waitForSettings(PtyDriver& driver, Predicate done, int timeoutMs = 5000) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (Clock::now() < deadline) {
    if (done(driver.settings())) return true;
    driver.screen();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

bool isRaw(const termios& t) {
  return (t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN)) == 0 && (t.c_iflag & (ICRNL | IXON)) == 0 &&
         (t.c_oflag & OPOST) == 0;
}

bool isPasswordMode(const termios& t) {
  return (t.c_lflag & (ICANON | ECHO | ISIG)) == 0 && (t.c_oflag & OPOST) != 0;
}

void expectRestored(PtyDriver& driver) {
  EXPECT_TRUE(sameTerminalSettings(driver.initialSettings(), driver.settings()))
      << describeSettingsDifference(driver.initialSettings(), driver.settings());
}

TEST(AttachConsole, KeysCtrlCAndWindowSizeReachTheRemoteShellInRawMode) {
  ToolSandbox sandbox;
  TestPeer peer(sandbox.tmpDir());
  peer.expect([](PeerConnection& c) {
    attachBridge(c);
    expectOpen(c, 7, openPayload("powershell", "verify", 100, 30));
    c.sendJsonFrame(kOpenResp, R"({"code":0})");
    expectInitialResize(c, 100, 30);
    c.sendFrame(kOutput, "line1\nline2\r\nREADY> ");
    EXPECT_EQ(readStdin(c, 6), QByteArray("ls\r\x1b[A"));
    c.sendFrame(kOutput, "[keys]");
    std::vector<TerminalFrame> typed;
    TerminalFrame signal;
    EXPECT_TRUE(c.readFrameOfType(kSignal, signal, 10000, &typed));
    EXPECT_EQ(signal.payload, QByteArray(R"({"sig":"SIGINT"})"));
    QByteArray beforeSignal;
    for (const TerminalFrame& frame : typed) {
      EXPECT_EQ(static_cast<int>(frame.type), static_cast<int>(kStdin));
      beforeSignal += frame.payload;
    }
    EXPECT_EQ(beforeSignal, QByteArray("ab"));
    EXPECT_EQ(readStdin(c, 2), QByteArray("cd"));
    c.sendFrame(kOutput, "[sigint]");
    expectFrame(c, kResize, R"({"cols":90,"rows":20})");
    c.send(record(kOutput, "[resized]") + record(kExit, R"({"exit_code":7})"));
    EXPECT_TRUE(c.waitClosed(5000));
  });
  PtyDriver driver(sandbox, termArgs({"--session-id", "7"}));
  ASSERT_TRUE(driver.started());
  ASSERT_TRUE(driver.waitForScreen("READY> ")) << driver.screen();
  // The remote output reaches the terminal unchanged: no carriage return is added.
  EXPECT_NE(driver.screen().find("line1\nline2\r\nREADY> "), std::string::npos) << driver.screen();
  EXPECT_TRUE(waitForSettings(driver, isRaw)) << describeSettingsDifference(driver.initialSettings(), driver.settings());
  driver.type("ls\r");
  driver.type("\x1b[A");
  ASSERT_TRUE(driver.waitForScreen("[keys]")) << driver.screen();
  driver.type("ab\x03" "cd");
  ASSERT_TRUE(driver.waitForScreen("[sigint]")) << driver.screen();
  driver.resize(90, 20);
  ASSERT_TRUE(driver.waitForScreen("[resized]")) << driver.screen();
  EXPECT_EQ(driver.wait(), 7);
  peer.finish();
  // At a terminal there is no VT warning, and status lines end with CR LF.
  EXPECT_EQ(driver.screen().rfind(cookedScreen(kEntering + kStarting + banner()) + "line1\nline2\r\nREADY> ", 0), 0u)
      << driver.screen();
  expectRestored(driver);
}

TEST(AttachConsole, PasswordIsMaskedAndCtrlCCancelsThePrompt) {
  ToolSandbox sandbox;
  TestPeer peer(sandbox.tmpDir());
  peer.expect([](PeerConnection& c) {
    attachBridge(c);
    expectOpen(c, 7, openPayload("powershell", "verify", 100, 30));
    c.sendJsonFrame(kOpenResp, R"({"code":401,"message":"device_locked"})");
    const TerminalFrame unlock = nextFrame(c);
    EXPECT_EQ(unlock.type, kUnlockReq);
    EXPECT_EQ(unlock.payload, QByteArray(R"({"password":"set"})"));
    c.sendJsonFrame(kUnlockResp, R"({"code":1})");
    EXPECT_TRUE(c.waitClosed(5000));
  });
  PtyDriver driver(sandbox, termArgs({"--session-id", "7"}));
  ASSERT_TRUE(driver.waitForScreen(kPrompt)) << driver.screen();
  EXPECT_TRUE(waitForSettings(driver, isPasswordMode));
  // An arrow key is swallowed whole; Delete erases the c.
  driver.type("se\x1b[Dc\x7ft\r");
  const std::string secondPrompt = "[System] Enter the unlock password for the controlled device (2/3): ";
  ASSERT_TRUE(driver.waitForScreen(secondPrompt)) << driver.screen();
  EXPECT_TRUE(waitForSettings(driver, isPasswordMode));
  driver.type("x\x03");
  EXPECT_EQ(driver.wait(), 6);
  peer.finish();
  // The prompt's own line ends are single line feeds, which the terminal completes.
  const std::string expected = cookedScreen(kEntering + kStarting + kLocked) + kPrompt + "***\b \b*\r\n" +
                               cookedScreen(kUnlocking + "[System] Unlock failed: incorrect password.\n") +
                               secondPrompt + "*^C\r\n" + cookedScreen("Cancelled\n");
  EXPECT_EQ(driver.screen(), expected);
  expectRestored(driver);
}

TEST(AttachConsole, TerminalIsRestoredWhenTheSessionIsCutOff) {
  const struct {
    const char* name;
    int signal;  // 0: the main application hangs up instead
  } cases[] = {{"hang-up", 0}, {"SIGTERM", SIGTERM}, {"SIGHUP", SIGHUP}, {"SIGQUIT", SIGQUIT}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ToolSandbox sandbox;
    TestPeer peer(sandbox.tmpDir());
    std::atomic<bool> hangUp{false};
    peer.expect([&hangUp](PeerConnection& conn) {
      attachBridge(conn);
      expectOpen(conn, 7, openPayload("powershell", "verify", 100, 30));
      conn.sendJsonFrame(kOpenResp, R"({"code":0})");
      expectInitialResize(conn, 100, 30);
      conn.sendFrame(kOutput, "READY");
      while (!hangUp && !conn.waitClosed(20)) {
      }
    });
    PtyDriver driver(sandbox, termArgs({"--session-id", "7"}));
    ASSERT_TRUE(driver.waitForScreen("READY")) << driver.screen();
    ASSERT_TRUE(waitForSettings(driver, isRaw));
    if (c.signal == 0) {
      hangUp = true;
      EXPECT_EQ(driver.wait(), 6);
      EXPECT_NE(driver.screen().find("READY" + rawScreen("Error: terminal disconnected\n")), std::string::npos)
          << driver.screen();
    } else {
      driver.signal(c.signal);
      EXPECT_EQ(driver.wait(), -1);
      EXPECT_EQ(driver.termSignal(), c.signal);
    }
    hangUp = true;
    peer.finish();
    expectRestored(driver);
  }
}

TEST(AttachConsole, TerminalIsRestoredWhenKilledAtThePasswordPrompt) {
  ToolSandbox sandbox;
  TestPeer peer(sandbox.tmpDir());
  peer.expect([](PeerConnection& c) {
    attachBridge(c);
    expectOpen(c, 7, openPayload("powershell", "verify", 100, 30));
    c.sendJsonFrame(kOpenResp, R"({"code":401,"message":"device_locked"})");
    EXPECT_TRUE(c.waitClosed(10000));
  });
  PtyDriver driver(sandbox, termArgs({"--session-id", "7"}));
  ASSERT_TRUE(driver.waitForScreen(kPrompt)) << driver.screen();
  ASSERT_TRUE(waitForSettings(driver, isPasswordMode));
  driver.signal(SIGTERM);
  EXPECT_EQ(driver.wait(), -1);
  EXPECT_EQ(driver.termSignal(), SIGTERM);
  peer.finish();
  expectRestored(driver);
}

TEST(AttachConsole, UnreadableRedirectedInputEndsTheSession) {
  ToolSandbox sandbox;
  TestPeer peer(sandbox.tmpDir());
  peer.expect([](PeerConnection& c) {
    attachBridge(c);
    expectOpen(c, 7, openPayload("powershell", "verify", 100, 30));
    c.sendJsonFrame(kOpenResp, R"({"code":0})");
    expectInitialResize(c, 100, 30);
    c.sendFrame(kOutput, "$ ");
    EXPECT_TRUE(c.waitClosed(5000));
  });
  PtyOptions options;
  options.stdinPath = "/";  // a directory: every read fails with EISDIR
  PtyDriver driver(sandbox, termArgs({"--session-id", "7"}), options);
  EXPECT_EQ(driver.wait(), 6);
  peer.finish();
  EXPECT_EQ(driver.screen(), cookedScreen(kEntering + kStarting + banner() + "$ Error: failed to read redirected stdin (" +
                                          std::to_string(EISDIR) + ")\n"));
  EXPECT_TRUE(hasSessionLog(sandbox.lastLog(), 'I', "term input mode: redirected"));
  expectRestored(driver);
}

}  // namespace
