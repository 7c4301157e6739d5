// Another local user can take the main application's server name. Such a listener must get no
// byte from the tool (commands carry verification codes and passwords), and the tool must act as
// if the main application were not running.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <poll.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/tool_runner.h"

namespace {

// A listener running as another user in a child process; counts the bytes it is sent.
class ForeignListener {
 public:
  ForeignListener(const std::string& path, uid_t uid, gid_t gid) {
    int ready[2];
    if (pipe(ready) != 0 || pipe(stop_) != 0 || pipe(result_) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      close(ready[0]);
      close(stop_[1]);  // the parent's close of its end must reach the child as end of file
      close(result_[0]);
      if (setgid(gid) != 0 || setuid(uid) != 0) _exit(3);
      _exit(serve(path, ready[1]));
    }
    close(ready[1]);
    close(stop_[0]);
    close(result_[1]);
    char byte = 0;
    ready_ = read(ready[0], &byte, 1) == 1;
    close(ready[0]);
  }

  ~ForeignListener() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }

  bool ready() const { return ready_; }

  // Ends the listener and returns how many bytes and connections it got.
  std::pair<long, long> finish() {
    close(stop_[1]);
    long counts[2] = {-1, -1};
    if (read(result_[0], counts, sizeof counts) != sizeof counts) return {-1, -1};
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
    return {counts[0], counts[1]};
  }

 private:
  int serve(const std::string& path, int readyFd) {
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    unlink(path.c_str());
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return 4;
    chmod(path.c_str(), 0777);  // as careless as a squatter would make it
    if (listen(fd, 8) != 0) return 5;
    (void)!write(readyFd, "r", 1);
    long counts[2] = {0, 0};  // bytes, connections
    std::vector<int> clients;
    for (;;) {
      std::vector<pollfd> fds{{fd, POLLIN, 0}, {stop_[0], POLLIN, 0}};
      for (int c : clients) fds.push_back({c, POLLIN, 0});
      poll(fds.data(), fds.size(), 1000);
      if (fds[1].revents != 0) break;
      if (fds[0].revents != 0) {
        clients.push_back(accept(fd, nullptr, nullptr));
        ++counts[1];
      }
      for (std::size_t i = 2; i < fds.size(); ++i) {
        if (fds[i].revents == 0) continue;
        char buffer[4096];
        const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
        if (n > 0) {
          counts[0] += n;
        } else {
          close(fds[i].fd);
          clients.erase(std::find(clients.begin(), clients.end(), fds[i].fd));
        }
      }
    }
    (void)!write(result_[1], counts, sizeof counts);
    return 0;
  }

  pid_t pid_ = -1;
  bool ready_ = false;
  int stop_[2] = {-1, -1};
  int result_[2] = {-1, -1};
};

TEST(PeerIdentity, ListenerOfAnotherUserGetsNothing) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to run a listener as another user";
  const passwd* nobody = getpwnam("nobody");
  ASSERT_NE(nobody, nullptr);

  ToolSandbox sandbox;
  std::filesystem::permissions(sandbox.root(), std::filesystem::perms::all);
  std::filesystem::permissions(sandbox.tmpDir(), std::filesystem::perms::all);
  ForeignListener listener(sandbox.socketPath(), nobody->pw_uid, nobody->pw_gid);
  ASSERT_TRUE(listener.ready());

  struct Case {
    std::vector<std::string> args;
    std::string err;
  };
  const Case cases[] = {
      {{"echo", "hello"}, "Error: Main application is not running\n"},
      {{"--reset-custom-code", "s3cret"}, "Error: Main application is not running\n"},
      {{"--connect", "dev1", "123456"}, "Error: Main application is not running\n"},
      {{"term", "--device-id", "dev1", "--list-sessions"}, "Error: Main application is not running\n"},
  };
  for (const Case& c : cases) {
    const ToolRun run = sandbox.run(c.args);
    EXPECT_EQ(run.exitCode, 2) << c.args[0];
    EXPECT_EQ(run.err, c.err) << c.args[0];
    const std::string log = sandbox.lastLog();
    EXPECT_NE(log.find("it runs as uid " + std::to_string(nobody->pw_uid)), std::string::npos)
        << log;
  }
  const auto [bytes, connections] = listener.finish();
  EXPECT_EQ(connections, 4);
  EXPECT_EQ(bytes, 0);
}

}  // namespace
