#include "sim_log.h"

#include <cstdio>

namespace {

bool gVerbose = false;

}  // namespace

void setSimVerbose(bool on) { gVerbose = on; }

bool simVerbose() { return gVerbose; }

void simLog(const QString& message) {
  const QByteArray line = QByteArrayLiteral("velmora-sim: ") + message.toUtf8() + '\n';
  std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stderr);
  std::fflush(stderr);
}

void simTrace(const QString& message) {
  if (gVerbose) simLog(message);
}

QString printableBytes(const QByteArray& bytes, int limit) {
  QByteArray out;
  for (int i = 0; i < bytes.size() && i < limit; ++i) {
    const unsigned char c = static_cast<unsigned char>(bytes[i]);
    if (c == '\n')
      out += "\\n";
    else if (c == '\r')
      out += "\\r";
    else if (c < 0x20 || c == 0x7f)
      out += "\\x" + QByteArray::number(c, 16).rightJustified(2, '0');
    else
      out += static_cast<char>(c);
  }
  QString text = QString::fromUtf8(out);
  if (bytes.size() > limit) text += QStringLiteral("... (%1 bytes)").arg(bytes.size());
  return text;
}
