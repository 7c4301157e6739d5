#include "rezizezevud_cmd/terminal/session_loop.h"

#include <QLocalSocket>
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <memory>

#include "rezizezevud_cmd/console_output.h"
#include "rezizezevud_cmd/exit_codes.h"
#include "rezizezevud_cmd/platform/event_wait.h"
#include "rezizezevud_cmd/terminal/console_input.h"
#include "rezizezevud_cmd/terminal/console_resize.h"
#include "rezizezevud_cmd/terminal/received_frame.h"
#include "rezizezevud_cmd/terminal/session_log.h"
#include "rezizezevud_cmd/terminal/stdin_reader.h"
#include "rezizezevud_cmd/terminal/terminal_frame.h"

namespace {

using Clock = std::chrono::steady_clock;

// Output records taken in one pass are written together, up to this much per write.
constexpr int kMaxOutputWrite = 256 * 1024;
// Every wake-up source is waited on; this bound only keeps a missed one from stalling a session.
constexpr int kIdleWakeMs = 1000;

struct LoopState {
  bool running = true;
  bool gotExit = false;
  int exitCode = 0;
  int lastCols = 0;
  int lastRows = 0;
  std::uint16_t pendingHighSurrogate = 0;
  platform::ConsoleHandle consoleInput = platform::kInvalidConsoleHandle;
  bool gateOpen = true;
  bool gateLogged = false;
  Clock::time_point gateDeadline;
};

class OutputBatch {
 public:
  explicit OutputBatch(LoopState& state) : state_(state) {}
  void add(const QByteArray& bytes) {
    bytes_.append(bytes);
    pending_ = true;
    if (bytes_.size() >= kMaxOutputWrite) flush();
  }
  void flush() {
    if (!pending_) return;
    handleReceivedFrame(makeRawFrame(kOutput, std::move(bytes_)), state_.running, state_.gotExit,
                        state_.exitCode);
    bytes_ = QByteArray();
    pending_ = false;
  }

 private:
  LoopState& state_;
  QByteArray bytes_;
  bool pending_ = false;
};

// Every whole record, in order. False when a kError ended the session (it has been printed).
bool handlePendingFrames(FrameReceiveBuffer& buffer, LoopState& state, bool hasReader) {
  OutputBatch output(state);
  QByteArray bytes;
  while (buffer.takeRecord(bytes)) {
    TerminalFrame frame;
    if (!decodeFrame(bytes, frame)) continue;
    if (frame.type == kOutput) {
      // The shell has spoken: it is ready for the input held back for it.
      if (hasReader) state.gateOpen = true;
      output.add(frame.payload);
      continue;
    }
    output.flush();
    if (!handleReceivedFrame(frame, state.running, state.gotExit, state.exitCode)) return false;
  }
  output.flush();
  return true;
}

bool pumpRedirectedInput(QLocalSocket& socket, LoopState& state, StdinReader& reader) {
  if (!state.gateOpen && Clock::now() < state.gateDeadline) return true;
  state.gateOpen = true;
  if (!state.gateLogged) {
    state.gateLogged = true;
    SESSION_LOG(loglevel::kInfo) << "term redirected stdin became writable";
  }
  QString errorText;
  if (drainStdinQueue(reader, socket, errorText)) return true;
  if (!errorText.isEmpty()) printErrorLine(errorText);
  return false;
}

bool pumpInput(QLocalSocket& socket, LoopState& state, StdinReader* reader,
               platform::WindowSizeSignal* windowSize) {
  if (reader != nullptr) return pumpRedirectedInput(socket, state, *reader);
  if (!pumpConsoleInput(socket, state.consoleInput, state.lastCols, state.lastRows,
                        state.pendingHighSurrogate)) {
    return false;
  }
  // Cleared before the size is read, so a change right after it still wakes the next wait.
  if (windowSize != nullptr) windowSize->clear();
  return sendResizeIfChanged(socket, state.lastCols, state.lastRows);
}

int msUntil(Clock::time_point deadline) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return static_cast<int>(std::max<std::int64_t>(0, left));
}

void waitForActivity(QLocalSocket& socket, const LoopState& state, StdinReader* reader,
                     const platform::WindowSizeSignal* windowSize) {
  // Bytes Qt holds already, or a close it has seen, need the next pass now.
  if (socket.state() != QLocalSocket::ConnectedState || socket.bytesAvailable() > 0) return;
  platform::WaitEntry entries[3];
  std::size_t count = 0;
  entries[count++].handle = socket.socketDescriptor();
  int timeoutMs = kIdleWakeMs;
  if (reader == nullptr) {
    entries[count++].handle = state.consoleInput;
    if (windowSize != nullptr) entries[count++].handle = windowSize->waitable();
  } else if (state.gateOpen) {
    // Input that the peer has not taken yet goes out as the socket makes room; more is taken
    // from the queue only while little enough waits, so output is read all the while.
    const qint64 unsent = socket.bytesToWrite();
    if (unsent > 0) {
      entries[count].handle = socket.socketDescriptor();
      entries[count++].writable = true;
    }
    if (unsent < kMaxUnsentStdin) entries[count++].handle = reader->queueReady();
  } else {
    timeoutMs = std::min(timeoutMs, msUntil(state.gateDeadline));
  }
  platform::waitForReady(entries, count, timeoutMs);
}

}  // namespace

int runSessionLoop(QLocalSocket& socket, FrameReceiveBuffer& buffer, const SessionLoopSetup& setup) {
  LoopState state;
  state.lastCols = setup.cols;
  state.lastRows = setup.rows;
  state.consoleInput = setup.reader != nullptr ? platform::kInvalidConsoleHandle : setup.consoleInput;
  state.gateOpen = setup.reader == nullptr;
  state.gateDeadline = Clock::now() + std::chrono::milliseconds(setup.stdinGateDelayMs);
  std::unique_ptr<platform::WindowSizeSignal> windowSize;
  if (setup.reader == nullptr) windowSize = std::make_unique<platform::WindowSizeSignal>();

  for (;;) {
    if (socket.state() != QLocalSocket::ConnectedState) {
      printErrorLine(QStringLiteral("Error: terminal disconnected"));
      return kTerminalFailed;
    }
    // The wait below has seen the socket readable; this read also lets Qt notice a close.
    pumpSocket(socket, buffer, 0);
    if (!handlePendingFrames(buffer, state, setup.reader != nullptr)) return kTerminalFailed;
    if (buffer.corrupt()) {
      printErrorLine(QStringLiteral("Error: invalid frame from terminal bridge"));
      return kTerminalFailed;
    }
    if (!pumpInput(socket, state, setup.reader, windowSize.get())) return kTerminalFailed;
    if (!state.running) return state.gotExit ? state.exitCode : kSuccess;
    waitForActivity(socket, state, setup.reader, windowSize.get());
  }
}
