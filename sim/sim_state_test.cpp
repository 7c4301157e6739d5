#include "sim_state.h"

#include <gtest/gtest.h>

namespace {

// A state with every field away from its default: what --save-state writes must read back the same.
const char kFullState[] = R"({
  "device_id": "id-1",
  "user": {"name": "N", "logged_in": false},
  "wallet": {"balance": 3},
  "devices": [{
    "device_id": "d", "name": "n", "os": "o", "online": false, "connected": true,
    "connect": {"confirmation": true, "confirmation_delay_ms": 7, "confirmation_accepted": false,
                "verification_code": "c"},
    "terminal": {"lock": "device_not_logged_in", "password": "p", "not_ready_retries": 2,
                 "not_ready_code": 401, "not_ready_message": "m",
                 "open_error": {"code": 402, "message": "a"},
                 "frame_error": {"code": 9, "message": "b"},
                 "unlock_error": {"code": 2, "message": "c"}}
  }],
  "cloud_pcs": [{"cloudpc_id": "c", "name": "n", "region": "r", "hardware": "s",
                 "power_state": "running", "connected": true}],
  "settings": {"custom_code": "x", "bitrate_limit_mbps": 9, "lite_punch_disabled": true},
  "shells": {"bash": "/bin/bash -i"},
  "terminal_progress_delay_ms": 1
})";

TEST(SimState, SavedStateReadsBackUnchanged) {
  SimState state;
  QString error;
  ASSERT_TRUE(parseSimState(kFullState, state, error)) << error.toStdString();
  const QByteArray saved = serializeSimState(state);
  SimState again;
  ASSERT_TRUE(parseSimState(saved, again, error)) << error.toStdString();
  EXPECT_EQ(serializeSimState(again), saved);

  EXPECT_FALSE(again.loggedIn);
  const SimDevice& d = again.devices.at(0);
  EXPECT_TRUE(d.connected);
  EXPECT_EQ(d.connect.confirmationDelayMs, 7);
  EXPECT_FALSE(d.connect.confirmationAccepted);
  EXPECT_EQ(d.terminal.notReadyCode, 401);
  EXPECT_EQ(d.terminal.frameErrorCode, 9);
  EXPECT_EQ(d.terminal.unlockErrorMessage, "c");
  EXPECT_TRUE(again.cloudPcs.at(0).connected);
  EXPECT_TRUE(again.settings.litePunchDisabled);
  // The table given replaces the default mapping of powershell and cmd.
  EXPECT_EQ(again.shells, (std::map<QString, QString>{{"bash", "/bin/bash -i"}}));
}

TEST(SimState, LeftOutSectionsTakeDefaults) {
  SimState state;
  QString error;
  ASSERT_TRUE(parseSimState("{}", state, error)) << error.toStdString();
  EXPECT_FALSE(state.loggedIn);
  EXPECT_TRUE(state.devices.empty());
  EXPECT_EQ(state.shells.at("powershell"), "bash");
  EXPECT_EQ(state.shells.at("cmd"), "bash");
  EXPECT_EQ(state.progressDelayMs, 5);

  ASSERT_TRUE(parseSimState(R"({"user": {}, "devices": [{"device_id": "d"}]})", state, error));
  EXPECT_TRUE(state.loggedIn);
  EXPECT_TRUE(state.devices.at(0).online);
  EXPECT_EQ(state.devices.at(0).terminal.notReadyCode, 503);
}

}  // namespace
