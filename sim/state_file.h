#pragma once

#include <QString>

struct SimState;

// Reading and writing the state file. Writes replace the file whole, so a reader never sees a
// half-written state.
bool loadStateFile(const QString& path, SimState& state, QString& error);
bool saveStateFile(const QString& path, const SimState& state, QString& error);
