// The shells behind velmora-sim's terminal frames: interrupts, window sizes, and a tool that
// reads slowly.

#include <gtest/gtest.h>

#include <fstream>
#include <thread>

#include "e2e/sim_fixture.h"
#include "support/sanitizer.h"
#include "support/test_peer.h"

namespace {

const char kState[] = R"({
  "user": {"name": "Test User"},
  "devices": [{"device_id": "d1", "name": "alpha"}],
  "shells": {"bash": "bash --norc --noprofile"}
})";

// A terminal connection with a bash session open on it.
std::unique_ptr<PeerConnection> openShell(const SimBench& bench, int cols = 80, int rows = 24) {
  auto terminal = openSimTerminal(bench.sandbox.tmpDir(), "d1");
  if (!terminal) return nullptr;
  const std::string open = "{\"shell\":\"bash\",\"cols\":" + std::to_string(cols) +
                           ",\"rows\":" + std::to_string(rows) + ",\"option\":\"verify\"}";
  terminal->sendJsonFrame(kOpenReq, open.c_str());
  TerminalFrame answer;
  if (!terminal->readFrameOfType(kOpenResp, answer, 5000)) return nullptr;
  EXPECT_EQ(answer.payload.toStdString(), R"({"code":0,"message":""})");
  return terminal;
}

// Output until the screen shows the line; all of it, or empty when the line did not come in time.
std::string outputUntil(PeerConnection& terminal, const std::string& line, int timeoutMs = 5000) {
  std::string output;
  TerminalFrame frame;
  // The substring test first keeps this linear on long outputs.
  while (output.find(line) == std::string::npos || !showsLine(output, line)) {
    if (!terminal.readFrame(frame, timeoutMs)) return std::string();
    if (frame.type == kOutput) output += frame.payload.toStdString();
  }
  return output;
}

TEST(SimShell, InterruptStopsTheForegroundJob) {
  SimBench bench(kState);
  ASSERT_TRUE(bench.sim.started()) << bench.sim.errText();
  auto terminal = openShell(bench);
  ASSERT_TRUE(terminal);
  terminal->sendFrame(kStdin, "echo started; sleep 30; echo not-$((1))-reached\n");
  ASSERT_FALSE(outputUntil(*terminal, "started").empty());
  PeerConnection::sleepMs(100);
  terminal->sendJsonFrame(kSignal, R"({"sig":"SIGINT"})");
  terminal->sendFrame(kStdin, "echo alive-$((1+1))\n");
  const std::string after = outputUntil(*terminal, "alive-2", 3000);
  EXPECT_FALSE(after.empty()) << "the sleep was not interrupted";
  EXPECT_EQ(after.find("not-1-reached"), std::string::npos) << after;
}

TEST(SimShell, WindowSizeFollowsOpenAndResize) {
  SimBench bench(kState);
  ASSERT_TRUE(bench.sim.started()) << bench.sim.errText();
  auto terminal = openShell(bench, 100, 30);
  ASSERT_TRUE(terminal);
  terminal->sendFrame(kStdin, "stty size\n");
  EXPECT_FALSE(outputUntil(*terminal, "30 100").empty());
  terminal->sendJsonFrame(kResize, R"({"cols":120,"rows":40})");
  terminal->sendFrame(kStdin, "stty size\n");
  EXPECT_FALSE(outputUntil(*terminal, "40 120").empty());
}

long residentKiB(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  }
  return -1;
}

// While the tool does not read, the simulator stops reading the shell instead of buffering its
// output; once the tool reads again, every byte arrives in order.
TEST(SimShell, SlowReaderLosesNothingAndMemoryStaysBounded) {
  SimBench bench(kState);
  ASSERT_TRUE(bench.sim.started()) << bench.sim.errText();
  auto terminal = openShell(bench);
  ASSERT_TRUE(terminal);
  terminal->sendFrame(kStdin, "stty -echo; echo ready-$((1))\n");
  ASSERT_FALSE(outputUntil(*terminal, "ready-1").empty());
  const long before = residentKiB(bench.sim.pid());
  constexpr int kLines = 1500000;  // about 12 MB through the terminal
  terminal->sendFrame(kStdin, "seq 1 " + QByteArray::number(kLines) + "; echo end-$((2))\n");
  PeerConnection::sleepMs(1500);
  const long stalled = residentKiB(bench.sim.pid());
  if (kMemoryIsMeasurable) {
    EXPECT_LT(stalled - before, 6 * 1024) << "the simulator buffered the output it could not send";
  }

  const std::string output = outputUntil(*terminal, "end-2", 30000);
  ASSERT_FALSE(output.empty());
  int expected = 1;
  for (const std::string& line : screenLines(output)) {
    if (expected > kLines) break;
    if (expected == 1 && line != "1") continue;  // the prompt before the numbers
    ASSERT_EQ(line, std::to_string(expected)) << "output lost or reordered";
    ++expected;
  }
  EXPECT_EQ(expected, kLines + 1);
}

// Input for a shell that is not reading waits in the tool's socket, not in the simulator; once
// the shell reads, all of it arrives.
TEST(SimShell, InputForABusyShellIsHeldBackNotBuffered) {
  SimBench bench(kState);
  ASSERT_TRUE(bench.sim.started()) << bench.sim.errText();
  auto terminal = openShell(bench);
  ASSERT_TRUE(terminal);
  constexpr int kBytes = 16 * 1024 * 1024;
  terminal->sendFrame(kStdin, "stty raw -echo; sleep 2; head -c " + QByteArray::number(kBytes) +
                                  " | wc -c; stty sane; echo fed-$((3))\n");
  PeerConnection::sleepMs(300);
  const long before = residentKiB(bench.sim.pid());
  std::thread typist([&terminal] {
    const QByteArray chunk(64 * 1024, 'k');
    for (int sent = 0; sent < kBytes; sent += chunk.size()) terminal->sendFrame(kStdin, chunk);
  });
  PeerConnection::sleepMs(1200);
  const long waiting = residentKiB(bench.sim.pid());
  const std::string output = outputUntil(*terminal, "fed-3", 30000);
  typist.join();
  if (kMemoryIsMeasurable) {
    EXPECT_LT(waiting - before, 6 * 1024) << "the simulator buffered input the shell did not take";
  }
  EXPECT_TRUE(showsLine(output, std::to_string(kBytes))) << output.substr(0, 2000);
}

}  // namespace
