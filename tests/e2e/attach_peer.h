#pragma once

// Helpers for tests of the interactive terminal session against the scripted peer: the bridge
// handshake, the frames the tool must send, and the texts it prints around them.

#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <string>
#include <vector>

#include "e2e/one_shot_peer.h"
#include "rezizezevud_cmd/terminal/terminal_frame.h"

namespace attach {

inline const std::string kDeviceId = "box-1";

inline std::vector<std::string> termArgs(std::vector<std::string> extra = {}) {
  std::vector<std::string> args{"term", "--device-id", kDeviceId};
  args.insert(args.end(), extra.begin(), extra.end());
  return args;
}

// Standard input from a pipe holding data, kept open holdOpenMs after it has been written.
inline RunOptions piped(std::string data, int holdOpenMs = 0) {
  RunOptions options;
  options.stdinData = std::move(data);
  options.stdinHoldOpenMs = holdOpenMs;
  return options;
}

inline std::string separator() {
  std::string line;
  for (int i = 0; i < 50; ++i) line += "\xe2\x94\x80";
  return line;
}

inline const std::string kEntering = "[System] Entering remote terminal\n";
inline const std::string kProbing = "[System] Probing remote session...\n";
inline const std::string kVtWarning = "Warning: Failed to enable VT output for terminal\n";
inline const std::string kStarting = "[System] Starting terminal session...\n";
inline const std::string kLocked =
    "[System] Controlled device is locked. Enter the account password to verify your identity. "
    "This will not unlock the device.\n";
inline const std::string kPrompt = "[System] Enter the unlock password for the controlled device: ";
inline const std::string kUnlocking = "[System] Unlocking...\n";

inline std::string attempt(int i) {
  return "[System] Starting terminal session... (attempt " + std::to_string(i) + "/12)\n";
}

inline std::string banner() {
  return "[Connect] Connected\n" + separator() + "\n[Tips] Type 'exit' to end the remote session.\n"
         "[Tips] Close the window to detach (session stays alive in background).\n" +
         separator() + "\n";
}

// What every session with redirected output prints before its first open request when it
// chose its session without probing.
inline std::string preamble() { return kEntering + kVtWarning + kStarting; }

inline void attachBridge(PeerConnection& connection) {
  EXPECT_EQ(connection.readCommand(), "cmd:terminal:{\"device_id\":\"" + kDeviceId + "\"}");
  connection.send("resp:OK");
}

inline TerminalFrame nextFrame(PeerConnection& connection, int timeoutMs = 10000) {
  TerminalFrame frame;
  EXPECT_TRUE(connection.readFrame(frame, timeoutMs)) << "no frame from the tool";
  return frame;
}

inline QJsonObject jsonOf(const TerminalFrame& frame) {
  return QJsonDocument::fromJson(frame.payload).object();
}

inline QJsonObject openPayload(const QString& shell, const QString& option, int cols = 120, int rows = 40) {
  return QJsonObject{{"shell", shell}, {"cols", cols}, {"rows", rows}, {"option", option}};
}

// The next frame is the open request for the session, with exactly this payload.
inline void expectOpen(PeerConnection& connection, std::uint32_t sessionId, const QJsonObject& payload) {
  const TerminalFrame frame = nextFrame(connection);
  EXPECT_EQ(frame.type, kOpenReq);
  EXPECT_EQ(frame.sessionId, sessionId);
  EXPECT_EQ(frame.reserved, 0);
  EXPECT_EQ(jsonOf(frame), payload) << frame.payload.toStdString();
}

inline void expectFrame(PeerConnection& connection, std::uint8_t type, const QByteArray& payload,
                        int timeoutMs = 10000) {
  const TerminalFrame frame = nextFrame(connection, timeoutMs);
  EXPECT_EQ(static_cast<int>(frame.type), static_cast<int>(type));
  EXPECT_EQ(frame.sessionId, 0u);
  EXPECT_EQ(frame.payload, payload);
}

inline void expectInitialResize(PeerConnection& connection, int cols = 120, int rows = 40) {
  expectFrame(connection, kResize,
              QByteArray("{\"cols\":") + QByteArray::number(cols) + ",\"rows\":" + QByteArray::number(rows) + "}");
}

inline std::string record(std::uint8_t type, const QByteArray& payload) {
  QByteArray bytes;
  EXPECT_TRUE(encodeRecord(makeRawFrame(type, payload), bytes));
  return bytes.toStdString();
}

// Collects kStdin payloads until they add up to at least size bytes; other frames fail the test.
inline QByteArray readStdin(PeerConnection& connection, int size, int timeoutMs = 10000) {
  QByteArray all;
  while (all.size() < size) {
    TerminalFrame frame;
    if (!connection.readFrame(frame, timeoutMs)) break;
    EXPECT_EQ(static_cast<int>(frame.type), static_cast<int>(kStdin));
    all += frame.payload;
  }
  return all;
}

// A whole log line of the session at its level.
inline bool hasSessionLog(const std::string& log, char level, const std::string& message) {
  for (const std::string& line : splitLines(log)) {
    if (line.find(std::string("] [") + level + "] ") != std::string::npos &&
        endsWith(line, "[handleTermAttachSession] " + message)) {
      return true;
    }
  }
  return false;
}

}  // namespace attach
