// Redirected input split into reads anywhere must give the same bytes as one read, and never
// contain an LF.
#include <QByteArray>
#include <cstddef>
#include <cstdint>

#include "rezizezevud_cmd/terminal/line_endings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t piece = 1 + data[0] % 32;
  const QByteArray input(reinterpret_cast<const char*>(data + 1), static_cast<int>(size - 1));
  bool pendingWhole = false;
  const QByteArray whole = normalizeLineEndings(input, pendingWhole);
  bool pending = false;
  QByteArray pieces;
  for (int at = 0; at < input.size(); at += static_cast<int>(piece)) {
    pieces += normalizeLineEndings(input.mid(at, static_cast<int>(piece)), pending);
  }
  if (pieces != whole || whole.contains('\n') || whole.size() > input.size()) __builtin_trap();
  return 0;
}
