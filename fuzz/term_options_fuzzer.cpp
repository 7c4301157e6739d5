// Arbitrary argument lists after "term" (NUL-separated words) through the option parser.
#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>
#include <fcntl.h>
#include <unistd.h>

#include "rezizezevud_cmd/terminal/term_options.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // --help prints the usage; keep the fuzzer's own output readable.
  const int devNull = open("/dev/null", O_WRONLY);
  dup2(devNull, 1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<int>(size));
  QStringList arguments;
  for (const QByteArray& word : bytes.split('\0')) arguments << QString::fromUtf8(word);
  TermOptions options;
  bool showedHelp = false;
  QString error;
  const bool ok = parseTermOptions(arguments, options, showedHelp, error);
  if (ok == !error.isEmpty() && !showedHelp) __builtin_trap();
  if (ok && options.shell != options.shell.trimmed().toLower()) __builtin_trap();
  return 0;
}
