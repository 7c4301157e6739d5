#pragma once

#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <string>
#include <vector>

#include "support/sim_process.h"
#include "support/tool_runner.h"

// A sandboxed orrinctl and a velmora-sim listening where that copy of the tool looks.
struct SimBench {
  explicit SimBench(const std::string& stateJson = std::string(),
                    const std::vector<std::string>& simArgs = {})
      : sim(sandbox.tmpDir(), stateJson, simArgs) {}

  ToolRun run(const std::vector<std::string>& args, const RunOptions& options = {}) const {
    return sandbox.run(args, options);
  }

  ToolSandbox sandbox;
  SimProcess sim;
};

// The lines of terminal output as a screen shows them: a carriage return starts the line over,
// so only what follows the last one counts.
inline std::vector<std::string> screenLines(const std::string& output) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start <= output.size()) {
    std::size_t end = output.find('\n', start);
    if (end == std::string::npos) end = output.size();
    std::string line = output.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::size_t cr = line.rfind('\r');
    lines.push_back(cr == std::string::npos ? line : line.substr(cr + 1));
    start = end + 1;
  }
  return lines;
}

inline bool showsLine(const std::string& output, const std::string& line) {
  for (const std::string& shown : screenLines(output)) {
    if (shown == line) return true;
  }
  return false;
}

// The JSON the tool printed, compact and with its keys sorted, less the "timestamp" the tool
// adds (which must then be a whole number); the text itself when it is not one JSON object.
inline std::string printedJsonWithoutTimestamp(const std::string& out) {
  QJsonParseError error;
  const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(out), &error);
  if (error.error != QJsonParseError::NoError || !doc.isObject()) return out;
  QJsonObject object = doc.object();
  if (object.contains("timestamp")) {
    const double stamp = object.value("timestamp").toDouble(-1);
    EXPECT_GT(stamp, 0) << out;
    EXPECT_EQ(stamp, static_cast<double>(static_cast<long long>(stamp))) << out;
    object.remove("timestamp");
  }
  return QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString();
}
