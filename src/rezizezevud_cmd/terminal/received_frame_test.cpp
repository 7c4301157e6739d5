#include "rezizezevud_cmd/terminal/received_frame.h"

#include <gtest/gtest.h>

#include <string>

#include "rezizezevud_cmd/terminal/terminal_frame.h"
#include "rezizezevud_cmd/terminal/terminal_messages.h"
#include "rezizezevud_cmd/testing/output_capture.h"

namespace {

struct FrameCase {
  const char* label;
  std::uint8_t type;
  QByteArray payload;
  bool result;
  bool running;
  bool gotExit;
  int exitCode;  // starts as 42
  std::string out;
  std::string err;
};

TEST(HandleReceivedFrame, ActsOnOutputExitAndError) {
  const std::string tooOld = std::string(localizedMessage(kMsgClientTooOld)) + "\n";
  const FrameCase cases[] = {
      {"output unchanged", kOutput, QByteArray("a\r\n\x1b[0m\xff", 8), true, true, false, 42,
       std::string("a\r\n\x1b[0m\xff", 8), ""},
      {"empty output", kOutput, "", true, true, false, 42, "", ""},
      {"exit with code", kExit, R"({"exit_code":2})", true, false, true, 2, "", ""},
      {"exit without code", kExit, "{}", true, false, true, 0, "", ""},
      {"exit not an object", kExit, "2", true, false, false, 42, "", ""},
      {"client too old", kError, R"({"code":1004,"message":"m"})", false, false, false, 42, "",
       tooOld},
      {"error with code", kError, R"({"code":7,"message":"boom"})", false, false, false, 42, "",
       "Error: boom (code 7)\n"},
      {"error code without message", kError, R"({"code":7})", false, false, false, 42, "",
       "Error: terminal error (code 7)\n"},
      {"error code 0", kError, R"({"code":0,"message":"gone"})", false, false, false, 42, "",
       "Error: gone\n"},
      {"error not JSON", kError, "oops", false, false, false, 42, "", "Error: terminal error\n"},
      {"placeholder in the message prints as it stands", kError, R"({"code":3,"message":"%2%1"})",
       false, false, false, 42, "", "Error: %2%1 (code 3)\n"},
      {"unused type 4", 4, "x", true, true, false, 42, "", ""},
      {"type above 15", 16, "x", true, true, false, 42, "", ""},
  };
  for (const FrameCase& c : cases) {
    SCOPED_TRACE(c.label);
    TerminalFrame frame = makeRawFrame(c.type, c.payload);
    bool running = true;
    bool gotExit = false;
    int exitCode = 42;
    OutputCapture capture;
    EXPECT_EQ(handleReceivedFrame(frame, running, gotExit, exitCode), c.result);
    EXPECT_EQ(running, c.running);
    EXPECT_EQ(gotExit, c.gotExit);
    EXPECT_EQ(exitCode, c.exitCode);
    EXPECT_EQ(capture.out(), c.out);
    EXPECT_EQ(capture.err(), c.err);
  }
}

}  // namespace
