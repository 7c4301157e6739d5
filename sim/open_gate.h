#pragma once

#include <QString>

#include "sim_state.h"

// What stands between one terminal connection and an open shell on its device: a lock that
// wants the device password, then a number of "not ready yet" answers, or a fixed failure.
// Each connection starts from the device's configured behaviour.
class OpenGate {
 public:
  enum class Verdict { kOpen, kAnswer, kFrameError };
  struct Decision {
    Verdict verdict = Verdict::kOpen;
    int code = 0;
    QString message;
  };

  explicit OpenGate(TerminalPolicy policy);

  Decision onOpenRequest();
  // The kUnlockResp code (0 unlocked, 1 wrong password, or the configured failure) and message.
  Decision onUnlockRequest(const QString& password);

 private:
  TerminalPolicy policy_;
  bool unlocked_;
  int notReadyLeft_;
};
