#pragma once

#include <QString>
#include <QStringList>

class QCommandLineParser;

// The older dash-option interface, kept for scripts written against it.

// Gives the parser the legacy description, the help and version options and the six legacy
// options, in the order the help lists them.
void setUpLegacyParser(QCommandLineParser& parser);

// "--help" or "-h" anywhere on the command line, written exactly so: the parser never sees them.
bool isLegacyHelpRequest(const QStringList& arguments);

// The parser's help text with the connect option's value widened to show the verification code,
// which is taken from the positional arguments.
QString legacyHelpText(const QCommandLineParser& parser);
void printLegacyHelp(const QCommandLineParser& parser);

// The one legacy command a processed parser asks for: the first set option by a fixed precedence.
enum class LegacyCommand {
  kNone,
  kDeviceId,
  kListDevices,
  kResetCustomCode,
  kConnect,
  kSetBitrateLimit,
  kDisableLitePunch,
};

struct LegacyChoice {
  LegacyCommand command = LegacyCommand::kNone;
  QString value;             // the option's value, where it has one
  QString verificationCode;  // connect only: the first positional argument, or empty
};

LegacyChoice chooseLegacyCommand(const QCommandLineParser& parser);
