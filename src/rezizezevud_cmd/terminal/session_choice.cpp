#include "rezizezevud_cmd/terminal/session_choice.h"

#include <QRandomGenerator>

#include "rezizezevud_cmd/terminal/session_log.h"
#include "rezizezevud_cmd/terminal/session_messages.h"
#include "rezizezevud_cmd/terminal/term_options.h"
#include "rezizezevud_cmd/terminal/terminal_sessions.h"

std::uint32_t randomSessionId() {
  std::uint32_t id = 0;
  while (id == 0) id = QRandomGenerator::global()->generate();
  return id;
}

SessionChoice chooseSession(QLocalSocket& socket, FrameReceiveBuffer& buffer, const TermOptions& options) {
  SessionChoice choice;
  if (options.newSession) {
    choice.sessionId = randomSessionId();
    return choice;
  }
  if (options.sessionId) {
    choice.sessionId = *options.sessionId;
    return choice;
  }
  printSessionLine(kMsgProbing);
  const ResumeCandidate candidate =
      probeResumableSession(socket, buffer, options.shell, options.shellGiven);
  if (candidate.sessionId == 0) return choice;
  choice.sessionId = candidate.sessionId;
  choice.resumeShell = candidate.shell;
  printErrorLine(sessionText(kMsgResuming).arg(candidate.shell));
  SESSION_LOG(loglevel::kInfo) << "auto-resume: selected session_id=" << candidate.sessionId
                               << " shell=" << candidate.shell;
  return choice;
}
