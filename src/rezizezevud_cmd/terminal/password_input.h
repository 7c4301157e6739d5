#pragma once

#include <QByteArray>

// What the user typed at the unlock prompt.
struct PasswordResult {
  bool cancelled = false;
  QByteArray text;  // possibly empty
};

// Reads the unlock password. From a console: masked, one key at a time, Ctrl+C cancels. From
// redirected input: the first line, without its line end, and nothing after it is consumed (the
// rest is the remote shell's input). End of input gives an empty entry.
PasswordResult readPassword();
