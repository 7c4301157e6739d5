#include "support/test_peer.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "rezizezevud_cmd/orrinremotecmd_application.h"

namespace {

using Clock = std::chrono::steady_clock;

int msLeft(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

bool waitReadable(int fd, int timeoutMs) {
  pollfd p{fd, POLLIN, 0};
  int r;
  do {
    r = poll(&p, 1, timeoutMs);
  } while (r < 0 && errno == EINTR);
  return r > 0;
}

}  // namespace

PeerConnection::~PeerConnection() { close(); }

void PeerConnection::close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

void PeerConnection::sleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

std::string PeerConnection::readCommand(int timeoutMs) {
  std::string bytes;
  if (fd_ < 0 || !waitReadable(fd_, timeoutMs)) return bytes;
  char buffer[65536];
  // The tool writes its command in one piece; a short settle catches a write split by the kernel.
  do {
    const ssize_t n = ::read(fd_, buffer, sizeof buffer);
    if (n <= 0) break;
    bytes.append(buffer, static_cast<std::size_t>(n));
  } while (waitReadable(fd_, 20));
  return bytes;
}

std::string PeerConnection::readExactly(std::size_t n, int timeoutMs) {
  std::string bytes;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  char buffer[65536];
  while (fd_ >= 0 && bytes.size() < n) {
    if (!waitReadable(fd_, msLeft(deadline))) break;
    const ssize_t r = ::read(fd_, buffer, std::min(sizeof buffer, n - bytes.size()));
    if (r <= 0) break;
    bytes.append(buffer, static_cast<std::size_t>(r));
  }
  return bytes;
}

std::string PeerConnection::readUntilClosed(int timeoutMs) {
  std::string bytes;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  char buffer[65536];
  while (fd_ >= 0) {
    if (!waitReadable(fd_, msLeft(deadline))) break;
    const ssize_t r = ::read(fd_, buffer, sizeof buffer);
    if (r <= 0) break;
    bytes.append(buffer, static_cast<std::size_t>(r));
  }
  return bytes;
}

bool PeerConnection::waitClosed(int timeoutMs) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  char buffer[65536];
  while (fd_ >= 0) {
    if (!waitReadable(fd_, msLeft(deadline))) return false;
    const ssize_t r = ::read(fd_, buffer, sizeof buffer);
    if (r == 0 || (r < 0 && errno != EINTR)) return true;
  }
  return true;
}

void PeerConnection::send(std::string_view bytes) {
  std::size_t sent = 0;
  while (fd_ >= 0 && sent < bytes.size()) {
    const ssize_t n = ::send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    sent += static_cast<std::size_t>(n);
  }
}

void PeerConnection::sendFrame(const TerminalFrame& frame) {
  QByteArray record;
  ASSERT_TRUE(encodeRecord(frame, record));
  send(std::string_view(record.constData(), static_cast<std::size_t>(record.size())));
}

void PeerConnection::sendFrame(std::uint8_t type, const QByteArray& payload, std::uint32_t sessionId) {
  TerminalFrame frame = makeRawFrame(type, payload);
  frame.sessionId = sessionId;
  sendFrame(frame);
}

void PeerConnection::sendJsonFrame(std::uint8_t type, const char* json) {
  sendFrame(type, QByteArray(json));
}

bool PeerConnection::readFrame(TerminalFrame& frame, int timeoutMs) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  const std::string lengthField = readExactly(4, timeoutMs);
  if (lengthField.size() != 4) return false;
  std::uint32_t length = 0;
  for (int i = 3; i >= 0; --i) length = (length << 8) | static_cast<unsigned char>(lengthField[i]);
  if (length == 0 || length > kMaxFramePayload + kFrameHeaderSize) return false;
  const std::string body = readExactly(length, msLeft(deadline));
  if (body.size() != length) return false;
  return decodeFrame(QByteArray(body.data(), static_cast<int>(body.size())), frame);
}

bool PeerConnection::readFrameOfType(std::uint8_t type, TerminalFrame& frame, int timeoutMs,
                                     std::vector<TerminalFrame>* skipped) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    TerminalFrame next;
    if (!readFrame(next, msLeft(deadline))) return false;
    if (next.type == type) {
      frame = next;
      return true;
    }
    if (skipped != nullptr) skipped->push_back(next);
  }
}

TestPeer::TestPeer(const std::string& tmpDir) {
  std::filesystem::create_directories(tmpDir);
  const std::string path = tmpDir + "/" + kServerName.toStdString();
  ::unlink(path.c_str());
  listenFd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
  if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(listenFd_, 16) != 0) {
    ADD_FAILURE() << "test peer cannot listen at " << path << ": " << std::strerror(errno);
  }
  int wake[2];
  if (::pipe2(wake, O_CLOEXEC) == 0) {
    wakeRead_ = wake[0];
    wakeWrite_ = wake[1];
  }
  thread_ = std::thread([this] { serve(); });
}

TestPeer::~TestPeer() {
  if (wakeWrite_ >= 0) {
    const char byte = 0;
    (void)::write(wakeWrite_, &byte, 1);
  }
  if (thread_.joinable()) thread_.join();
  for (int fd : {listenFd_, wakeRead_, wakeWrite_}) {
    if (fd >= 0) ::close(fd);
  }
}

void TestPeer::expect(Script script) {
  std::lock_guard<std::mutex> lock(mutex_);
  scripts_.push_back(std::move(script));
}

int TestPeer::finish(int timeoutMs) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    std::size_t total;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      total = scripts_.size();
    }
    if (static_cast<std::size_t>(scriptsDone_.load()) >= total || Clock::now() >= deadline) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return connections_.load();
}

void TestPeer::serve() {
  std::size_t next = 0;
  for (;;) {
    pollfd fds[2] = {{listenFd_, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
    if (::poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (fds[1].revents != 0) return;
    if (fds[0].revents == 0) continue;
    const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    ++connections_;
    Script script;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (next < scripts_.size()) script = scripts_[next++];
    }
    PeerConnection connection(fd);
    if (script) {
      script(connection);
      ++scriptsDone_;
    }
  }
}
