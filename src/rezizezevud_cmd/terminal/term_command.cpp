#include <QLocalSocket>

#include "logutil/log_util.h"
#include "rezizezevud_cmd/console_output.h"
#include "rezizezevud_cmd/exit_codes.h"
#include "rezizezevud_cmd/main_application_socket.h"
#include "rezizezevud_cmd/orrinremotecmd_application.h"
#include "rezizezevud_cmd/terminal/attach_session.h"
#include "rezizezevud_cmd/terminal/console_size.h"
#include "rezizezevud_cmd/terminal/term_options.h"
#include "rezizezevud_cmd/terminal/terminal_bridge.h"
#include "rezizezevud_cmd/terminal/terminal_frame.h"
#include "rezizezevud_cmd/terminal/terminal_messages.h"
#include "rezizezevud_cmd/terminal/terminal_sessions.h"

namespace {

// The bridge connection ends with a disconnect on every path once it has connected.
class BridgeConnection {
 public:
  BridgeConnection() = default;
  ~BridgeConnection() { socket_.disconnectFromServer(); }
  BridgeConnection(const BridgeConnection&) = delete;
  BridgeConnection& operator=(const BridgeConnection&) = delete;

  bool connect() {
    return connectToMainApplication(socket_, kConnectTimeoutMs);
  }
  QLocalSocket& socket() { return socket_; }

 private:
  QLocalSocket socket_;
};

int runOnBridge(QLocalSocket& socket, FrameReceiveBuffer& buffer, const TermOptions& options) {
  if (options.listSessions) return listSessions(socket, buffer);
  if (options.killSessionId) return killSession(socket, buffer, *options.killSessionId);
  int cols = 120;
  int rows = 40;
  getConsoleSize(cols, rows);
  return handleTermAttachSession(socket, buffer, options, cols, rows);
}

}  // namespace

int RezizEzevudCmdApplication::runTermCommand(const QString& deviceId, const TermOptions& options) {
  const bool interactive = !options.listSessions && !options.killSessionId;
  if (interactive) {
    if (!isSupportedShell(options.shell)) {
      printErrorLine(QStringLiteral("Error: shell must be powershell, cmd, zsh, or bash"));
      return kInvalidCommand;
    }
    printErrorLine(QString::fromUtf8(localizedMessage(kMsgEnteringTerminal)));
  }

  LOG_INFO << "Connecting terminal bridge to server: " << kServerName;
  BridgeConnection connection;
  if (!connection.connect()) {
    LOG_WARN << "Failed to connect to server";
    printErrorLine(QStringLiteral("Error: Main application is not running"));
    return kIpcConnectFailed;
  }
  QLocalSocket& socket = connection.socket();

  const QString request = buildTerminalRequest(deviceId);
  LOG_INFO << "Requesting terminal bridge: " << request;
  // A request that never reaches the peer shows up as the attach time-out.
  socket.write(request.toUtf8());
  socket.flush();

  QByteArray leftover;
  QString errorText;
  const int attach = waitTerminalAttach(socket, leftover, errorText);
  if (attach != kSuccess) {
    LOG_WARN << "Terminal bridge failed: " << errorText;
    printErrorLine(errorText);
    return attach;
  }
  LOG_INFO << "Terminal bridge attached";

  FrameReceiveBuffer buffer(leftover);
  return runOnBridge(socket, buffer, options);
}
