#include "rezizezevud_cmd/terminal/line_endings.h"

QByteArray normalizeLineEndings(const QByteArray& bytes, bool& pendingCr) {
  QByteArray out;
  out.reserve(bytes.size());
  const int size = bytes.size();
  for (int i = 0; i < size; ++i) {
    const char b = bytes[i];
    if (pendingCr) {
      pendingCr = false;
      if (b == '\n') continue;
    }
    if (b == '\r') {
      out.append('\r');
      if (i + 1 < size) {
        if (bytes[i + 1] == '\n') ++i;
      } else {
        pendingCr = true;
      }
    } else if (b == '\n') {
      out.append('\r');
    } else {
      out.append(b);
    }
  }
  return out;
}
