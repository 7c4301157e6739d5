#include "rezizezevud_cmd/terminal/console_size.h"

#include "rezizezevud_cmd/platform/console_handle.h"

bool getConsoleSize(int& cols, int& rows) {
  cols = 120;
  rows = 40;
  int measuredCols = 0;
  int measuredRows = 0;
  if (!platform::terminalSize(platform::standardHandle(platform::StdStream::kOut), measuredCols,
                              measuredRows)) {
    return false;
  }
  cols = measuredCols;
  rows = measuredRows;
  return true;
}
