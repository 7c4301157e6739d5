#include <QRegularExpression>

#include "business_commands.h"
#include "sim_command.h"
#include "sim_state.h"

namespace {

BusinessAnswer ok(bool changed) { return plainAnswer(QStringLiteral("ok"), changed); }

}  // namespace

// The code is the whole argument, colons and spaces included, as the user typed it.
BusinessAnswer resetCustomCode(SimState& state, const SimCommand& command) {
  if (command.argument.isEmpty())
    return errorAnswer(QStringLiteral("verification code cannot be empty"));
  const bool changed = state.settings.customCode != command.argument;
  state.settings.customCode = command.argument;
  return ok(changed);
}

BusinessAnswer setBitrateLimit(SimState& state, const SimCommand& command) {
  static const QRegularExpression kDecimal(QStringLiteral("^(0|[1-9][0-9]{0,2})$"));
  const bool isDecimal = kDecimal.match(command.argument).hasMatch();
  const int limit = isDecimal ? command.argument.toInt() : -1;
  if (limit < 0 || limit > 500) {
    return errorAnswer(QStringLiteral("invalid bitrate limit: ") + command.argument +
                       QStringLiteral(" (use 0 to 500 Mbps)"));
  }
  const bool changed = state.settings.bitrateLimitMbps != limit;
  state.settings.bitrateLimitMbps = limit;
  return ok(changed);
}

BusinessAnswer disableLitePunch(SimState& state, const SimCommand& command) {
  if (command.argument != QLatin1String("true") && command.argument != QLatin1String("false")) {
    return errorAnswer(QStringLiteral("invalid value: ") + command.argument +
                       QStringLiteral(" (use true or false)"));
  }
  const bool disabled = command.argument == QLatin1String("true");
  const bool changed = state.settings.litePunchDisabled != disabled;
  state.settings.litePunchDisabled = disabled;
  return ok(changed);
}
