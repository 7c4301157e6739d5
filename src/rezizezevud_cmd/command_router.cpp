#include "rezizezevud_cmd/command_router.h"

#include <utility>

#include "rezizezevud_cmd/command_table.h"
#include "rezizezevud_cmd/console_output.h"
#include "rezizezevud_cmd/exit_codes.h"
#include "rezizezevud_cmd/handler_id.h"
#include "rezizezevud_cmd/orrinremotecmd_application.h"

namespace {

RouteDecision usageError(std::string text) {
  RouteDecision decision;
  decision.usageError = true;
  decision.usage = std::move(text);
  return decision;
}

// The argument sits at `index`; the words after it are ignored whatever the kind.
RouteDecision collectArgument(ArgKind kind, const char* missingArgMessage, const char* defaultArg,
                              int handler, const QStringList& arguments, int index) {
  RouteDecision decision;
  decision.handler = handler;
  const bool present = arguments.size() > index;
  switch (kind) {
    case kNoArg:
      break;
    case kRequiredArg:
      if (present) decision.argument = arguments.at(index);
      // An empty string typed on purpose counts as missing: no handler can act on an empty id.
      if (decision.argument.isEmpty()) {
        return usageError(missingArgMessage != nullptr ? missingArgMessage : "");
      }
      break;
    case kOptionalArg:
      // A typed empty string is kept: "echo ''" sends an empty message, not the default.
      if (present) {
        decision.argument = arguments.at(index);
      } else if (defaultArg != nullptr) {
        decision.argument = QString::fromUtf8(defaultArg);
      }
      break;
  }
  return decision;
}

std::string subcommandUsage(const CommandSpec& command) {
  std::string text = std::string("Usage: orrinremote ") + command.name + " <";
  for (int i = 0; i < command.subcommandCount; ++i) {
    if (i > 0) text += "|";
    text += command.subcommands[i].name;
  }
  return text + ">\n";
}

int findSubcommand(const CommandSpec& command, const QString& word) {
  for (int i = 0; i < command.subcommandCount; ++i) {
    if (word == QLatin1String(command.subcommands[i].name)) return i;
  }
  return -1;
}

}  // namespace

RouteDecision decideRoute(int row, const QStringList& arguments) {
  if (row < 0 || row >= kCommandCount) return usageError("");
  const CommandSpec& command = kCommandTable[row];
  if (command.subcommandCount <= 0) {
    return collectArgument(command.argKind, command.missingArgMessage, command.defaultArg,
                           command.handler, arguments, 2);
  }

  int chosen = command.defaultSubcommand;
  if (arguments.size() < 3) {
    if (chosen < 0) {
      return usageError(std::string("Usage: orrinremote ") + command.name + " <subcommand>\n");
    }
  } else {
    chosen = findSubcommand(command, arguments.at(2).toLower());
    if (chosen < 0) return usageError(subcommandUsage(command));
  }
  const SubcommandSpec& sub = command.subcommands[chosen];
  return collectArgument(sub.argKind, sub.missingArgMessage, sub.defaultArg, sub.handler,
                         arguments, 3);
}

int RezizEzevudCmdApplication::routeCommand(int row, const QStringList& arguments) {
  const RouteDecision decision = decideRoute(row, arguments);
  if (decision.usageError) {
    writeStderrNarrow(decision.usage);
    return kInvalidCommand;
  }
  return callHandler(decision.handler, decision.argument);
}

int RezizEzevudCmdApplication::callHandler(int handlerId, const QString& argument) {
  switch (handlerId) {
    case kHandlerVersion:
      return handleVersionCommand();
    case kHandlerUserInfo:
      return handleUserInfoCommand();
    case kHandlerUserWallet:
      return handleUserWalletCommand();
    case kHandlerDeviceList:
      return handleDeviceListJsonCommand();
    case kHandlerDeviceConnect:
      return handleDeviceConnectByIdCommand(argument);
    case kHandlerDeviceDisconnect:
      return handleDeviceDisconnectCommand(argument);
    case kHandlerDeviceStatus:
      return handleDeviceStatusCommand();
    case kHandlerCloudPcList:
      return handleCloudPcListCommand();
    case kHandlerCloudPcLaunch:
      return handleCloudPcLaunchCommand(argument);
    case kHandlerCloudPcShutdown:
      return handleCloudPcShutdownCommand(argument);
    case kHandlerCloudPcConnect:
      return handleCloudPcConnectCommand(argument);
    case kHandlerCloudPcDisconnect:
      return handleCloudPcDisconnectCommand(argument);
    case kHandlerEcho:
      return handleEchoCommand(argument);
    default:
      return kInvalidCommand;
  }
}
