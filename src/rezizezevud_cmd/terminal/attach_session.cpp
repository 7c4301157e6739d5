#include "rezizezevud_cmd/terminal/attach_session.h"

#include <QLocalSocket>
#include <memory>

#include "rezizezevud_cmd/platform/console_handle.h"
#include "rezizezevud_cmd/terminal/console_input.h"
#include "rezizezevud_cmd/terminal/console_mode_guard.h"
#include "rezizezevud_cmd/terminal/console_resize.h"
#include "rezizezevud_cmd/terminal/session_choice.h"
#include "rezizezevud_cmd/terminal/session_log.h"
#include "rezizezevud_cmd/terminal/session_loop.h"
#include "rezizezevud_cmd/terminal/session_messages.h"
#include "rezizezevud_cmd/terminal/session_open.h"
#include "rezizezevud_cmd/terminal/stdin_reader.h"
#include "rezizezevud_cmd/terminal/term_options.h"
#include "rezizezevud_cmd/terminal/terminal_frame.h"

namespace {

struct SessionInput {
  platform::ConsoleHandle handle = platform::kInvalidConsoleHandle;
  bool console = false;
  StdinReader* reader = nullptr;
};

void printBanner() {
  printSessionLine(kMsgConnected);
  printSessionLine(kMsgSeparator);
  printSessionLine(kMsgTipExit);
  printSessionLine(kMsgTipDetach);
  printSessionLine(kMsgSeparator);
}

int startSession(QLocalSocket& socket, FrameReceiveBuffer& buffer, ConsoleModeGuard& console,
                 const SessionInput& input, int cols, int rows, const AttachTimings& timings) {
  printBanner();
  if (!sendFrame(socket, makeResizeFrame(cols, rows),
                 QStringLiteral("Error: failed to send initial resize frame"))) {
    return kTerminalFailed;
  }
  if (input.console && !console.enableRawInput()) {
    printErrorLine(QStringLiteral("Warning: Failed to switch terminal to raw VT mode"));
  }
  if (input.reader != nullptr) input.reader->start();
  SessionLoopSetup setup;
  setup.cols = cols;
  setup.rows = rows;
  setup.consoleInput = input.handle;
  setup.reader = input.reader;
  setup.stdinGateDelayMs = timings.stdinGateDelayMs;
  return runSessionLoop(socket, buffer, setup);
}

int openAndRun(QLocalSocket& socket, FrameReceiveBuffer& buffer, const TermOptions& options,
               int cols, int rows, const AttachTimings& timings, ConsoleModeGuard& console,
               const SessionInput& input) {
  const SessionChoice choice = chooseSession(socket, buffer, options);
  TerminalFrame request = buildOpenRequest(
      choice.resumeShell.isEmpty() ? options.shell : choice.resumeShell, cols, rows, choice.sessionId);
  if (!console.enableVtOutput()) {
    printErrorLine(QStringLiteral("Warning: Failed to enable VT output for terminal"));
  }
  const PhaseOutcome opened = openSession(socket, buffer, request, timings);
  if (!opened.proceed) return opened.exitCode;
  return startSession(socket, buffer, console, input, cols, rows, timings);
}

}  // namespace

int handleTermAttachSession(QLocalSocket& socket, FrameReceiveBuffer& buffer,
                            const TermOptions& options, int cols, int rows,
                            const AttachTimings& timings) {
  SessionInput input;
  input.handle = platform::standardHandle(platform::StdStream::kIn);
  input.console = isConsoleHandle(input.handle);
  SESSION_LOG(loglevel::kInfo) << "term input mode: " << (input.console ? "console" : "redirected");
  std::unique_ptr<StdinReader> reader;
  if (!input.console && input.handle != platform::kInvalidConsoleHandle) {
    reader = std::make_unique<StdinReader>(input.handle);
    input.reader = reader.get();
  }
  ConsoleModeGuard console;
  const int exitCode = openAndRun(socket, buffer, options, cols, rows, timings, console, input);
  console.restoreConsole();
  stopStdinReader(reader);
  return exitCode;
}
