#include <QCoreApplication>
#include <QTimer>
#include <cstdio>

#include "connect_handshake.h"
#include "session_registry.h"
#include "signal_pipe.h"
#include "sim_context.h"
#include "sim_log.h"
#include "sim_options.h"
#include "sim_server.h"
#include "sim_state.h"
#include "state_file.h"

namespace {

void printOut(const QByteArray& bytes) {
  std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
  std::fflush(stdout);
}

bool loadState(const SimOptions& options, SimState& state) {
  QString error;
  if (options.statePath.isEmpty()) {
    if (parseSimState(defaultStateJson(), state, error)) return true;
    simLog(QStringLiteral("the built-in state is broken: ") + error);
    return false;
  }
  if (loadStateFile(options.statePath, state, error)) return true;
  simLog(QStringLiteral("invalid state file: ") + error);
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  SimOptions options;
  QString error;
  if (!parseSimOptions(app.arguments(), options, error)) {
    simLog(error + QStringLiteral(" (see --help)"));
    return 2;
  }
  if (options.showHelp) {
    printOut(simHelpText().toUtf8());
    return 0;
  }
  if (options.printDefaultState) {
    printOut(defaultStateJson());
    return 0;
  }
  setSimVerbose(options.verbose);

  SimState state;
  if (!loadState(options, state)) return 1;

  // Signals are caught before the first shell starts, so every child's end is seen.
  SignalPipe signalPipe;
  if (!signalPipe.ok()) {
    simLog(QStringLiteral("cannot set up signal handling"));
    return 1;
  }
  ConnectHandshake handshake;
  SessionRegistry sessions(state);
  SimContext context{state, handshake, sessions, nullptr};
  if (options.saveState) {
    context.stateChanged = [&state, &options] {
      QString saveError;
      if (!saveStateFile(options.statePath, state, saveError)) simLog(saveError);
    };
  }
  SimServer server(context);
  if (!server.listen(error)) {
    simLog(error);
    return 1;
  }
  QObject::connect(&signalPipe, &SignalPipe::childExited, &sessions, &SessionRegistry::reapExited);
  QObject::connect(&signalPipe, &SignalPipe::terminationRequested, &app, [&](int sig) {
    simLog(QStringLiteral("signal %1: ending %2 shell session(s)").arg(sig).arg(sessions.size()));
    server.close();
    sessions.terminateAll();
    // A moment for the exit frames to reach attached tools.
    QTimer::singleShot(50, &app, &QCoreApplication::quit);
  });
  simLog(QStringLiteral("listening at %1 (state: %2)")
             .arg(server.socketPath(),
                  options.statePath.isEmpty() ? QStringLiteral("built-in") : options.statePath));
  const int status = app.exec();
  server.close();
  return status;
}
