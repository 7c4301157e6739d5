#include "open_gate.h"

OpenGate::OpenGate(TerminalPolicy policy)
    : policy_(std::move(policy)),
      unlocked_(policy_.lock.isEmpty()),
      notReadyLeft_(policy_.notReadyRetries) {}

OpenGate::Decision OpenGate::onOpenRequest() {
  if (policy_.frameErrorCode) {
    return {Verdict::kFrameError, policy_.frameErrorCode, policy_.frameErrorMessage};
  }
  if (policy_.openErrorCode)
    return {Verdict::kAnswer, policy_.openErrorCode, policy_.openErrorMessage};
  if (!unlocked_) return {Verdict::kAnswer, 401, policy_.lock};
  if (notReadyLeft_ > 0) {
    --notReadyLeft_;
    return {Verdict::kAnswer, policy_.notReadyCode, policy_.notReadyMessage};
  }
  return {};
}

OpenGate::Decision OpenGate::onUnlockRequest(const QString& password) {
  if (unlocked_) return {Verdict::kAnswer, 0, QString()};
  if (password != policy_.password)
    return {Verdict::kAnswer, 1, QStringLiteral("incorrect password")};
  if (policy_.unlockErrorCode) {
    return {Verdict::kAnswer, policy_.unlockErrorCode, policy_.unlockErrorMessage};
  }
  unlocked_ = true;
  return {Verdict::kAnswer, 0, QString()};
}
