#pragma once

#include <QString>

#include "rezizezevud_cmd/console_output.h"
#include "rezizezevud_cmd/terminal/terminal_messages.h"

// A localized status text of the session, ready for its placeholders.
inline QString sessionText(MessageId id) { return QString::fromUtf8(localizedMessage(id)); }

// A localized status line on standard error.
inline void printSessionLine(MessageId id) { printErrorLine(sessionText(id)); }
