#include "state_file.h"

#include <QFile>
#include <QSaveFile>

#include "sim_state.h"

bool loadStateFile(const QString& path, SimState& state, QString& error) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    error = QStringLiteral("cannot read ") + path + QStringLiteral(": ") + file.errorString();
    return false;
  }
  QString parseError;
  if (!parseSimState(file.readAll(), state, parseError)) {
    error = path + QStringLiteral(": ") + parseError;
    return false;
  }
  return true;
}

bool saveStateFile(const QString& path, const SimState& state, QString& error) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(serializeSimState(state)) < 0 ||
      !file.commit()) {
    error = QStringLiteral("cannot write ") + path + QStringLiteral(": ") + file.errorString();
    return false;
  }
  return true;
}
