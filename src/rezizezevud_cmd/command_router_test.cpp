#include "rezizezevud_cmd/command_router.h"

#include <gtest/gtest.h>

#include "rezizezevud_cmd/command_table.h"
#include "rezizezevud_cmd/handler_id.h"

namespace {

struct RouteCase {
  QStringList words;  // the command line after the program path
  int handler;        // -1 when a usage complaint is expected
  QString argument;
  std::string usage;
};

// The row the dispatcher would match for the (case-folded) command word.
int rowOf(const QString& word) {
  for (int row = 0; row < kCommandCount; ++row) {
    if (word.toLower() == QLatin1String(kCommandTable[row].name)) return row;
  }
  return -1;
}

const std::string kDeviceUsage = "Usage: orrinremote device <list|connect|disconnect|status>\n";
const std::string kDeviceIdMissing =
    "Error: device ID is required\nUsage: orrinremote device connect <id>\n";

const RouteCase kRouteCases[] = {
    // Default subcommands.
    {{"device"}, kHandlerDeviceList, "", ""},
    {{"user"}, kHandlerUserInfo, "", ""},
    {{"cloudpc"}, kHandlerCloudPcList, "", ""},
    // Subcommand words are matched case-insensitively; arguments keep their case.
    {{"Device", "LIST"}, kHandlerDeviceList, "", ""},
    {{"user", "Wallet"}, kHandlerUserWallet, "", ""},
    {{"device", "status", "ignored"}, kHandlerDeviceStatus, "", ""},
    {{"device", "Connect", "AbC", "B"}, kHandlerDeviceConnect, "AbC", ""},
    {{"cloudpc", "launch", "pc-1"}, kHandlerCloudPcLaunch, "pc-1", ""},
    {{"cloudpc", "connect", "pc-2"}, kHandlerCloudPcConnect, "pc-2", ""},
    // Optional ids without a default mean "all".
    {{"device", "disconnect"}, kHandlerDeviceDisconnect, "", ""},
    {{"device", "disconnect", "d1"}, kHandlerDeviceDisconnect, "d1", ""},
    {{"cloudpc", "shutdown"}, kHandlerCloudPcShutdown, "", ""},
    {{"cloudpc", "disconnect", "pc-3"}, kHandlerCloudPcDisconnect, "pc-3", ""},
    // Commands without subcommands take their argument from the next word.
    {{"version", "a", "b"}, kHandlerVersion, "", ""},
    {{"echo"}, kHandlerEcho, "hello", ""},
    {{"echo", ""}, kHandlerEcho, "", ""},
    {{"echo", "Ping", "extra"}, kHandlerEcho, "Ping", ""},
    {{"echo", "--help"}, kHandlerEcho, "--help", ""},
    // Missing or empty required arguments.
    {{"device", "connect"}, -1, "", kDeviceIdMissing},
    {{"device", "connect", ""}, -1, "", kDeviceIdMissing},
    {{"cloudpc", "launch"}, -1, "",
     "Error: cloud PC ID is required\nUsage: orrinremote cloudpc launch <id>\n"},
    {{"cloudpc", "connect", ""}, -1, "",
     "Error: cloud PC ID is required\nUsage: orrinremote cloudpc connect <id>\n"},
    // Unknown subcommands list the command's subcommands in table order.
    {{"device", "foo"}, -1, "", kDeviceUsage},
    {{"device", "-h"}, -1, "", kDeviceUsage},
    {{"device", ""}, -1, "", kDeviceUsage},
    {{"user", "x"}, -1, "", "Usage: orrinremote user <info|wallet>\n"},
    {{"cloudpc", "list2"}, -1, "",
     "Usage: orrinremote cloudpc <list|launch|shutdown|connect|disconnect>\n"},
};

TEST(CommandRouter, DecidesHandlerArgumentOrUsage) {
  for (const RouteCase& c : kRouteCases) {
    SCOPED_TRACE(c.words.join(QLatin1Char(' ')).toStdString());
    const RouteDecision decision =
        decideRoute(rowOf(c.words.first()), QStringList{"orrinctl"} + c.words);
    EXPECT_EQ(decision.usageError, c.handler < 0);
    EXPECT_EQ(decision.usage, c.usage);
    if (c.handler >= 0) {
      EXPECT_EQ(decision.handler, c.handler);
      EXPECT_EQ(decision.argument.toStdString(), c.argument.toStdString());
    }
  }
}

TEST(CommandRouter, RowOutsideTableIsAUsageErrorWithoutText) {
  for (int row : {-1, kCommandCount}) {
    const RouteDecision decision = decideRoute(row, {"orrinctl", "x"});
    EXPECT_TRUE(decision.usageError);
    EXPECT_EQ(decision.usage, "");
  }
}

}  // namespace
