#include "rezizezevud_cmd/help_texts.h"

#include <gtest/gtest.h>

#include "rezizezevud_cmd/testing/output_capture.h"

namespace {

struct HelpOutcome {
  std::string out;
  std::string err;
  int code;
};

HelpOutcome runHelp(const QStringList& words) {
  OutputCapture capture;
  const int code = handleHelpCommand(QStringList{"orrinctl"} + words);
  return {capture.out(), capture.err(), code};
}

const char kTopLevelHelp[] =
    "Usage: orrinremote <command> [options]\n"
    "\n"
    "Commands:\n"
    "  version              Get version information\n"
    "  user                 User commands\n"
    "  device               Device management commands\n"
    "  cloudpc              Cloud PC management commands\n"
    "  echo [<message>]     Test communication with main app\n"
    "  term                 Remote terminal command\n"
    "\n"
    "Options:\n"
    "  --version            Show version information\n"
    "  -h, --help           Show this help\n"
    "\n"
    "All business commands output JSON for easy parsing.\n"
    "\n"
    "Use \"rezizezevud help <command>\" for more information about a command.\n";

const char kDeviceListing[] =
    "Device management commands.\n"
    "\n"
    "Usage: orrinremote device <subcommand>\n"
    "\n"
    "Subcommands:\n"
    "  list (default)       Get connectable device list\n"
    "  connect <id>         Connect to remote device by device ID\n"
    "  disconnect [<id>]    Disconnect remote device; no id disconnects all\n"
    "  status               Get device connection status\n"
    "\n"
    "Use \"rezizezevud help device <subcommand>\" for more information.\n";

const char kUserListing[] =
    "User commands.\n"
    "\n"
    "Usage: orrinremote user <subcommand>\n"
    "\n"
    "Subcommands:\n"
    "  info (default)       Get current logged-in user information\n"
    "  wallet               Get wallet balance and points\n"
    "\n"
    "Use \"rezizezevud help user <subcommand>\" for more information.\n";

const char kCloudPcListing[] =
    "Cloud PC management commands.\n"
    "\n"
    "Usage: orrinremote cloudpc <subcommand>\n"
    "\n"
    "Subcommands:\n"
    "  list (default)       Get cloud PC list\n"
    "  launch <id>          Start (power on) cloud PC by ID\n"
    "  shutdown [<id>]      Stop (power off) cloud PC; no id shuts down all\n"
    "  connect <id>         Connect to cloud PC by ID (must be powered on)\n"
    "  disconnect [<id>]    Disconnect cloud PC; no id disconnects all\n"
    "\n"
    "Use \"rezizezevud help cloudpc <subcommand>\" for more information.\n";

const char kExpectedTermHelp[] =
    "Remote terminal command.\n"
    "\n"
    "Usage:\n"
    "  orrinremote term <device-name> [options]\n"
    "  orrinremote term --device-id <id> [options]\n"
    "\n"
    "Options:\n"
    "  --shell <powershell|cmd|zsh|bash>  Shell type (default: powershell)\n"
    "  --list-sessions                    List remote terminal sessions\n"
    "  --kill-session <id>                Kill a remote terminal session by id\n"
    "  --session-id <id>                  Attach to a specific session id\n"
    "  --new-session                      Force create a new session\n"
    "  -h, --help                         Show this help\n"
    "\n"
    "Notes:\n"
    "  stdin redirection is supported when input is not attached to a console.\n";

struct ShownCase {
  QStringList words;  // after the program path
  const char* out;
};

// Topics that print to standard output and succeed; words beyond the ones that matter are ignored.
const ShownCase kShownCases[] = {
    {{"help"}, kTopLevelHelp},
    {{"help", ""}, kTopLevelHelp},
    {{"help", "term"}, kExpectedTermHelp},
    {{"help", "Term", "x"}, kExpectedTermHelp},
    {{"help", "user"}, kUserListing},
    {{"help", "DEVICE"}, kDeviceListing},
    {{"help", "device", ""}, kDeviceListing},
    {{"help", "cloudpc"}, kCloudPcListing},
    {{"help", "version"},
     "Get version information.\n"
     "\n"
     "Usage: orrinremote version\n"
     "\n"
     "Returns the application version string. If the main app is not running,\n"
     "the local CLI version is shown instead.\n"},
    {{"help", "user", "info"},
     "Get current logged-in user information.\n"
     "\n"
     "Usage: orrinremote user info\n"
     "\n"
     "This is the default subcommand for \"user\".\n"},
    {{"help", "user", "wallet"},
     "Get wallet balance and points.\n"
     "\n"
     "Usage: orrinremote user wallet\n"},
    {{"help", "device", "list"},
     "Get connectable device list.\n"
     "\n"
     "Usage: orrinremote device list\n"
     "\n"
     "This is the default subcommand for \"device\".\n"
     "Recommended to call before connect or disconnect operations.\n"},
    {{"help", "device", "Connect"},
     "Connect to remote device by device ID.\n"
     "\n"
     "Usage: orrinremote device connect <id>\n"
     "\n"
     "Parameters:\n"
     "  <id>    Target device ID (required, use 'device list' to find IDs)\n"
     "\n"
     "Note: This command changes remote connection state.\n"
     "\n"
     "Examples:\n"
     "  orrinremote device connect \"aeawtm6ehaavaqwb\"\n"},
    {{"help", "device", "disconnect"},
     "Disconnect remote device.\n"
     "\n"
     "Usage: orrinremote device disconnect [<id>]\n"
     "\n"
     "Parameters:\n"
     "  [<id>]  Target device ID (optional); omit to disconnect all\n"
     "\n"
     "Note: Without <id>, ALL device connections will be disconnected.\n"
     "\n"
     "Examples:\n"
     "  orrinremote device disconnect \"aeawtm6ehaavaqwb\"\n"
     "  orrinremote device disconnect\n"},
    {{"help", "device", "status"},
     "Get device connection status.\n"
     "\n"
     "Usage: orrinremote device status\n"},
    {{"help", "cloudpc", "list"},
     "Get cloud PC list.\n"
     "\n"
     "Usage: orrinremote cloudpc list\n"
     "\n"
     "This is the default subcommand for \"cloudpc\".\n"},
    {{"help", "cloudpc", "launch"},
     "Start (power on) a cloud PC by ID.\n"
     "\n"
     "Usage: orrinremote cloudpc launch <id>\n"
     "\n"
     "Parameters:\n"
     "  <id>    Cloud PC ID (required, use 'cloudpc list' to find IDs)\n"
     "\n"
     "Note: This command changes cloud PC power state.\n"
     "\n"
     "Examples:\n"
     "  orrinremote cloudpc launch \"cloudpc-001\"\n"},
    {{"HELP", "CloudPC", "SHUTDOWN"},
     "Stop (power off) a cloud PC by ID, or all cloud PCs if no ID given.\n"
     "\n"
     "Usage: orrinremote cloudpc shutdown [<id>]\n"
     "\n"
     "Parameters:\n"
     "  [<id>]  Cloud PC ID (optional, use 'cloudpc list' to find IDs);\n"
     "          omit to shutdown all cloud PCs\n"
     "\n"
     "Note: This command changes cloud PC power state.\n"
     "Ensure no unsaved work before shutdown.\n"
     "\n"
     "Examples:\n"
     "  orrinremote cloudpc shutdown \"cloudpc-001\"\n"
     "  orrinremote cloudpc shutdown\n"},
    {{"help", "cloudpc", "connect"},
     "Connect to a cloud PC by ID.\n"
     "\n"
     "Usage: orrinremote cloudpc connect <id>\n"
     "\n"
     "Parameters:\n"
     "  <id>    Cloud PC ID (required, use 'cloudpc list' to find IDs)\n"
     "\n"
     "Note: Cloud PC must be powered on before connecting.\n"
     "\n"
     "Examples:\n"
     "  orrinremote cloudpc connect \"cloudpc-001\"\n"},
    {{"help", "cloudpc", "disconnect"},
     "Disconnect from cloud PC.\n"
     "\n"
     "Usage: orrinremote cloudpc disconnect [<id>]\n"
     "\n"
     "Parameters:\n"
     "  [<id>]  Cloud PC ID (optional, use 'cloudpc list' to find IDs);\n"
     "          omit to disconnect all cloud PC connections\n"
     "\n"
     "Note: Cloud PC must be powered on. Without <id>, ALL cloud PC\n"
     "connections will be disconnected.\n"
     "\n"
     "Examples:\n"
     "  orrinremote cloudpc disconnect \"cloudpc-001\"\n"
     "  orrinremote cloudpc disconnect\n"},
    {{"help", "echo"},
     "Test communication with main app.\n"
     "\n"
     "Usage: orrinremote echo [<message>]\n"
     "\n"
     "Parameters:\n"
     "  [<message>]  Message to echo (default: \"hello\")\n"
     "\n"
     "Examples:\n"
     "  orrinremote echo\n"
     "  orrinremote echo \"ping\"\n"},
};

TEST(HelpCommand, ShowsEachTopicOnStandardOutput) {
  for (const ShownCase& c : kShownCases) {
    SCOPED_TRACE(c.words.join(QLatin1Char(' ')).toStdString());
    const HelpOutcome outcome = runHelp(c.words);
    EXPECT_EQ(outcome.out, c.out);
    EXPECT_EQ(outcome.err, "");
    EXPECT_EQ(outcome.code, 0);
  }
}

TEST(HelpCommand, ExtraWordsAfterACommandWithoutSubcommandsAreIgnored) {
  EXPECT_EQ(runHelp({"help", "echo", "anything"}).out, runHelp({"help", "echo"}).out);
  EXPECT_EQ(runHelp({"help", "version", "x", "y"}).out, runHelp({"help", "version"}).out);
}

TEST(HelpCommand, UnknownTopicsComplainOnStandardErrorInLowerCase) {
  struct Case {
    QStringList words;
    const char* err;
  };
  const Case cases[] = {
      {{"help", "Foo"},
       "Unknown help topic: foo\nAvailable commands: version, user, device, cloudpc, echo, term\n"},
      {{"help", "device", "FOO", "bar"},
       "Unknown topic: device foo\nAvailable: list, connect, disconnect, status\n"},
      {{"help", "user", "x"}, "Unknown topic: user x\nAvailable: info, wallet\n"},
      {{"help", "cloudpc", "on"},
       "Unknown topic: cloudpc on\nAvailable: list, launch, shutdown, connect, disconnect\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.words.join(QLatin1Char(' ')).toStdString());
    const HelpOutcome outcome = runHelp(c.words);
    EXPECT_EQ(outcome.out, "");
    EXPECT_EQ(outcome.err, c.err);
    EXPECT_EQ(outcome.code, 3);
  }
}

TEST(HelpTexts, TermHelpTextAndTermUsage) {
  EXPECT_STREQ(kTermHelpText, kExpectedTermHelp);

  OutputCapture capture;
  printTermUsage();
  EXPECT_EQ(capture.out(),
            "orrinctl term - Remote terminal command\n"
            "\n"
            "Usage:\n"
            "  orrinctl term <device-name> [options]\n"
            "  orrinctl term --device-id <id> [options]\n"
            "\n"
            "Options:\n"
            "  --shell <powershell|cmd|zsh|bash>  Shell type (default: powershell)\n"
            "  --list-sessions                    List remote terminal sessions\n"
            "  --kill-session <id>                Kill a remote terminal session by id\n"
            "  --session-id <id>                  Attach to a specific session id\n"
            "  --new-session                      Force create a new session\n"
            "  -h, --help                         Show this help\n"
            "\n"
            "Notes:\n"
            "  stdin redirection is supported when input is not attached to a console.\n");
  EXPECT_EQ(capture.err(), "");
}

TEST(HelpTexts, LegacyDescriptionExactBytes) {
  const QString expected = QStringLiteral(
      "Orrin Remote Command Line Tool\n"
      "\n"
      "Subcommands:\n"
      "  version                   Get version information\n"
      "  user [info|wallet]        User commands\n"
      "  device [list|connect|disconnect|status]  Device commands\n"
      "  cloudpc [list|launch|shutdown|connect|disconnect]  Cloud PC commands\n"
      "  echo [<message>]          Test communication with main app\n"
      "  term                      Open remote terminal\n"
      "                            Run `orrinctl term --help` for details\n"
      "  help [<command>]          Show detailed help for subcommands\n"
      "\n"
      "Legacy options (backward-compatible):\n"
      "  The --device-id, --list-devices, --connect and other options below\n"
      "  remain functional for backward compatibility.\n"
      "\n"
      "Exit codes:\n"
      "  0  - Success\n"
      "  1  - Config file error\n"
      "  2  - IPC connection failed (main app not running)\n"
      "  3  - Invalid command\n"
      "  4  - Data not available\n"
      "  5  - Timeout\n"
      "  6  - Terminal command failed\n"
      "  99 - Unknown error");
  EXPECT_EQ(legacyDescription().toStdString(), expected.toStdString());
  EXPECT_EQ(legacyDescription().size(), 885);
}

}  // namespace
