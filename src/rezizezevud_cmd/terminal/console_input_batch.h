#pragma once

#include <QByteArray>
#include <cstdint>
#include <vector>

#include "rezizezevud_cmd/platform/console_input.h"

// What one read of console input asks the session to send, in order. The two readers below are
// pure, so every rule about repeats, surrogate pairs and where Ctrl+C splits the typed bytes holds
// the same for every console back end.
struct ConsoleAction {
  enum class Kind { kResize, kStdin, kSignal };
  Kind kind = Kind::kStdin;
  QByteArray bytes;  // kStdin
  int cols = 0;      // kResize
  int rows = 0;      // kResize

  static ConsoleAction resize(int cols, int rows) { return {Kind::kResize, QByteArray(), cols, rows}; }
  static ConsoleAction input(QByteArray bytes) { return {Kind::kStdin, std::move(bytes), 0, 0}; }
  static ConsoleAction interrupt() { return {Kind::kSignal, QByteArray(), 0, 0}; }
  bool operator==(const ConsoleAction& other) const {
    return kind == other.kind && bytes == other.bytes && cols == other.cols && rows == other.rows;
  }
};

// Key and buffer-size events of a console that reports them. Typed bytes are gathered into one
// batch; a size change goes out at once (ahead of the batch) when it is real and new; Ctrl+C
// sends the batch so far and then the interrupt. lastCols/lastRows and the high surrogate
// waiting for its pair carry over from one read to the next.
std::vector<ConsoleAction> batchConsoleRecords(const std::vector<platform::ConsoleInputRecord>& records,
                                               int& lastCols, int& lastRows,
                                               std::uint16_t& pendingHighSurrogate);

// Bytes of a terminal, whose keys arrive encoded already: one batch, split where a Ctrl+C
// (0x03) falls, which becomes the interrupt instead.
std::vector<ConsoleAction> batchTerminalBytes(const QByteArray& bytes);

// UTF-8 of a code point; a lone surrogate becomes U+FFFD.
QByteArray utf8OfCodePoint(std::uint32_t codePoint);
