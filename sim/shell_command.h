#pragma once

#include <QString>
#include <map>
#include <string>
#include <vector>

// The program that stands for a shell name a tool asks for. The state's shell table maps names
// with no such program here (powershell, cmd) to an installed one; a name not in the table runs
// the program of that name. False with a reason when the program is not installed.
bool resolveShellCommand(const std::map<QString, QString>& shells, const QString& shell,
                         std::vector<std::string>& argv, QString& error);
