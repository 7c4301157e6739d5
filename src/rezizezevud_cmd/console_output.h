#pragma once

#include <QByteArray>
#include <QString>
#include <string_view>

// The one way the tool writes what the user sees. Text that may hold any character goes through
// the first four; they end lines with "\r\n" on a console and "\n" when the stream is redirected,
// so scripts reading a pipe get plain UTF-8 lines. Fixed ASCII texts whose line ends are part of
// the text (help, usage, many error lines) go through the two narrow writers unchanged.

// Text as UTF-8 on standard error, nothing added.
void writeStderr(const QString& text);
// Text and one line end on standard error.
void printErrorLine(const QString& text);
// Text and one line end on standard output: results, table rows, the version.
void printLine(const QString& text);
// Bytes unchanged on standard output: the remote terminal's output with its own escapes.
void writeStdoutRaw(const QByteArray& bytes);

// Narrow texts, written as they stand.
void writeStdoutNarrow(std::string_view text);
void writeStderrNarrow(std::string_view text);
