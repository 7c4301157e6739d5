#pragma once

#include <QString>

// One request text as the tool writes it: "cmd:" + name, then optionally ":" + the argument.
// The argument is everything after the name's colon, colons included: the tool inserts its
// fields unescaped, so only the receiving command knows how to split them.
struct SimCommand {
  QString name;
  QString argument;
  bool hasArgument = false;
};

// False when the text does not start with "cmd:" or names no command.
bool parseSimCommand(const QString& text, SimCommand& command);
