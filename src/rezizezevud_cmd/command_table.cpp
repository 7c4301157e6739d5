#include "rezizezevud_cmd/command_table.h"

#include "rezizezevud_cmd/handler_id.h"

// The texts here are what the user reads; the help command and the router print them as they stand.

namespace {

const char kVersionHelp[] =
    "Get version information.\n"
    "\n"
    "Usage: orrinremote version\n"
    "\n"
    "Returns the application version string. If the main app is not running,\n"
    "the local CLI version is shown instead.\n";

const char kUserHelp[] =
    "User commands.\n";

const char kUserInfoHelp[] =
    "Get current logged-in user information.\n"
    "\n"
    "Usage: orrinremote user info\n"
    "\n"
    "This is the default subcommand for \"user\".\n";

const char kUserWalletHelp[] =
    "Get wallet balance and points.\n"
    "\n"
    "Usage: orrinremote user wallet\n";

const char kDeviceHelp[] =
    "Device management commands.\n";

const char kDeviceListHelp[] =
    "Get connectable device list.\n"
    "\n"
    "Usage: orrinremote device list\n"
    "\n"
    "This is the default subcommand for \"device\".\n"
    "Recommended to call before connect or disconnect operations.\n";

const char kDeviceConnectHelp[] =
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
    "  orrinremote device connect \"aeawtm6ehaavaqwb\"\n";

const char kDeviceDisconnectHelp[] =
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
    "  orrinremote device disconnect\n";

const char kDeviceStatusHelp[] =
    "Get device connection status.\n"
    "\n"
    "Usage: orrinremote device status\n";

const char kCloudPcHelp[] =
    "Cloud PC management commands.\n";

const char kCloudPcListHelp[] =
    "Get cloud PC list.\n"
    "\n"
    "Usage: orrinremote cloudpc list\n"
    "\n"
    "This is the default subcommand for \"cloudpc\".\n";

const char kCloudPcLaunchHelp[] =
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
    "  orrinremote cloudpc launch \"cloudpc-001\"\n";

const char kCloudPcShutdownHelp[] =
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
    "  orrinremote cloudpc shutdown\n";

const char kCloudPcConnectHelp[] =
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
    "  orrinremote cloudpc connect \"cloudpc-001\"\n";

const char kCloudPcDisconnectHelp[] =
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
    "  orrinremote cloudpc disconnect\n";

const char kEchoHelp[] =
    "Test communication with main app.\n"
    "\n"
    "Usage: orrinremote echo [<message>]\n"
    "\n"
    "Parameters:\n"
    "  [<message>]  Message to echo (default: \"hello\")\n"
    "\n"
    "Examples:\n"
    "  orrinremote echo\n"
    "  orrinremote echo \"ping\"\n";
const SubcommandSpec kUserSubcommands[] = {
    {"info", "info (default)       Get current logged-in user information", kUserInfoHelp, kNoArg,
     nullptr, nullptr, kHandlerUserInfo},
    {"wallet", "wallet               Get wallet balance and points", kUserWalletHelp, kNoArg,
     nullptr, nullptr, kHandlerUserWallet},
};

const SubcommandSpec kDeviceSubcommands[] = {
    {"list", "list (default)       Get connectable device list", kDeviceListHelp, kNoArg, nullptr,
     nullptr, kHandlerDeviceList},
    {"connect", "connect <id>         Connect to remote device by device ID", kDeviceConnectHelp,
     kRequiredArg, "Error: device ID is required\nUsage: orrinremote device connect <id>\n",
     nullptr, kHandlerDeviceConnect},
    // No id means "disconnect all", so the argument is optional with an empty default.
    {"disconnect", "disconnect [<id>]    Disconnect remote device; no id disconnects all",
     kDeviceDisconnectHelp, kOptionalArg, nullptr, nullptr, kHandlerDeviceDisconnect},
    {"status", "status               Get device connection status", kDeviceStatusHelp, kNoArg,
     nullptr, nullptr, kHandlerDeviceStatus},
};

const SubcommandSpec kCloudPcSubcommands[] = {
    {"list", "list (default)       Get cloud PC list", kCloudPcListHelp, kNoArg, nullptr, nullptr,
     kHandlerCloudPcList},
    {"launch", "launch <id>          Start (power on) cloud PC by ID", kCloudPcLaunchHelp,
     kRequiredArg, "Error: cloud PC ID is required\nUsage: orrinremote cloudpc launch <id>\n",
     nullptr, kHandlerCloudPcLaunch},
    {"shutdown", "shutdown [<id>]      Stop (power off) cloud PC; no id shuts down all",
     kCloudPcShutdownHelp, kOptionalArg, nullptr, nullptr, kHandlerCloudPcShutdown},
    {"connect", "connect <id>         Connect to cloud PC by ID (must be powered on)",
     kCloudPcConnectHelp, kRequiredArg,
     "Error: cloud PC ID is required\nUsage: orrinremote cloudpc connect <id>\n", nullptr,
     kHandlerCloudPcConnect},
    {"disconnect", "disconnect [<id>]    Disconnect cloud PC; no id disconnects all",
     kCloudPcDisconnectHelp, kOptionalArg, nullptr, nullptr, kHandlerCloudPcDisconnect},
};

template <typename T, int N>
constexpr int countOf(const T (&)[N]) {
  return N;
}

}  // namespace

// Commands with subcommands route through their subcommand rows; their own argument and handler
// fields are unused (kNoArg, handler -1, which callHandler rejects).
const CommandSpec kCommandTable[kCommandCount] = {
    {"version", "version              Get version information", kVersionHelp, nullptr, 0, -1,
     kNoArg, nullptr, nullptr, kHandlerVersion},
    {"user", "user                 User commands", kUserHelp, kUserSubcommands,
     countOf(kUserSubcommands), 0, kNoArg, nullptr, nullptr, -1},
    {"device", "device               Device management commands", kDeviceHelp, kDeviceSubcommands,
     countOf(kDeviceSubcommands), 0, kNoArg, nullptr, nullptr, -1},
    {"cloudpc", "cloudpc              Cloud PC management commands", kCloudPcHelp,
     kCloudPcSubcommands, countOf(kCloudPcSubcommands), 0, kNoArg, nullptr, nullptr, -1},
    {"echo", "echo [<message>]     Test communication with main app", kEchoHelp, nullptr, 0, -1,
     kOptionalArg, nullptr, "hello", kHandlerEcho},
};
