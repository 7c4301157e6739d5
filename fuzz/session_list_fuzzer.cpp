// Any list answer through the session reader and the resume rule: a chosen session always has a
// non-zero id, and nothing is chosen while a session is running.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstddef>
#include <cstdint>

#include "rezizezevud_cmd/terminal/terminal_sessions.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const bool shellGiven = data[0] & 1;
  const QByteArray payload(reinterpret_cast<const char*>(data + 1), static_cast<int>(size - 1));
  QJsonParseError error{};
  const QJsonDocument document = QJsonDocument::fromJson(payload, &error);
  if (error.error != QJsonParseError::NoError || !document.isArray()) return 0;
  const QJsonArray sessions = document.array();
  bool running = false;
  for (const QJsonValue& value : sessions) {
    (void)SessionRecord::fromJson(value);
    if (value.isObject() && value.toObject().value("state").toString() == "running") running = true;
  }
  const ResumeCandidate chosen = selectResumableSession(sessions, QStringLiteral("bash"), shellGiven);
  if (running && chosen.sessionId != 0) __builtin_trap();
  if (chosen.sessionId == 0 && !chosen.shell.isEmpty()) __builtin_trap();
  return 0;
}
