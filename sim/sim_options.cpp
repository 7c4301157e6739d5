#include "sim_options.h"

#include <QCommandLineParser>

namespace {

const char kStateFieldsHelp[] = R"(
velmora-sim plays the Velmora main application for orrinctl: it listens under the
application's local-socket name in the temporary directory (TMPDIR, else /tmp),
answers every command with realistic data and runs real shells for `orrinctl term`.
Stop it with Ctrl+C or SIGTERM; it ends its shells and removes its socket.

State file (JSON object; every section may be left out):
  device_id                     this machine's device id (cmd:get_device_id)
  user                          object shown by `user info`, or null when nobody is
                                logged in; "logged_in": false also logs the user out
  wallet                        object shown by `user wallet`
  devices[]                     remote devices:
    device_id, name, os         identity; device_id is required and unique
    online                      offline devices refuse connects and terminals
    connected                   current remote-control connection
    connect.verification_code   code the connect handshake asks for ("" for none)
    connect.confirmation        the device's user must confirm a connect
    connect.confirmation_delay_ms   how long that takes (default 3000)
    connect.confirmation_accepted   false: the user rejects it
    terminal.lock               "device_locked" or "device_not_logged_in": the first
                                open answers 401 until the device is unlocked
    terminal.password           the password that unlocks it
    terminal.not_ready_retries  opens answered "not ready" before one succeeds
    terminal.not_ready_code     that answer's code (503, or 401)
    terminal.not_ready_message  and its message
    terminal.open_error         {"code","message"}: every open fails with it
                                (402, 403, 501, 1004, ...)
    terminal.frame_error        {"code","message"}: every open gets a kError frame
    terminal.unlock_error       {"code","message"}: the right password still fails
                                (code 2: the unlock timed out)
  cloud_pcs[]                   cloudpc_id (required), name, region, hardware,
                                power_state ("running" or "stopped"), connected
  settings                      custom_code, bitrate_limit_mbps (0-500, 0: none),
                                lite_punch_disabled
  shells                        shell name -> command line run for it; a name not
                                listed runs the program of that name. Default:
                                {"powershell": "bash", "cmd": "bash"}
  terminal_progress_delay_ms    pause between the terminal's progress lines (5)

Changes (connections, power states, settings) stay in memory unless --save-state
writes them back to the --state file. --print-default-state shows the built-in
state, a good start for a file of your own.
)";

}  // namespace

bool parseSimOptions(const QStringList& arguments, SimOptions& options, QString& error) {
  QCommandLineParser parser;
  const QCommandLineOption state(
      QStringLiteral("state"),
      QStringLiteral("Load the world from <file> instead of the built-in default."),
      QStringLiteral("file"));
  const QCommandLineOption save(QStringLiteral("save-state"),
                                QStringLiteral("Write every change back to the --state file."));
  const QCommandLineOption verbose(
      QStringLiteral("verbose"), QStringLiteral("Log every request and answer on standard error."));
  const QCommandLineOption printDefault(QStringLiteral("print-default-state"),
                                        QStringLiteral("Print the built-in state and exit."));
  const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                QStringLiteral("Show this help and exit."));
  parser.addOptions({state, save, verbose, printDefault, help});
  if (!parser.parse(arguments)) {
    error = parser.errorText();
    return false;
  }
  if (!parser.positionalArguments().isEmpty()) {
    error = QStringLiteral("unexpected argument: ") + parser.positionalArguments().first();
    return false;
  }
  options.statePath = parser.value(state);
  options.saveState = parser.isSet(save);
  options.verbose = parser.isSet(verbose);
  options.printDefaultState = parser.isSet(printDefault);
  options.showHelp = parser.isSet(help);
  if (options.saveState && options.statePath.isEmpty()) {
    error = QStringLiteral("--save-state needs --state <file> to write to");
    return false;
  }
  return true;
}

QString simHelpText() {
  return QStringLiteral(
             "Usage: velmora-sim [options]\n\n"
             "Options:\n"
             "  --state <file>         Load the world from <file> instead of the built-in "
             "default.\n"
             "  --save-state           Write every change back to the --state file.\n"
             "  --verbose              Log every request and answer on standard error.\n"
             "  --print-default-state  Print the built-in state and exit.\n"
             "  -h, --help             Show this help and exit.\n") +
         QString::fromUtf8(kStateFieldsHelp);
}
