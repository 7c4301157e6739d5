#include "rezizezevud_cmd/terminal/console_input_batch.h"

#include "rezizezevud_cmd/terminal/key_translation.h"

using platform::ConsoleInputRecord;
using platform::KeyEvent;

namespace {

bool isHighSurrogate(std::uint32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool isLowSurrogate(std::uint32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

bool isCtrlC(const KeyEvent& key) {
  return key.virtualKeyCode == 0x43 &&
         (key.controlKeyState & (platform::kLeftCtrlPressed | platform::kRightCtrlPressed)) != 0;
}

void appendRepeated(QByteArray& batch, const QByteArray& bytes, std::uint16_t repeatCount) {
  const int times = repeatCount == 0 ? 1 : repeatCount;
  for (int i = 0; i < times; ++i) batch.append(bytes);
}

void flushBatch(QByteArray& batch, std::vector<ConsoleAction>& actions) {
  if (batch.isEmpty()) return;
  actions.push_back(ConsoleAction::input(batch));
  batch.clear();
}

// A key whose character is sent as text, joining a surrogate pair typed as two events.
void appendCharacter(const KeyEvent& key, QByteArray& batch, std::uint16_t& pendingHigh) {
  const std::uint32_t unit = key.character;
  if (unit == 0) return;
  if (isHighSurrogate(unit)) {
    pendingHigh = static_cast<std::uint16_t>(unit);
    return;
  }
  std::uint32_t codePoint = unit;
  if (pendingHigh != 0 && isLowSurrogate(unit)) {
    codePoint = 0x10000 + (static_cast<std::uint32_t>(pendingHigh) - 0xD800) * 0x400 + (unit - 0xDC00);
  }
  pendingHigh = 0;
  appendRepeated(batch, utf8OfCodePoint(codePoint), key.repeatCount);
}

}  // namespace

QByteArray utf8OfCodePoint(std::uint32_t cp) {
  if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) cp = 0xFFFD;
  QByteArray out;
  if (cp < 0x80) {
    out.append(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.append(static_cast<char>(0xC0 | (cp >> 6)));
    out.append(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.append(static_cast<char>(0xE0 | (cp >> 12)));
    out.append(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.append(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.append(static_cast<char>(0xF0 | (cp >> 18)));
    out.append(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.append(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.append(static_cast<char>(0x80 | (cp & 0x3F)));
  }
  return out;
}

std::vector<ConsoleAction> batchConsoleRecords(const std::vector<ConsoleInputRecord>& records,
                                               int& lastCols, int& lastRows,
                                               std::uint16_t& pendingHighSurrogate) {
  std::vector<ConsoleAction> actions;
  QByteArray batch;
  for (const ConsoleInputRecord& record : records) {
    if (record.kind == ConsoleInputRecord::Kind::kBufferSize) {
      const int cols = record.cols;
      const int rows = record.rows;
      if (cols > 0 && rows > 0 && (cols != lastCols || rows != lastRows)) {
        lastCols = cols;
        lastRows = rows;
        actions.push_back(ConsoleAction::resize(cols, rows));
      }
      continue;
    }
    if (record.kind != ConsoleInputRecord::Kind::kKey || !record.key.keyDown) continue;
    const KeyEvent& key = record.key;
    if (isCtrlC(key)) {
      flushBatch(batch, actions);
      actions.push_back(ConsoleAction::interrupt());
      pendingHighSurrogate = 0;
      continue;
    }
    const QByteArray sequence = keyToVtSequence(key);
    if (!sequence.isEmpty()) {
      appendRepeated(batch, sequence, key.repeatCount);
      pendingHighSurrogate = 0;
      continue;
    }
    appendCharacter(key, batch, pendingHighSurrogate);
  }
  flushBatch(batch, actions);
  return actions;
}

std::vector<ConsoleAction> batchTerminalBytes(const QByteArray& bytes) {
  std::vector<ConsoleAction> actions;
  int start = 0;
  for (int i = 0; i < bytes.size(); ++i) {
    if (bytes[i] != '\x03') continue;
    if (i > start) actions.push_back(ConsoleAction::input(bytes.mid(start, i - start)));
    actions.push_back(ConsoleAction::interrupt());
    start = i + 1;
  }
  if (start < bytes.size()) actions.push_back(ConsoleAction::input(bytes.mid(start)));
  return actions;
}
