#pragma once

#include <QByteArray>

#include "rezizezevud_cmd/platform/console_input.h"

// The bytes an xterm-compatible terminal sends for a key that a console reports as a key event:
// cursor and editing keys, function keys, and the Tab, Backspace, Enter, Escape, Space and Alt
// combinations whose character alone would not say what was pressed. Empty when the key's own
// character (if any) is what the remote shell should get.
QByteArray keyToVtSequence(const platform::KeyEvent& event);
