#pragma once

#include <QString>
#include <QStringList>

// The `help` command: the top-level help, a command's listing or a subcommand's help on standard
// output (0), or a complaint about an unknown topic on standard error (3).
int handleHelpCommand(const QStringList& arguments);

// The short usage of `term`, on standard output.
void printTermUsage();

// The text shown by "help term".
extern const char kTermHelpText[];

// The description the legacy option parser prints above its option list.
QString legacyDescription();
