#pragma once

// Test helper: a connected QLocalSocket for the code under test, with the other end of the
// connection held by the test as a plain descriptor. The test plays the main application: it
// answers with exact bytes, now or on a timeline (a thread of its own, so that the answer arrives
// while the code under test is blocked in its wait), and reads back what the code sent.

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QByteArray>
#include <QLocalSocket>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "rezizezevud_cmd/terminal/terminal_frame.h"

class LocalSocketPair {
 public:
  // One step of a timeline: after delayMs, write bytes (or close the test's end).
  struct Step {
    int delayMs = 0;
    QByteArray bytes;
    bool close = false;
  };

  LocalSocketPair() {
    int fds[2] = {-1, -1};
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, fds) == 0) {
      tool_.setSocketDescriptor(fds[0]);
      peer_ = fds[1];
    }
  }
  ~LocalSocketPair() {
    if (timeline_.joinable()) timeline_.join();
    closePeer();
  }
  LocalSocketPair(const LocalSocketPair&) = delete;
  LocalSocketPair& operator=(const LocalSocketPair&) = delete;

  QLocalSocket& tool() { return tool_; }

  void send(const QByteArray& bytes) {
    for (qsizetype done = 0; done < bytes.size() && peer_ >= 0;) {
      const ssize_t n =
          ::write(peer_, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
      if (n <= 0) return;
      done += n;
    }
  }
  static QByteArray record(std::uint8_t type, const QByteArray& payload) {
    QByteArray out;
    encodeRecord(makeRawFrame(type, payload), out);
    return out;
  }
  void sendFrame(std::uint8_t type, const QByteArray& payload) { send(record(type, payload)); }
  void closePeer() {
    if (peer_ >= 0) ::close(peer_);
    peer_ = -1;
  }

  // Plays the steps on a thread of their own; the destructor waits for the end.
  void play(std::vector<Step> steps) {
    timeline_ = std::thread([this, steps = std::move(steps)] {
      for (const Step& step : steps) {
        std::this_thread::sleep_for(std::chrono::milliseconds(step.delayMs));
        if (step.close) {
          closePeer();
          return;
        }
        send(step.bytes);
      }
    });
  }

  // What the code under test has written so far (waiting up to waitMs for the first byte).
  QByteArray received(int waitMs = 0) {
    QByteArray bytes;
    pollfd fd{peer_, POLLIN, 0};
    int wait = waitMs;
    while (peer_ >= 0 && ::poll(&fd, 1, wait) > 0) {
      char buffer[65536];
      const ssize_t n = ::read(peer_, buffer, sizeof buffer);
      if (n <= 0) break;
      bytes.append(buffer, static_cast<int>(n));
      wait = 0;
    }
    return bytes;
  }

 private:
  QLocalSocket tool_;
  int peer_ = -1;
  std::thread timeline_;
};
