#include "rezizezevud_cmd/terminal/terminal_bridge.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <string>
#include <vector>

#include "rezizezevud_cmd/terminal/terminal_frame.h"
#include "rezizezevud_cmd/terminal/terminal_messages.h"
#include "rezizezevud_cmd/testing/local_socket_pair.h"
#include "rezizezevud_cmd/testing/output_capture.h"

namespace {

using Step = LocalSocketPair::Step;

std::string line(MessageId id) { return std::string(localizedMessage(id)) + "\n"; }

TEST(TerminalRequest, IsTheCommandAndCompactJson) {
  EXPECT_EQ(buildTerminalRequest(QStringLiteral("abc")).toUtf8(),
            QByteArray(R"(cmd:terminal:{"device_id":"abc"})"));
  EXPECT_EQ(buildTerminalRequest(QStringLiteral("a\"b\\c")).toUtf8(),
            QByteArray(R"(cmd:terminal:{"device_id":"a\"b\\c"})"));
  EXPECT_EQ(buildTerminalRequest(QString::fromUtf8("设备")).toUtf8(),
            QByteArray("cmd:terminal:{\"device_id\":\"设备\"}"));
}

TEST(TerminalRequest, OnlyTheFourShellsAreSupported) {
  for (const char* shell : {"powershell", "cmd", "zsh", "bash"}) {
    EXPECT_TRUE(isSupportedShell(QLatin1String(shell))) << shell;
  }
  for (const char* shell : {"Bash", "sh", "fish", "", " bash", "pwsh"}) {
    EXPECT_FALSE(isSupportedShell(QLatin1String(shell))) << shell;
  }
}

struct AttachCase {
  const char* label;
  std::vector<Step> steps;
  int code;
  std::string err;  // what the wait itself prints (the progress lines)
  QByteArray leftover;
  const char* errorText;
};

TEST(WaitTerminalAttach, FollowsProgressUntilTheAnswer) {
  QByteArray record;
  ASSERT_TRUE(encodeRecord(makeRawFrame(kOutput, "hi"), record));
  const std::vector<AttachCase> cases = {
      {"progress then OK in one piece",
       {{0, "progress:initializing_session\nprogress:completing_handshake\nresp:OK"}},
       0,
       line(kMsgConnectInitializing) + line(kMsgConnectOptimizing),
       "",
       ""},
      {"every step key, paired as the user has always seen them",
       {{0,
         "progress:initializing_session\nprogress:discovering_device\n"
         "progress:establishing_channel\nprogress:optimizing_connection\n"
         "progress:completing_handshake\n"},
        {30, "resp:OK"}},
       0,
       line(kMsgConnectInitializing) + line(kMsgConnectServer) + line(kMsgConnectSession) +
           line(kMsgConnectSync) + line(kMsgConnectOptimizing),
       "",
       ""},
      {"bytes after OK start the frame stream",
       {{0, QByteArray("resp:OK") + record + "\x05"}},
       0,
       "",
       record + "\x05",
       ""},
      {"a line split over two writes is acted on once",
       {{0, "progress:discover"}, {50, "ing_device"}, {50, "\nresp:"}, {50, "OK"}},
       0,
       line(kMsgConnectServer),
       "",
       ""},
      {"unknown step and CRLF step print nothing",
       {{0, "progress:warming_up\nprogress:initializing_session\r\n"}, {30, "resp:OK"}},
       0,
       "",
       "",
       ""},
      {"error text to the end of what arrived",
       {{0, "progress:discovering_device\nresp:error:device offline"}},
       6,
       line(kMsgConnectServer),
       "",
       "Error: device offline"},
      {"error prefix split over writes",
       {{0, "resp:err"}, {40, "or:\xe8\xae\xbe\xe5\xa4\x87"}},
       6,
       "",
       "",
       "Error: \xe8\xae\xbe\xe5\xa4\x87"},
      {"close during the handshake is a time-out",
       {{0, "progress:initializing_session\n"}, {30, {}, true}},
       5,
       line(kMsgConnectInitializing),
       "",
       "Error: Timeout waiting terminal attach response"},
  };
  for (const AttachCase& c : cases) {
    SCOPED_TRACE(c.label);
    LocalSocketPair pair;
    pair.play(c.steps);
    QByteArray leftover;
    QString errorText;
    OutputCapture capture;
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(waitTerminalAttach(pair.tool(), leftover, errorText, 5000), c.code);
    EXPECT_LT(clock.elapsed(), 2000);
    EXPECT_EQ(capture.err(), c.err);
    EXPECT_EQ(capture.out(), "");
    EXPECT_EQ(leftover, c.leftover);
    EXPECT_EQ(errorText.toStdString(), c.errorText);
  }
}

TEST(WaitTerminalAttach, UnknownOrSilentAnswersRunToTheDeadline) {
  for (const QByteArray& answer :
       {QByteArray(), QByteArray("hello resp:OK"), QByteArray("resp:O")}) {
    SCOPED_TRACE(answer.toStdString());
    LocalSocketPair pair;
    pair.send(answer);
    QByteArray leftover;
    QString errorText;
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(waitTerminalAttach(pair.tool(), leftover, errorText, 300), 5);
    EXPECT_GE(clock.elapsed(), 290);
    EXPECT_LT(clock.elapsed(), 2000);
    EXPECT_EQ(errorText, QStringLiteral("Error: Timeout waiting terminal attach response"));
  }
}

TEST(WaitTerminalAttach, AnswerIsTakenAsSoonAsItArrives) {
  LocalSocketPair pair;
  pair.play({{200, "resp:OK"}});
  QByteArray leftover;
  QString errorText;
  QElapsedTimer clock;
  clock.start();
  EXPECT_EQ(waitTerminalAttach(pair.tool(), leftover, errorText, 10000), 0);
  EXPECT_GE(clock.elapsed(), 190);
  EXPECT_LT(clock.elapsed(), 1500);
}

struct OpenCase {
  const char* label;
  std::vector<std::pair<std::uint8_t, QByteArray>> frames;
  bool closeAfter;
  int result;
  const char* message;  // the caller's string afterwards; it starts as "before"
  const char* out;
  const char* err;
};

TEST(WaitOpenResponse, MapsTheAnswerToItsResult) {
  const std::vector<OpenCase> cases = {
      {"opened", {{kOpenResp, R"({"code":0,"message":"x"})"}}, false, 0, "before", "", ""},
      {"positive code keeps its message for the caller",
       {{kOpenResp, R"({"code":503,"message":"busy"})"}},
       false,
       503,
       "busy",
       "",
       ""},
      {"positive code without message", {{kOpenResp, R"({"code":401})"}}, false, 401, "", "", ""},
      {"negative code without message",
       {{kOpenResp, R"({"code":-5})"}},
       false,
       -1,
       "before",
       "",
       "Error: open failed\n"},
      {"negative code with message",
       {{kOpenResp, R"({"code":-5,"message":"nope"})"}},
       false,
       -1,
       "before",
       "",
       "Error: nope\n"},
      {"no code is code -1",
       {{kOpenResp, R"({"message":"why"})"}},
       false,
       -1,
       "before",
       "",
       "Error: why\n"},
      {"payload not an object",
       {{kOpenResp, "[1]"}},
       false,
       -1,
       "before",
       "",
       "Error: invalid open response\n"},
      {"output meanwhile is written, other frames dropped",
       {{kOutput, "\x1b[1mhi"}, {4, "{}"}, {kListSessionsResp, "[]"}, {kOpenResp, R"({"code":0})"}},
       false,
       0,
       "before",
       "\x1b[1mhi",
       ""},
      {"exit ends the wait",
       {{kExit, R"({"exit_code":3})"}, {kOpenResp, R"({"code":0})"}},
       false,
       -1,
       "before",
       "",
       ""},
      {"error ends the wait and is printed",
       {{kError, R"({"code":7,"message":"boom"})"}},
       false,
       -1,
       "before",
       "",
       "Error: boom (code 7)\n"},
      {"connection closed",
       {},
       true,
       -1,
       "before",
       "",
       "Error: terminal disconnected while waiting for open response\n"},
  };
  for (const OpenCase& c : cases) {
    SCOPED_TRACE(c.label);
    LocalSocketPair pair;
    for (const auto& frame : c.frames) pair.sendFrame(frame.first, frame.second);
    if (c.closeAfter) pair.closePeer();
    FrameReceiveBuffer buffer;
    QString message = QStringLiteral("before");
    OutputCapture capture;
    EXPECT_EQ(waitOpenResponse(pair.tool(), buffer, message, 3000), c.result);
    EXPECT_EQ(message.toStdString(), c.message);
    EXPECT_EQ(capture.out(), c.out);
    EXPECT_EQ(capture.err(), c.err);
  }
}

TEST(WaitOpenResponse, SilenceIsMinusTwoAndRecordsAfterTheAnswerStay) {
  {
    LocalSocketPair pair;
    FrameReceiveBuffer buffer;
    QString message;
    OutputCapture capture;
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(waitOpenResponse(pair.tool(), buffer, message, 300), -2);
    EXPECT_GE(clock.elapsed(), 290);
    EXPECT_EQ(capture.err(), "");
  }
  {
    // The answer and the shell's first output arrive together, before the wait starts.
    FrameReceiveBuffer buffer(LocalSocketPair::record(kOpenResp, R"({"code":0})") +
                              LocalSocketPair::record(kOutput, "prompt$ "));
    LocalSocketPair pair;
    QString message;
    OutputCapture capture;
    EXPECT_EQ(waitOpenResponse(pair.tool(), buffer, message, 3000), 0);
    EXPECT_EQ(capture.out(), "");
    EXPECT_TRUE(buffer.hasWholeRecord());
  }
}

}  // namespace
