#include "rezizezevud_cmd/terminal/console_resize.h"

#include <QJsonObject>

#include "rezizezevud_cmd/terminal/console_size.h"
#include "rezizezevud_cmd/terminal/terminal_frame.h"

TerminalFrame makeResizeFrame(int cols, int rows) {
  return makeJsonFrame(kResize, QJsonObject{{QStringLiteral("cols"), cols}, {QStringLiteral("rows"), rows}});
}

bool sendResizeIfChanged(QLocalSocket& socket, int& lastCols, int& lastRows) {
  int cols = 0;
  int rows = 0;
  if (!getConsoleSize(cols, rows)) return true;
  if (cols == lastCols && rows == lastRows) return true;
  lastCols = cols;
  lastRows = rows;
  return sendFrame(socket, makeResizeFrame(cols, rows), QStringLiteral("Error: failed to send resize frame"));
}
