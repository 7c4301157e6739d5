#include "rezizezevud_cmd/help_texts.h"

#include <string>

#include "rezizezevud_cmd/command_table.h"
#include "rezizezevud_cmd/console_output.h"
#include "rezizezevud_cmd/exit_codes.h"

const char kTermHelpText[] =
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

namespace {

const char kTermUsageText[] =
    "orrinctl term - Remote terminal command\n\n"
    "Usage:\n"
    "  orrinctl term <device-name> [options]\n"
    "  orrinctl term --device-id <id> [options]\n\n"
    "Options:\n"
    "  --shell <powershell|cmd|zsh|bash>  Shell type (default: powershell)\n"
    "  --list-sessions                    List remote terminal sessions\n"
    "  --kill-session <id>                Kill a remote terminal session by id\n"
    "  --session-id <id>                  Attach to a specific session id\n"
    "  --new-session                      Force create a new session\n"
    "  -h, --help                         Show this help\n\n"
    "Notes:\n"
    "  stdin redirection is supported when input is not attached to a console.\n";

const char* const kLegacyDescriptionLines[] = {
    "Orrin Remote Command Line Tool",
    "",
    "Subcommands:",
    "  version                   Get version information",
    "  user [info|wallet]        User commands",
    "  device [list|connect|disconnect|status]  Device commands",
    "  cloudpc [list|launch|shutdown|connect|disconnect]  Cloud PC commands",
    "  echo [<message>]          Test communication with main app",
    "  term                      Open remote terminal",
    "                            Run `orrinctl term --help` for details",
    "  help [<command>]          Show detailed help for subcommands",
    "",
    "Legacy options (backward-compatible):",
    "  The --device-id, --list-devices, --connect and other options below",
    "  remain functional for backward compatibility.",
    "",
    "Exit codes:",
    "  0  - Success",
    "  1  - Config file error",
    "  2  - IPC connection failed (main app not running)",
    "  3  - Invalid command",
    "  4  - Data not available",
    "  5  - Timeout",
    "  6  - Terminal command failed",
    "  99 - Unknown error",
};

std::string topLevelHelp() {
  std::string text =
      "Usage: orrinremote <command> [options]\n\n"
      "Commands:\n";
  for (const CommandSpec& command : kCommandTable) {
    text += "  ";
    text += command.summary;
    text += "\n";
  }
  text +=
      "  term                 Remote terminal command\n\n"
      "Options:\n"
      "  --version            Show version information\n"
      "  -h, --help           Show this help\n\n"
      "All business commands output JSON for easy parsing.\n\n"
      "Use \"rezizezevud help <command>\" for more information about a command.\n";
  return text;
}

std::string commandListing(const CommandSpec& command) {
  const std::string name = command.name;
  std::string text = command.help;
  text += "\nUsage: orrinremote " + name + " <subcommand>\n\nSubcommands:\n";
  for (int i = 0; i < command.subcommandCount; ++i) {
    text += "  ";
    text += command.subcommands[i].summary;
    text += "\n";
  }
  text += "\nUse \"rezizezevud help " + name + " <subcommand>\" for more information.\n";
  return text;
}

const CommandSpec* findCommand(const QString& name) {
  for (const CommandSpec& command : kCommandTable) {
    if (name == QLatin1String(command.name)) return &command;
  }
  return nullptr;
}

int unknownTopic(const QString& topic) {
  std::string text = "Unknown help topic: " + topic.toStdString() + "\nAvailable commands: ";
  for (const CommandSpec& command : kCommandTable) {
    text += command.name;
    text += ", ";
  }
  text += "term\n";
  writeStderrNarrow(text);
  return kInvalidCommand;
}

int unknownSubtopic(const CommandSpec& command, const QString& subtopic) {
  std::string text = std::string("Unknown topic: ") + command.name + " " + subtopic.toStdString() +
                     "\nAvailable: ";
  for (int i = 0; i < command.subcommandCount; ++i) {
    if (i > 0) text += ", ";
    text += command.subcommands[i].name;
  }
  text += "\n";
  writeStderrNarrow(text);
  return kInvalidCommand;
}

int showCommandHelp(const CommandSpec& command, const QString& subtopic) {
  if (command.subcommandCount <= 0) {
    writeStdoutNarrow(command.help);
    return kSuccess;
  }
  if (subtopic.isEmpty()) {
    writeStdoutNarrow(commandListing(command));
    return kSuccess;
  }
  for (int i = 0; i < command.subcommandCount; ++i) {
    if (subtopic == QLatin1String(command.subcommands[i].name)) {
      writeStdoutNarrow(command.subcommands[i].help);
      return kSuccess;
    }
  }
  return unknownSubtopic(command, subtopic);
}

}  // namespace

int handleHelpCommand(const QStringList& arguments) {
  const QString topic = arguments.size() > 2 ? arguments.at(2).toLower() : QString();
  const QString subtopic = arguments.size() > 3 ? arguments.at(3).toLower() : QString();
  if (topic.isEmpty()) {
    writeStdoutNarrow(topLevelHelp());
    return kSuccess;
  }
  if (topic == QLatin1String("term")) {
    writeStdoutNarrow(kTermHelpText);
    return kSuccess;
  }
  const CommandSpec* command = findCommand(topic);
  if (command == nullptr) return unknownTopic(topic);
  return showCommandHelp(*command, subtopic);
}

void printTermUsage() { writeStdoutNarrow(kTermUsageText); }

QString legacyDescription() {
  QStringList lines;
  for (const char* line : kLegacyDescriptionLines) lines << QString::fromLatin1(line);
  return lines.join(QLatin1Char('\n'));
}
