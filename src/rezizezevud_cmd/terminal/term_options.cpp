#include "rezizezevud_cmd/terminal/term_options.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

#include "rezizezevud_cmd/help_texts.h"

namespace {

// A session id on the command line: an unsigned 32-bit decimal number, 0 included.
bool parseSessionId(const QString& text, std::optional<std::uint32_t>& id) {
  bool ok = false;
  const uint value = text.toUInt(&ok, 10);
  if (!ok) return false;
  id = value;
  return true;
}

}  // namespace

bool parseTermOptions(const QStringList& arguments, TermOptions& options, bool& showedHelp,
                      QString& errorText) {
  QCommandLineParser parser;
  // Users type "-shell zsh" as readily as "--shell zsh".
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  const QCommandLineOption helpOption = parser.addHelpOption();
  const QCommandLineOption deviceIdOption(
      QStringLiteral("device-id"), QStringLiteral("Connect by device id"), QStringLiteral("id"));
  const QCommandLineOption shellOption(QStringLiteral("shell"),
                                       QStringLiteral("Shell type: powershell, cmd, zsh, or bash"),
                                       QStringLiteral("shell"), QStringLiteral("powershell"));
  const QCommandLineOption listSessionsOption(QStringLiteral("list-sessions"),
                                              QStringLiteral("List remote terminal sessions"));
  const QCommandLineOption killSessionOption(QStringLiteral("kill-session"),
                                             QStringLiteral("Kill a remote terminal session by id"),
                                             QStringLiteral("id"));
  const QCommandLineOption sessionIdOption(QStringLiteral("session-id"),
                                           QStringLiteral("Attach to a specific session id"),
                                           QStringLiteral("id"));
  const QCommandLineOption newSessionOption(QStringLiteral("new-session"),
                                            QStringLiteral("Force create a new session"));
  parser.addOptions({deviceIdOption, shellOption, listSessionsOption, killSessionOption,
                     sessionIdOption, newSessionOption});
  parser.addPositionalArgument(QStringLiteral("device-name"),
                               QStringLiteral("Device name (optional when --device-id is set)"));

  if (!parser.parse(QStringList{QStringLiteral("orrinctl term")} + arguments)) {
    errorText = parser.errorText();
    return false;
  }
  if (parser.isSet(helpOption)) {
    printTermUsage();
    showedHelp = true;
    return true;
  }
  const QStringList positional = parser.positionalArguments();
  if (positional.size() >= 2) {
    errorText = QStringLiteral("Multiple device names are not allowed");
    return false;
  }

  options.deviceName = positional.isEmpty() ? QString() : positional.first().trimmed();
  options.deviceId = parser.value(deviceIdOption).trimmed();
  options.shell = parser.value(shellOption).trimmed().toLower();
  options.listSessions = parser.isSet(listSessionsOption);
  options.newSession = parser.isSet(newSessionOption);
  options.shellGiven = parser.isSet(shellOption);

  if (parser.isSet(killSessionOption) &&
      !parseSessionId(parser.value(killSessionOption), options.killSessionId)) {
    errorText = QStringLiteral("--kill-session requires a numeric session id");
    return false;
  }
  if (parser.isSet(sessionIdOption) &&
      !parseSessionId(parser.value(sessionIdOption), options.sessionId)) {
    errorText = QStringLiteral("--session-id requires a numeric session id");
    return false;
  }
  return true;
}
