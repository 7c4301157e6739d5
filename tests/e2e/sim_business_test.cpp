// orrinctl's business commands answered by velmora-sim: the answers a user sees, and the state
// changes that later commands see.

#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>

#include "e2e/sim_fixture.h"

namespace {

const char kState[] = R"({
  "device_id": "555 666 777",
  "user": {"user_id": "u-1", "name": "Test User", "email": "t@example.com", "plan": "free"},
  "wallet": {"balance": 10.25, "currency": "USD", "points": 7},
  "devices": [
    {"device_id": "d1", "name": "alpha", "os": "linux", "online": true},
    {"device_id": "d2", "name": "beta", "os": "windows", "online": false}
  ],
  "cloud_pcs": [
    {"cloudpc_id": "c1", "name": "cloud-one", "region": "r1", "hardware": "2 vCPU", "power_state": "stopped"}
  ]
})";

const char kAlpha[] = R"("device_id":"d1","name":"alpha","online":true,"os":"linux")";
const char kCloud[] = R"("cloudpc_id":"c1",)";

std::string device(bool connected) {
  return std::string("{\"connected\":") + (connected ? "true" : "false") + "," + kAlpha + "}";
}

std::string cloudPc(bool connected, const char* power) {
  return std::string("{") + kCloud + "\"connected\":" + (connected ? "true" : "false") +
         R"(,"hardware":"2 vCPU","name":"cloud-one","power_state":")" + power + R"(","region":"r1"})";
}

std::string data(const std::string& json) { return "{\"data\":" + json + ",\"success\":true}"; }

std::string failure(const char* code, const char* message) {
  return std::string("{\"error\":{\"code\":\"") + code + "\",\"message\":\"" + message +
         "\"},\"success\":false}";
}

// One world, many commands in a row: each answer reflects what the commands before it changed.
TEST(SimBusiness, JsonCommandsAnswerAndChangeTheWorld) {
  SimBench bench(kState);
  ASSERT_TRUE(bench.sim.started()) << bench.sim.errText();
  const std::string beta =
      R"({"connected":false,"device_id":"d2","name":"beta","online":false,"os":"windows"})";
  const struct {
    std::vector<std::string> args;
    std::string json;
  } steps[] = {
      {{"user", "info"},
       data(R"({"email":"t@example.com","name":"Test User","plan":"free","user_id":"u-1"})")},
      {{"user", "wallet"}, data(R"({"balance":10.25,"currency":"USD","points":7})")},
      {{"device", "list"}, data("{\"devices\":[" + device(false) + "," + beta + "],\"total\":2}")},
      {{"device", "connect", "d1"}, data(device(true))},
      {{"device", "status"},
       data("{\"connection_count\":1,\"connections\":[" + device(true) +
            "],\"device_id\":\"555 666 777\"}")},
      {{"device", "connect", "d2"}, failure("device_offline", "Device beta is offline")},
      {{"device", "connect", "zz"}, failure("device_not_found", "No device with id zz")},
      {{"device", "disconnect"}, data(R"({"count":1,"disconnected":["d1"]})")},
      {{"device", "disconnect", "d1"}, failure("not_connected", "Device alpha is not connected")},
      {{"device", "status"},
       data(R"({"connection_count":0,"connections":[],"device_id":"555 666 777"})")},
      {{"cloudpc", "list"},
       data("{\"cloud_pcs\":[" + cloudPc(false, "stopped") + "],\"total\":1}")},
      {{"cloudpc", "connect", "c1"},
       failure("cloudpc_powered_off", "Cloud PC cloud-one is powered off; launch it first")},
      {{"cloudpc", "launch", "c1"}, data(cloudPc(false, "running"))},
      {{"cloudpc", "connect", "c1"}, data(cloudPc(true, "running"))},
      {{"cloudpc", "disconnect", "c1"}, data(cloudPc(false, "running"))},
      {{"cloudpc", "connect", "c1"}, data(cloudPc(true, "running"))},
      {{"cloudpc", "disconnect"}, data(R"({"count":1,"disconnected":["c1"]})")},
      {{"cloudpc", "shutdown", "c1"}, data(cloudPc(false, "stopped"))},
      {{"cloudpc", "launch", "c1"}, data(cloudPc(false, "running"))},
      {{"cloudpc", "shutdown"}, data(R"({"count":1,"stopped":["c1"]})")},
      {{"cloudpc", "launch", "nope"}, failure("cloudpc_not_found", "No cloud PC with id nope")},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(testing::PrintToString(step.args));
    const ToolRun run = bench.run(step.args);
    EXPECT_EQ(printedJsonWithoutTimestamp(run.out), step.json);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.exitCode, 0);
  }
}

TEST(SimBusiness, PlainTextAndSettingsCommands) {
  SimBench bench(kState);
  ASSERT_TRUE(bench.sim.started()) << bench.sim.errText();
  const struct {
    std::vector<std::string> args;
    std::string out;
  } cases[] = {
      {{"echo", "a:b  c"}, "a:b  c\n"},
      {{"echo"}, "hello\n"},
      {{"--device-id"}, "555 666 777\n"},
      {{"--list-devices"}, "NAME\tDEVICE_ID\tONLINE\nalpha\td1\ttrue\nbeta\td2\tfalse\n"},
      {{"--set-bitrate-limit", "750"}, "Bitrate limit set to 500 Mbps\n"},
      {{"--set-bitrate-limit", "0"}, "Bitrate limit reset to default (no limit)\n"},
      {{"--disable-lite-punch", "true"}, "Lite punch mode disabled (kFull)\n"},
      {{"--reset-custom-code", " x:y "}, "Verification code reset successfully\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.args));
    const ToolRun run = bench.run(c.args);
    EXPECT_EQ(run.out, c.out);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.exitCode, 0);
  }
}

// With nobody logged in, what needs a user says so, each command in its own way.
TEST(SimBusiness, LoggedOutWorld) {
  SimBench bench(R"({"device_id": "42", "user": {"name": "Gone", "logged_in": false},
                     "devices": [{"device_id": "d1", "name": "alpha"}]})");
  ASSERT_TRUE(bench.sim.started()) << bench.sim.errText();
  const std::string loggedOut = failure("not_logged_in", "No user is logged in to Velmora");
  const struct {
    std::vector<std::string> args;
    std::string out;
    std::string err;
    int exitCode;
  } cases[] = {
      {{"user", "info"}, loggedOut, "", 0},
      {{"device", "list"}, loggedOut, "", 0},
      {{"cloudpc", "launch", "c1"}, loggedOut, "", 0},
      {{"--list-devices"}, "", "Error: not logged in\n", 4},
      {{"--connect", "d1"},
       "",
       "Error: Velmora is not logged in. Please log in first and try again.\n",
       4},
      {{"--device-id"}, "42\n", "", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.args));
    const ToolRun run = bench.run(c.args);
    EXPECT_EQ(printedJsonWithoutTimestamp(run.out), c.out);
    EXPECT_EQ(run.err, c.err);
    EXPECT_EQ(run.exitCode, c.exitCode);
  }
}

QJsonObject savedState(const std::string& path) {
  return QJsonDocument::fromJson(QByteArray::fromStdString(readFile(path))).object();
}

// Changes reach the state file only when asked; a restarted simulator then starts from them.
TEST(SimBusiness, SaveStateWritesChangesBack) {
  {
    SimBench bench(kState);
    ASSERT_TRUE(bench.sim.started()) << bench.sim.errText();
    EXPECT_EQ(bench.run({"device", "connect", "d1"}).exitCode, 0);
    EXPECT_EQ(readFile(bench.sim.statePath()), kState) << "written back without --save-state";
  }
  SimBench bench(kState, {"--save-state"});
  ASSERT_TRUE(bench.sim.started()) << bench.sim.errText();
  for (const std::vector<std::string>& args : {std::vector<std::string>{"device", "connect", "d1"},
                                               {"cloudpc", "launch", "c1"},
                                               {"--set-bitrate-limit", "12.9"},
                                               {"--disable-lite-punch", "TRUE"},
                                               {"--reset-custom-code", "new:code"}}) {
    EXPECT_EQ(bench.run(args).exitCode, 0) << testing::PrintToString(args);
  }
  const QJsonObject state = savedState(bench.sim.statePath());
  EXPECT_TRUE(state["devices"][0]["connected"].toBool());
  EXPECT_EQ(state["cloud_pcs"][0]["power_state"].toString(), "running");
  EXPECT_EQ(state["settings"]["bitrate_limit_mbps"].toInt(), 12);
  EXPECT_TRUE(state["settings"]["lite_punch_disabled"].toBool());
  EXPECT_EQ(state["settings"]["custom_code"].toString(), "new:code");

  bench.sim.stop();
  SimProcess restarted(bench.sandbox.tmpDir(), readFile(bench.sim.statePath()));
  ASSERT_TRUE(restarted.started()) << restarted.errText();
  EXPECT_EQ(printedJsonWithoutTimestamp(bench.run({"device", "status"}).out),
            data("{\"connection_count\":1,\"connections\":[" + device(true) +
                 "],\"device_id\":\"555 666 777\"}"));
}

}  // namespace
