#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

// What the arguments after "term" ask for.
struct TermOptions {
  QString deviceName;  // first positional argument, trimmed
  QString deviceId;    // --device-id, trimmed
  QString shell = QStringLiteral("powershell");  // --shell, trimmed and lower-cased
  bool listSessions = false;
  std::optional<std::uint32_t> killSessionId;
  std::optional<std::uint32_t> sessionId;
  bool newSession = false;
  bool shellGiven = false;  // --shell was on the command line, even with the default value
};

// Parses the arguments after "term". With --help it prints the term usage, sets showedHelp and
// leaves the record as it was. On false, errorText says why.
bool parseTermOptions(const QStringList& arguments, TermOptions& options, bool& showedHelp,
                      QString& errorText);
