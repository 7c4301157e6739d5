#include "proc_stats.h"

#include <dirent.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

namespace {

std::uint64_t statusField(const std::string& path, const char* name) {
  std::ifstream in(path);
  std::string line;
  const std::size_t len = std::strlen(name);
  while (std::getline(in, line)) {
    if (line.compare(0, len, name) == 0 && line.size() > len && line[len] == ':') {
      return std::stoull(line.substr(len + 1));
    }
  }
  return 0;
}

// schedstat's first field is the task's run time in nanoseconds, finer than stat's clock ticks.
std::uint64_t taskCpuNs(const std::string& taskDir) {
  std::ifstream in(taskDir + "/schedstat");
  std::uint64_t ns = 0;
  in >> ns;
  return ns;
}

}  // namespace

ProcCounters readProcCounters(pid_t pid) {
  ProcCounters c;
  const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
  DIR* dir = opendir(tasks.c_str());
  if (dir == nullptr) return c;
  while (dirent* e = readdir(dir)) {
    if (e->d_name[0] == '.') continue;
    const std::string taskDir = tasks + "/" + e->d_name;
    c.cpuNs += taskCpuNs(taskDir);
    c.contextSwitches += statusField(taskDir + "/status", "voluntary_ctxt_switches") +
                         statusField(taskDir + "/status", "nonvoluntary_ctxt_switches");
    ++c.threads;
  }
  closedir(dir);
  c.ok = c.threads > 0;
  return c;
}

long readPeakRssKib(pid_t pid) {
  const std::string path = "/proc/" + std::to_string(pid) + "/status";
  std::ifstream in(path);
  if (!in) return -1;
  return static_cast<long>(statusField(path, "VmHWM"));
}
