#include "sim_command.h"

bool parseSimCommand(const QString& text, SimCommand& command) {
  static const QString kPrefix = QStringLiteral("cmd:");
  if (!text.startsWith(kPrefix)) return false;
  const QString rest = text.mid(kPrefix.size());
  const int colon = rest.indexOf(QLatin1Char(':'));
  command.name = colon < 0 ? rest : rest.left(colon);
  command.hasArgument = colon >= 0;
  command.argument = colon < 0 ? QString() : rest.mid(colon + 1);
  return !command.name.isEmpty();
}
