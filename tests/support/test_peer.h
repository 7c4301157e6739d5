#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "rezizezevud_cmd/terminal/terminal_frame.h"

// A scripted stand-in for the main application: it listens where the tool looks for it
// (<tmpDir>/<server name>) and serves each accepted connection with the next script, on its own
// thread. Scripts check what the tool sends (gtest EXPECTs are fine there) and answer with exact
// bytes, pauses, silence or a close.

class PeerConnection {
 public:
  explicit PeerConnection(int fd) : fd_(fd) {}
  ~PeerConnection();
  PeerConnection(const PeerConnection&) = delete;
  PeerConnection& operator=(const PeerConnection&) = delete;

  // The tool's one-shot command: the bytes of its first write. Waits for the first byte, then
  // takes whatever follows within a few milliseconds. Empty on time-out or close.
  std::string readCommand(int timeoutMs = 10000);
  // Exactly n bytes, or fewer when the tool closed or the time ran out.
  std::string readExactly(std::size_t n, int timeoutMs = 10000);
  // Everything until the tool closes its end (or the time runs out).
  std::string readUntilClosed(int timeoutMs = 10000);
  // True when the tool closed its end within the time (bytes read meanwhile are discarded).
  bool waitClosed(int timeoutMs = 10000);

  void send(std::string_view bytes);
  void sendFrame(const TerminalFrame& frame);
  void sendFrame(std::uint8_t type, const QByteArray& payload, std::uint32_t sessionId = 0);
  void sendJsonFrame(std::uint8_t type, const char* json);
  // One whole record from the tool, decoded. False on time-out, close or a malformed record.
  bool readFrame(TerminalFrame& frame, int timeoutMs = 10000);
  // Frames until one of the type arrives (the others are kept in skipped). False on time-out.
  bool readFrameOfType(std::uint8_t type, TerminalFrame& frame, int timeoutMs = 10000,
                       std::vector<TerminalFrame>* skipped = nullptr);

  static void sleepMs(int ms);
  void close();
  int fd() const { return fd_; }

 private:
  int fd_;
};

class TestPeer {
 public:
  using Script = std::function<void(PeerConnection&)>;

  // Listens at <tmpDir>/<server name>; creates tmpDir when missing.
  explicit TestPeer(const std::string& tmpDir);
  // Stops listening and joins the thread; scripts still running are waited for.
  ~TestPeer();
  TestPeer(const TestPeer&) = delete;
  TestPeer& operator=(const TestPeer&) = delete;

  // Scripts run in the order given, one per accepted connection. Add them before running the
  // tool. A connection beyond the scripts is accepted and closed at once and counted.
  void expect(Script script);
  // Waits until every script has run (or the time is up); returns how many connections came.
  int finish(int timeoutMs = 30000);
  int connectionCount() const { return connections_.load(); }

 private:
  void serve();

  int listenFd_ = -1;
  int wakeRead_ = -1;
  int wakeWrite_ = -1;
  std::mutex mutex_;
  std::vector<Script> scripts_;
  std::atomic<int> connections_{0};
  std::atomic<int> scriptsDone_{0};
  std::thread thread_;
};
