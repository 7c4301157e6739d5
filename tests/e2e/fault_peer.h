#pragma once

// Helpers for the fault-injection tests: a peer that hands over its bytes one at a time, records
// cut short, bad record lengths, and the bounds every faulty run must keep.

#include <linux/sockios.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

#include <chrono>
#include <fstream>
#include <string>
#include <string_view>
#include <thread>

#include "e2e/attach_peer.h"

namespace fault {

using namespace attach;

// Waits until the tool has read everything sent on the connection (nothing is left queued for
// it). False when the time runs out.
inline bool waitUntilTaken(int fd, int timeoutMs = 5000) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    int queued = 0;
    if (::ioctl(fd, SIOCOUTQ, &queued) != 0) return false;
    if (queued == 0) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::microseconds(50));
  }
}

// Sends the bytes one at a time, each only once the tool has taken the one before, so that every
// read the tool makes returns a single byte; gapMs more pass between two bytes. Stops early (false)
// when the tool has hung up.
inline bool trickle(PeerConnection& connection, std::string_view bytes, int gapMs = 0) {
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (::send(connection.fd(), bytes.data() + i, 1, MSG_NOSIGNAL) != 1) return false;
    if (!waitUntilTaken(connection.fd())) return false;
    if (gapMs > 0) PeerConnection::sleepMs(gapMs);
  }
  return true;
}

// A record length field announcing length bytes (none of which follow).
inline std::string lengthField(std::uint32_t length) {
  std::string field(4, '\0');
  for (int i = 0; i < 4; ++i) field[i] = static_cast<char>((length >> (8 * i)) & 0xFF);
  return field;
}

// The first `keep` bytes of a whole record.
inline std::string cut(const std::string& record, std::size_t keep) { return record.substr(0, keep); }

// The run ended by itself, not by a signal and not by the runner's kill, within its bound.
inline void expectEndedWithin(const ToolRun& run, double maxSeconds) {
  EXPECT_FALSE(run.timedOut) << "the tool hung";
  EXPECT_EQ(run.termSignal, 0) << "the tool died by a signal";
  EXPECT_LT(run.seconds, maxSeconds);
}

// Gives the runner a kill deadline a little past the bound, so a hang fails instead of stalling.
inline RunOptions within(double maxSeconds, RunOptions options = {}) {
  options.timeoutMs = static_cast<int>(maxSeconds * 1000) + 5000;
  return options;
}

// One wait on the frame stream, reached through a bridge that works until then.
struct Place {
  const char* label;
  std::vector<std::string> args;  // after the executable
  std::string stdinData;          // redirected input (the unlock password)
  TestPeer::Script reach;         // serves the connection up to the wait
  std::string answer;             // the record that would end the wait well
  std::string out;                // what the tool has written by then
  std::string err;                // with redirected output
  std::string lost;               // what it prints when the connection goes in this wait
};

// Every wait of the terminal, the console size given for the open request.
inline std::vector<Place> framePlaces(int cols = 120, int rows = 40) {
  const std::string disconnected = "Error: terminal disconnected\n";
  return {
      {"probe", termArgs(), "",
       [](PeerConnection& c) {
         attachBridge(c);
         expectFrame(c, kListSessionsReq, QByteArray());
       },
       record(kListSessionsResp, "[]"), "", kEntering + kProbing,
       // The probe gives up quietly; the open request then finds the connection gone.
       kVtWarning + kStarting + "Error: failed to send open frame\n"},
      {"open", termArgs({"--session-id", "7"}), "",
       [cols, rows](PeerConnection& c) {
         attachBridge(c);
         expectOpen(c, 7, openPayload("powershell", "verify", cols, rows));
       },
       record(kOpenResp, R"({"code":0})"), "", preamble(),
       "Error: terminal disconnected while waiting for open response\n"},
      {"unlock", termArgs({"--session-id", "7"}), "pw\n",
       [cols, rows](PeerConnection& c) {
         attachBridge(c);
         expectOpen(c, 7, openPayload("powershell", "verify", cols, rows));
         c.sendJsonFrame(kOpenResp, R"({"code":401,"message":"device_locked"})");
         const TerminalFrame unlock = nextFrame(c);
         EXPECT_EQ(unlock.type, kUnlockReq);
         EXPECT_EQ(unlock.payload, QByteArray(R"({"password":"pw"})"));
       },
       record(kUnlockResp, R"({"code":0})"), "", preamble() + kLocked + kPrompt + kUnlocking,
       "Error: terminal disconnected while waiting for unlock response\n"},
      {"list", termArgs({"--list-sessions"}), "",
       [](PeerConnection& c) {
         attachBridge(c);
         expectFrame(c, kListSessionsReq, QByteArray());
       },
       record(kListSessionsResp, "[]"), "", "", disconnected},
      {"kill", termArgs({"--kill-session", "5"}), "",
       [](PeerConnection& c) {
         attachBridge(c);
         expectFrame(c, kKillSessionReq, R"({"session_id":5})");
       },
       record(kKillSessionResp, R"({"code":0})"), "", "", disconnected},
      {"session", termArgs({"--session-id", "7"}), "",
       [cols, rows](PeerConnection& c) {
         attachBridge(c);
         expectOpen(c, 7, openPayload("powershell", "verify", cols, rows));
         c.sendJsonFrame(kOpenResp, R"({"code":0})");
         expectInitialResize(c, cols, rows);
         c.sendFrame(kOutput, "$ ");
       },
       record(kExit, R"({"exit_code":0})"), "$ ", preamble() + banner(), disconnected},
  };
}

inline Place placeNamed(const std::string& label, int cols = 120, int rows = 40) {
  for (Place& place : framePlaces(cols, rows)) {
    if (label == place.label) return place;
  }
  ADD_FAILURE() << "no place " << label;
  return {};
}

// Peak resident set of a live process in KiB, or -1.
inline long peakResidentKiB(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
  }
  return -1;
}

}  // namespace fault
