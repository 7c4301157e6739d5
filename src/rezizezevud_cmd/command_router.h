#pragma once

#include <QString>
#include <QStringList>
#include <string>

// What the router makes of a command line before anything runs: either a handler with its one
// argument, or a usage complaint for standard error. Kept apart from the handlers so the
// vocabulary can be checked without a main application.
struct RouteDecision {
  bool usageError = false;
  std::string usage;  // the complaint, line end included, when usageError is set
  int handler = -1;   // HandlerId
  QString argument;
};

// `row` indexes kCommandTable; `arguments` is the whole command line, element 1 the command word.
RouteDecision decideRoute(int row, const QStringList& arguments);
