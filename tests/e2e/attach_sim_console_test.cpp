// A user at a terminal typing into a real remote shell: orrinctl in a pseudo-terminal against
// velmora-sim running bash.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "e2e/sim_fixture.h"
#include "support/pty_driver.h"

namespace {

using Clock = std::chrono::steady_clock;

const char kState[] = R"({
  "user": {"name": "Test User"},
  "devices": [{"device_id": "d1", "name": "alpha"}],
  "shells": {"bash": "bash --norc --noprofile"}
})";

TEST(AttachSimConsole, TypingIntoARealShell) {
  SimBench bench(kState);
  ASSERT_TRUE(bench.sim.started()) << bench.sim.errText();
  PtyOptions options;
  options.cols = 100;
  options.rows = 30;
  PtyDriver driver(bench.sandbox, {"term", "--device-id", "d1", "--shell", "bash"}, options);
  ASSERT_TRUE(driver.waitForScreen("bash-")) << driver.screen();

  // The shell echoes what is typed and computes what it is asked: the tool passes keys through.
  std::size_t mark = driver.screen().size();
  driver.type("stty size; echo sum-$((20+22))\r");
  ASSERT_TRUE(driver.waitForScreen("30 100", 5000, mark)) << driver.screen();
  ASSERT_TRUE(driver.waitForScreen("sum-42", 5000, mark)) << driver.screen();

  mark = driver.screen().size();
  driver.resize(120, 40);
  driver.type("stty size\r");
  ASSERT_TRUE(driver.waitForScreen("40 120", 5000, mark)) << driver.screen();

  // Ctrl+C interrupts the remote foreground job, not the tool.
  driver.type("sleep 30; echo not-$((1))-reached\r");
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  mark = driver.screen().size();
  const auto interrupted = Clock::now();
  driver.type("\x03");
  driver.type("echo alive-$((1+1))\r");
  ASSERT_TRUE(driver.waitForScreen("alive-2", 5000, mark)) << driver.screen();
  EXPECT_LT(Clock::now() - interrupted, std::chrono::seconds(5));
  EXPECT_EQ(driver.screen().find("not-1-reached"), std::string::npos);

  driver.type("exit 4\r");
  EXPECT_EQ(driver.wait(), 4);
  EXPECT_TRUE(sameTerminalSettings(driver.initialSettings(), driver.settings()))
      << describeSettingsDifference(driver.initialSettings(), driver.settings());
}

}  // namespace
