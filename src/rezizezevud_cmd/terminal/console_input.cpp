#include "rezizezevud_cmd/terminal/console_input.h"

#include <QJsonObject>
#include <QLocalSocket>

#include "rezizezevud_cmd/terminal/console_resize.h"
#include "rezizezevud_cmd/terminal/terminal_frame.h"

bool isConsoleHandle(platform::ConsoleHandle handle) {
  return handle != platform::kInvalidConsoleHandle && platform::isTerminal(handle);
}

bool sendConsoleActions(QLocalSocket& socket, const std::vector<ConsoleAction>& actions) {
  for (const ConsoleAction& action : actions) {
    switch (action.kind) {
      case ConsoleAction::Kind::kResize:
        if (!sendFrame(socket, makeResizeFrame(action.cols, action.rows),
                       QStringLiteral("Error: failed to send resize frame"))) {
          return false;
        }
        break;
      case ConsoleAction::Kind::kStdin:
        if (!sendFrame(socket, makeRawFrame(kStdin, action.bytes),
                       QStringLiteral("Error: failed to send stdin frame"))) {
          return false;
        }
        break;
      case ConsoleAction::Kind::kSignal:
        if (!sendFrame(socket, makeJsonFrame(kSignal, QJsonObject{{QStringLiteral("sig"), QStringLiteral("SIGINT")}}),
                       QStringLiteral("Error: failed to send signal frame"))) {
          return false;
        }
        break;
    }
  }
  return true;
}

bool pumpConsoleInput(QLocalSocket& socket, platform::ConsoleHandle& input, int& lastCols,
                      int& lastRows, std::uint16_t& pendingHighSurrogate) {
  if (input == platform::kInvalidConsoleHandle) return true;
  const platform::ConsoleInputBatch batch = platform::readConsoleInput(input);
  if (batch.closed) input = platform::kInvalidConsoleHandle;
  std::vector<ConsoleAction> actions =
      batchConsoleRecords(batch.records, lastCols, lastRows, pendingHighSurrogate);
  if (!batch.bytes.empty()) {
    const std::vector<ConsoleAction> typed = batchTerminalBytes(
        QByteArray(batch.bytes.data(), static_cast<int>(batch.bytes.size())));
    actions.insert(actions.end(), typed.begin(), typed.end());
  }
  return sendConsoleActions(socket, actions);
}
