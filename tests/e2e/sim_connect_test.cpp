// The legacy connect option against velmora-sim: confirmation waits, verification codes typed
// on standard input, and the refusals, with the pending connection kept between attempts.

#include <gtest/gtest.h>

#include "e2e/sim_fixture.h"

namespace {

const char kState[] = R"({
  "user": {"name": "Test User"},
  "devices": [
    {"device_id": "plain", "name": "plain-box"},
    {"device_id": "confirm", "name": "confirm-box",
     "connect": {"confirmation": true, "confirmation_delay_ms": 300}},
    {"device_id": "reject", "name": "reject-box",
     "connect": {"confirmation": true, "confirmation_delay_ms": 50, "confirmation_accepted": false}},
    {"device_id": "coded", "name": "coded-box", "connect": {"verification_code": "2468"}},
    {"device_id": "both", "name": "both-box",
     "connect": {"verification_code": "13", "confirmation": true, "confirmation_delay_ms": 50}},
    {"device_id": "away", "name": "away-box", "online": false}
  ]
})";

const std::string kNeedPrompt = "Verify code is required. Please enter verify code: ";
const std::string kWrongPrompt = "Wrong verify code. Please enter verify code again: ";
const std::string kNotice = "Waiting for the controlled device to confirm...\n";

TEST(SimConnect, Conversations) {
  SimBench bench(kState);
  ASSERT_TRUE(bench.sim.started()) << bench.sim.errText();
  const struct {
    std::vector<std::string> args;
    std::string stdinData;
    std::string out;
    std::string err;
    int exitCode;
  } cases[] = {
      {{"--connect", "plain"}, "", "connected to plain-box\n", "", 0},
      {{"--connect", "confirm"}, "", kNotice + "connected to confirm-box\n", "", 0},
      {{"--connect", "reject"}, "", kNotice, "Error: connection rejected by reject-box\n", 4},
      {{"--connect", "coded", "2468"}, "", "connected to coded-box\n", "", 0},
      {{"--connect", "coded"}, " 2468 \n", kNeedPrompt + "connected to coded-box\n", "", 0},
      {{"--connect", "coded", "1111"},
       "2\n2468\n",
       kNeedPrompt + "connected to coded-box\n",
       kWrongPrompt,
       0},
      {{"--connect", "coded"},
       "1\n2\n3\n",
       kNeedPrompt,
       kWrongPrompt + kWrongPrompt + "Error: Wrong verify code, max retries exceeded\n",
       4},
      {{"--connect", "both"}, "13\n", kNeedPrompt + kNotice + "connected to both-box\n", "", 0},
      {{"--connect", "away"}, "", "", "Error: device offline: away-box\n", 4},
      {{"--connect", "nobody"}, "", "", "Error: device not found: nobody\n", 4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.args) + " stdin " + c.stdinData);
    RunOptions options;
    options.stdinData = c.stdinData;
    const ToolRun run = bench.run(c.args, options);
    EXPECT_EQ(run.out, c.out);
    EXPECT_EQ(run.err, c.err);
    EXPECT_EQ(run.exitCode, c.exitCode);
  }
}

// The final answer comes after the configured confirmation delay, not before.
TEST(SimConnect, ConfirmationTakesItsDelayAndMarksTheDeviceConnected) {
  SimBench bench(kState);
  ASSERT_TRUE(bench.sim.started()) << bench.sim.errText();
  const ToolRun run = bench.run({"--connect", "confirm"});
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_GE(run.seconds, 0.3);
  const std::string status = printedJsonWithoutTimestamp(bench.run({"device", "status"}).out);
  EXPECT_NE(status.find("\"connection_count\":1"), std::string::npos) << status;
  EXPECT_NE(status.find("\"device_id\":\"confirm\""), std::string::npos) << status;
}

// A code sent for a device that never asked for one is refused: there is nothing pending.
TEST(SimConnect, CodeWithoutPendingConnectionIsRefused) {
  SimBench bench(kState);
  ASSERT_TRUE(bench.sim.started()) << bench.sim.errText();
  EXPECT_EQ(simRequest(bench.sandbox.tmpDir(), "cmd:input_password:coded:2468"),
            "resp:error:no pending connection for coded");
  EXPECT_EQ(simRequest(bench.sandbox.tmpDir(), "cmd:connect:coded:"), "resp:need_password");
  EXPECT_EQ(simRequest(bench.sandbox.tmpDir(), "cmd:input_password:coded:0"),
            "resp:error:wrong_password");
  EXPECT_EQ(simRequest(bench.sandbox.tmpDir(), "cmd:input_password:coded:2468"),
            "resp:connected to coded-box");
  EXPECT_EQ(simRequest(bench.sandbox.tmpDir(), "cmd:input_password:coded:2468"),
            "resp:error:no pending connection for coded");
}

}  // namespace
