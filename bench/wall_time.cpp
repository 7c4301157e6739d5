// Whole-process wall time of a command, run several times: from fork to the end of the child,
// with its output sent to /dev/null. Prints the median and the spread in milliseconds.
//
//   wall_time --runs N -- program args...
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "sample_stats.h"

namespace {

// Milliseconds, or a negative value when the command could not run or did not end with 0.
double timeOnce(char** argv) {
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid < 0) return -1;
  if (pid == 0) {
    const int null = open("/dev/null", O_RDWR);
    dup2(null, STDIN_FILENO);
    dup2(null, STDOUT_FILENO);
    execvp(argv[0], argv);
    _exit(127);
  }
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return -1;
  const auto end = std::chrono::steady_clock::now();
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
  return std::chrono::duration<double, std::milli>(end - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5 || std::strcmp(argv[1], "--runs") != 0 || std::strcmp(argv[3], "--") != 0) {
    std::fprintf(stderr, "usage: wall_time --runs N -- program args...\n");
    return 2;
  }
  const int runs = std::atoi(argv[2]);
  if (runs < 1 || runs > 10000) return 2;
  std::vector<double> ms;
  for (int i = 0; i < runs; ++i) {
    const double t = timeOnce(argv + 4);
    if (t < 0) {
      std::fprintf(stderr, "wall_time: %s failed on run %d\n", argv[4], i + 1);
      return 1;
    }
    ms.push_back(t);
  }
  std::printf("runs=%d\nmedian_ms=%.3f\nmin_ms=%.3f\nmax_ms=%.3f\n", runs, median(ms),
              percentile(ms, 0), percentile(ms, 100));
  return 0;
}
