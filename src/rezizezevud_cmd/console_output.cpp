#include "rezizezevud_cmd/console_output.h"

#include "rezizezevud_cmd/platform/std_streams.h"

using platform::StdStream;

namespace {

void writeUtf8(StdStream stream, const QString& text) {
  const QByteArray bytes = text.toUtf8();
  platform::writeBytes(stream, bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

QString withLineEnd(StdStream stream, const QString& text) {
  return text + (platform::isConsole(stream) ? QStringLiteral("\r\n") : QStringLiteral("\n"));
}

}  // namespace

void writeStderr(const QString& text) { writeUtf8(StdStream::kErr, text); }

void printErrorLine(const QString& text) { writeStderr(withLineEnd(StdStream::kErr, text)); }

void printLine(const QString& text) { writeUtf8(StdStream::kOut, withLineEnd(StdStream::kOut, text)); }

void writeStdoutRaw(const QByteArray& bytes) {
  if (bytes.isEmpty()) return;
  platform::writeBytes(StdStream::kOut, bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

void writeStdoutNarrow(std::string_view text) {
  platform::writeBytes(StdStream::kOut, text.data(), text.size());
}

void writeStderrNarrow(std::string_view text) {
  platform::writeBytes(StdStream::kErr, text.data(), text.size());
}
