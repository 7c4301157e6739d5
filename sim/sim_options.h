#pragma once

#include <QString>
#include <QStringList>

// The simulator's command line.
struct SimOptions {
  QString statePath;  // empty: the built-in default state
  bool saveState = false;
  bool verbose = false;
  bool printDefaultState = false;
  bool showHelp = false;
};

// False with a message for the user when the arguments are not usable.
bool parseSimOptions(const QStringList& arguments, SimOptions& options, QString& error);
QString simHelpText();
