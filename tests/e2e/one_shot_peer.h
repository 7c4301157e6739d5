#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/test_peer.h"
#include "support/tool_runner.h"

// Helpers for tests of the one-shot "cmd:"/"resp:" exchange with the main application.

// Serves one connection: the tool's command must be exactly expectedCommand (no terminator),
// the answer goes back in one write, and the tool must then hang up.
inline TestPeer::Script answerOnce(std::string expectedCommand, std::string answer) {
  return [expectedCommand, answer](PeerConnection& connection) {
    EXPECT_EQ(connection.readCommand(), expectedCommand);
    connection.send(answer);
    EXPECT_TRUE(connection.waitClosed(5000)) << "the tool kept the connection open";
  };
}

struct LogLine {
  char level;            // 'I', 'W' or 'E'
  std::string function;  // member of the application class, e.g. "sendCommandAndWait"
  std::string message;   // the whole message
};

// Log lines end in "\r\n"; the "\r" is dropped with the "\n".
inline std::vector<std::string> splitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find('\n', start);
    std::string line =
        text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return lines;
}

inline bool endsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() &&
         text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// Each expected line is in the log, whole and at its level, after the one before it.
inline void expectLogLines(const std::string& log, const std::vector<LogLine>& expected) {
  const std::vector<std::string> lines = splitLines(log);
  std::size_t next = 0;
  for (const LogLine& want : expected) {
    const std::string level = std::string("] [") + want.level + "] ";
    const std::string tail = "[RezizEzevudCmdApplication::" + want.function + "] " + want.message;
    bool found = false;
    while (!found && next < lines.size()) {
      const std::string& line = lines[next++];
      found = line.find(level) != std::string::npos && endsWith(line, tail);
    }
    if (!found) {
      ADD_FAILURE() << "log lacks, in order: [" << want.level << "] " << tail << "\nlog:\n" << log;
      return;
    }
  }
}
