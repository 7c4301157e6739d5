// A large redirected input fed to a real shell through velmora-sim: it must arrive whole and in
// order while the far side echoes it back, and the tool's memory must not grow with it.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <utility>

#include "e2e/sim_fixture.h"
#include "support/sanitizer.h"

namespace {

const char kState[] = R"({
  "user": {"name": "Test User"},
  "devices": [{"device_id": "d1", "name": "alpha"}],
  "shells": {"bash": "bash --norc --noprofile"}
})";

constexpr std::size_t kInputBytes = 50 * 1000 * 1000;

std::uint64_t fnv1a64(const std::string& bytes) {
  std::uint64_t hash = 14695981039346656037ull;
  for (const unsigned char byte : bytes) {
    hash ^= byte;
    hash *= 1099511628211ull;
  }
  return hash;
}

// Printable lines of varied length, mostly ending in LF, some in CR LF and a few in a lone CR.
// Lines stay far below the terminal's 4,095-byte line limit.
std::string bulkText(std::size_t size) {
  std::string text;
  text.reserve(size + 512);
  for (std::size_t line = 0; text.size() < size; ++line) {
    const std::size_t length = (line * 37) % 241;
    for (std::size_t k = 0; k < length; ++k) text += static_cast<char>(' ' + (line * 7 + k) % 95);
    text += line % 5 == 0 ? "\r\n" : line % 11 == 0 ? "\r" : "\n";
  }
  return text;
}

// What the remote program reads: the tool sends every line end as one CR, and the terminal hands
// a CR on as it is or as LF, depending on the mode it was in when the byte came in (the shell's
// line editor turns the CR translation off while it reads the command line). Both count as LF.
std::string asReceived(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out += text[i] == '\r' ? '\n' : text[i];
  }
  return out;
}

std::string crAsLf(std::string bytes) {
  for (char& c : bytes) {
    if (c == '\r') c = '\n';
  }
  return bytes;
}

// The highest peak resident size seen of any process running the given executable, sampled
// until the watch ends.
class PeakMemoryWatch {
 public:
  explicit PeakMemoryWatch(std::string exePath)
      : exePath_(std::move(exePath)), thread_([this] { watch(); }) {}
  ~PeakMemoryWatch() { stop(); }
  long stop() {
    done_ = true;
    if (thread_.joinable()) thread_.join();
    return peakKiB_;
  }

 private:
  void watch() {
    namespace fs = std::filesystem;
    while (!done_) {
      std::error_code ec;
      for (const auto& entry : fs::directory_iterator("/proc", ec)) {
        std::error_code linkError;
        if (fs::read_symlink(entry.path() / "exe", linkError).string() != exePath_) continue;
        std::ifstream status(entry.path() / "status");
        std::string line;
        while (std::getline(status, line)) {
          if (line.rfind("VmHWM:", 0) == 0) peakKiB_ = std::max(peakKiB_, std::stol(line.substr(6)));
        }
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  }

  std::string exePath_;
  std::atomic<bool> done_{false};
  long peakKiB_ = 0;
  std::thread thread_;
};

struct BulkCase {
  const char* name;
  // The command that takes the input; %N is the byte count, %F the file it goes to.
  std::string command;
};

void PrintTo(const BulkCase& c, std::ostream* os) { *os << c.name; }

class SimBulkInput : public testing::TestWithParam<BulkCase> {};

std::string substitute(std::string command, const std::string& count, const std::string& file) {
  for (const auto& [key, value] : {std::pair<std::string, std::string>{"%N", count}, {"%F", file}}) {
    for (std::size_t at = command.find(key); at != std::string::npos; at = command.find(key, at)) {
      command.replace(at, key.size(), value);
      at += value.size();
    }
  }
  return command;
}

TEST_P(SimBulkInput, ArrivesCompleteAndInOrderWithBoundedMemory) {
  SimBench bench(kState);
  ASSERT_TRUE(bench.sim.started()) << bench.sim.errText();
  const std::string text = bulkText(kInputBytes);
  const std::string expected = asReceived(text);
  const std::string file = bench.sandbox.root() + "/received";
  // head ends by itself after the last byte, so the shell reads the exit that follows.
  RunOptions options;
  options.stdinData =
      substitute(GetParam().command, std::to_string(expected.size()), file) + "\n" + text + "exit 0\n";
  options.timeoutMs = 100000;

  PeakMemoryWatch memory(bench.sandbox.exePath());
  const ToolRun run = bench.run({"term", "--device-id", "d1", "--shell", "bash"}, options);
  const long peakKiB = memory.stop();
  ASSERT_FALSE(run.timedOut) << "the session stalled after " << readFile(file).size()
                             << " bytes reached the shell";
  EXPECT_EQ(run.exitCode, 0) << run.err;
  const std::string received = readFile(file);
  ASSERT_EQ(received.size(), expected.size());
  EXPECT_EQ(fnv1a64(crAsLf(received)), fnv1a64(expected)) << "input lost, changed or reordered";
  EXPECT_GT(peakKiB, 0) << "the tool was never seen running";
  // A tool that holds its input or its output back in memory grows by tens of megabytes here.
  if (kMemoryIsMeasurable) {
    EXPECT_LT(peakKiB, 24 * 1024) << "the tool's memory grew with its input";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Shells, SimBulkInput,
    testing::Values(
        // The terminal echoes every line while the tool is still sending.
        BulkCase{"TerminalEcho", "head -c %N > %F"},
        // The program writes every line back and stalls while that output cannot drain.
        BulkCase{"ProgramWritesItBack", "stty -echo; head -c %N | tee %F"},
        // Nothing comes back: input at the highest rate the shell takes it.
        BulkCase{"RawNoEcho", "stty raw -echo; head -c %N > %F; stty sane"}),
    [](const testing::TestParamInfo<BulkCase>& info) { return std::string(info.param.name); });

}  // namespace
