// The faults that end a terminal session, met at a real terminal: the tool runs in a
// pseudo-terminal the test owns, and however the session ends, the terminal's settings must be
// exactly as they were before. Also the flood: remote output far faster than the terminal drains.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "e2e/fault_peer.h"
#include "support/sanitizer.h"
#include "support/pty_driver.h"

namespace {

using namespace attach;
using namespace fault;
using Clock = std::chrono::steady_clock;

// A line the tool ends with "\r\n" on a terminal, as it shows there: a terminal in its normal mode
// turns the "\n" into "\r\n" once more; a raw one passes it through.
std::string cooked(const std::string& line) { return line + "\r\r\n"; }
std::string raw(const std::string& line) { return line + "\r\n"; }

void expectRestored(PtyDriver& driver) {
  EXPECT_TRUE(sameTerminalSettings(driver.initialSettings(), driver.settings()))
      << describeSettingsDifference(driver.initialSettings(), driver.settings());
}

bool endsWithText(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

TEST(FaultConsole, SessionEndingFaultsLeaveTheTerminalAsItWas) {
  const Place session = placeNamed("session", 100, 30);
  const auto cutShort = [](const Place& place) {
    const TestPeer::Script reach = place.reach;
    const std::string bytes = cut(place.answer, place.answer.size() - 1);
    return TestPeer::Script([reach, bytes](PeerConnection& c) {
      reach(c);
      c.send(bytes);
      PeerConnection::sleepMs(50);
      c.close();
    });
  };
  const auto sessionThen = [&session](std::string bytes, bool trickled) {
    const TestPeer::Script reach = session.reach;
    return TestPeer::Script([reach, bytes, trickled](PeerConnection& c) {
      reach(c);
      if (trickled) {
        EXPECT_TRUE(trickle(c, bytes));
      } else {
        c.send(bytes);
      }
      EXPECT_TRUE(c.waitClosed(3000));
    });
  };
  const std::vector<std::string> chosen = termArgs({"--session-id", "7"});
  const struct {
    const char* label;
    std::vector<std::string> args;
    TestPeer::Script script;
    bool typePassword;
    std::string tail;  // the end of the screen
    int exitCode;
  } cases[] = {
      {"bridge cut inside a progress line", chosen,
       [](PeerConnection& c) {
         c.readCommand();
         c.send("progress:initializing_session\nprogress:compl");
         PeerConnection::sleepMs(50);
         c.close();
       },
       false,
       cooked("[Connect] Initializing connection") + cooked("Error: Timeout waiting terminal attach response"), 5},
      {"probe cut inside a record", termArgs(), cutShort(placeNamed("probe", 100, 30)), false,
       cooked("Error: failed to send open frame"), 6},
      {"open wait cut inside a record", chosen, cutShort(placeNamed("open", 100, 30)), false,
       cooked("Error: terminal disconnected while waiting for open response"), 6},
      {"unlock wait cut inside a record", chosen, cutShort(placeNamed("unlock", 100, 30)), true,
       cooked("Error: terminal disconnected while waiting for unlock response"), 6},
      {"session cut inside a record", chosen, cutShort(session), false, "$ " + raw("Error: terminal disconnected"), 6},
      {"session meets record length 0", chosen, sessionThen(lengthField(0), false), false,
       "$ " + raw("Error: invalid frame from terminal bridge"), 6},
      {"session meets a record length over the maximum", chosen, sessionThen(lengthField(kMaxFramePayload + 1), false),
       false, "$ " + raw("Error: invalid frame from terminal bridge"), 6},
      {"session trickled to its end", chosen,
       sessionThen(record(kOutput, "bye") + record(kExit, R"({"exit_code":9})"), true), false, "$ bye", 9},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    ToolSandbox sandbox;
    TestPeer peer(sandbox.tmpDir());
    peer.expect(c.script);
    const auto start = Clock::now();
    PtyDriver driver(sandbox, c.args);
    ASSERT_TRUE(driver.started());
    if (c.typePassword) {
      ASSERT_TRUE(driver.waitForScreen(kPrompt, 3000)) << driver.screen();
      driver.type("pw\r");
    }
    EXPECT_EQ(driver.wait(3000), c.exitCode) << driver.screen();
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(3));
    EXPECT_TRUE(endsWithText(driver.screen(), c.tail)) << driver.screen();
    peer.finish(5000);
    expectRestored(driver);
  }
}

// The remote shell floods the terminal with 64 MiB while the terminal is first not read at all,
// then slowly: the tool waits on the terminal instead of piling up what the peer sends, every byte
// arrives in order, a key typed meanwhile still reaches the shell, and the shell's exit code still
// passes through.
TEST(FaultFlood, OutputFasterThanTheTerminalDrainsIt) {
  constexpr int kChunk = 64 * 1024;
  constexpr int kChunks = 1024;
  constexpr long kMemoryBoundKiB = 64 * 1024;
  const auto chunk = [](int i) {
    std::string bytes(kChunk, '.');
    const std::string mark = "<" + std::to_string(i) + ">";
    for (int at = 0; at + static_cast<int>(mark.size()) <= kChunk; at += 100) bytes.replace(at, mark.size(), mark);
    return bytes;
  };
  ToolSandbox sandbox;
  TestPeer peer(sandbox.tmpDir());
  const Place session = placeNamed("session", 100, 30);
  peer.expect([&session, &chunk](PeerConnection& c) {
    session.reach(c);
    for (int i = 0; i < kChunks; ++i) c.sendFrame(kOutput, QByteArray::fromStdString(chunk(i)));
    TerminalFrame key;
    EXPECT_TRUE(c.readFrameOfType(kStdin, key, 10000));
    EXPECT_EQ(key.payload, QByteArray("q"));
    c.sendJsonFrame(kExit, R"({"exit_code":7})");
    EXPECT_TRUE(c.waitClosed(30000));
  });
  const auto start = Clock::now();
  PtyDriver driver(sandbox, termArgs({"--session-id", "7"}));
  ASSERT_TRUE(driver.started());
  ASSERT_TRUE(driver.waitForScreen("$ ", 3000)) << driver.screen();
  const std::size_t outputStart = driver.screen().find("$ ") + 2;
  const std::size_t total = outputStart + static_cast<std::size_t>(kChunk) * kChunks;

  long peakKiB = fault::peakResidentKiB(driver.pid());
  // Nobody reads the terminal for a while, then a little at a time, then as fast as it comes.
  std::this_thread::sleep_for(std::chrono::milliseconds(1000));
  peakKiB = std::max(peakKiB, fault::peakResidentKiB(driver.pid()));
  driver.type("q");
  for (int i = 0; driver.screen().size() < total && Clock::now() - start < std::chrono::seconds(20); ++i) {
    if (driver.screen().size() < outputStart + 8 * 1024 * 1024) {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    if (i % 64 == 0) peakKiB = std::max(peakKiB, fault::peakResidentKiB(driver.pid()));
  }
  EXPECT_EQ(driver.wait(5000), 7);
  const auto took = Clock::now() - start;
  peer.finish(5000);

  EXPECT_GT(peakKiB, 0);
  if (kMemoryIsMeasurable) EXPECT_LT(peakKiB, kMemoryBoundKiB);
  const std::string& screen = driver.screen();
  ASSERT_EQ(screen.size(), total);
  for (int i = 0; i < kChunks; ++i) {
    if (screen.compare(outputStart + static_cast<std::size_t>(i) * kChunk, kChunk, chunk(i)) != 0) {
      ADD_FAILURE() << "chunk " << i << " differs";
      break;
    }
  }
  EXPECT_LT(took, std::chrono::seconds(20));
  expectRestored(driver);
}

// Bytes behind a fault that has already decided the outcome (garbage where the bridge answer
// should start, a broken record length during a wait) are worth nothing, however many of them the
// peer sends: the tool reads on without keeping them, and ends as the fault calls for when the
// peer hangs up.
TEST(FaultFlood, FloodBehindADecidingFaultIsNotKept) {
  constexpr long kMemoryBoundKiB = 64 * 1024;
  const struct {
    const char* label;
    std::function<void(PeerConnection&)> reach;  // up to the fault, included
    std::string tail;
    int exitCode;
  } cases[] = {
      {"garbage before the bridge answer",
       [](PeerConnection& c) {
         c.readCommand();
         c.send("noise");
       },
       cooked("Error: Timeout waiting terminal attach response"), 5},
      {"bad record length during the open wait",
       [](PeerConnection& c) {
         attachBridge(c);
         expectOpen(c, 7, openPayload("powershell", "verify", 100, 30));
         c.send(lengthField(0));
       },
       cooked("Error: terminal disconnected while waiting for open response"), 6},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    ToolSandbox sandbox;
    TestPeer peer(sandbox.tmpDir());
    std::atomic<bool> flooding{false};
    std::atomic<bool> stop{false};
    const auto reach = c.reach;
    peer.expect([&flooding, &stop, reach](PeerConnection& conn) {
      reach(conn);
      const std::string junk(1 << 20, 'x');
      flooding = true;
      while (!stop && ::send(conn.fd(), junk.data(), junk.size(), MSG_NOSIGNAL) > 0) {
      }
      conn.close();
    });
    const auto start = Clock::now();
    PtyDriver driver(sandbox, termArgs({"--session-id", "7"}));
    ASSERT_TRUE(driver.started());
    while (!flooding && Clock::now() - start < std::chrono::seconds(3)) {
      driver.screen();
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_TRUE(flooding) << driver.screen();
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    const long peakKiB = fault::peakResidentKiB(driver.pid());
    stop = true;
    EXPECT_EQ(driver.wait(3000), c.exitCode) << driver.screen();
    peer.finish(5000);
    EXPECT_GT(peakKiB, 0);
    if (kMemoryIsMeasurable) EXPECT_LT(peakKiB, kMemoryBoundKiB);
    EXPECT_TRUE(endsWithText(driver.screen(), c.tail)) << driver.screen();
    expectRestored(driver);
  }
}

}  // namespace
