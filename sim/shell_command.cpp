#include "shell_command.h"

#include <QProcess>
#include <QStandardPaths>

bool resolveShellCommand(const std::map<QString, QString>& shells, const QString& shell,
                         std::vector<std::string>& argv, QString& error) {
  if (shell.isEmpty()) {
    error = QStringLiteral("no shell requested");
    return false;
  }
  const auto mapped = shells.find(shell);
  const QString commandLine = mapped == shells.end() ? shell : mapped->second;
  const QStringList words = QProcess::splitCommand(commandLine);
  const QString program =
      words.isEmpty() ? QString() : QStandardPaths::findExecutable(words.first());
  if (program.isEmpty()) {
    error = QStringLiteral("shell not installed: ") + (words.isEmpty() ? shell : words.first());
    return false;
  }
  argv.clear();
  argv.push_back(program.toStdString());
  for (int i = 1; i < words.size(); ++i) argv.push_back(words.at(i).toStdString());
  return true;
}
