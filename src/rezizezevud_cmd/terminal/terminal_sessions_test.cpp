#include "rezizezevud_cmd/terminal/terminal_sessions.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QJsonDocument>

#include "rezizezevud_cmd/testing/local_socket_pair.h"
#include "rezizezevud_cmd/testing/output_capture.h"

namespace {

QJsonArray sessions(const char* json) {
  const QJsonDocument document = QJsonDocument::fromJson(QByteArray(json));
  EXPECT_TRUE(document.isArray()) << json;
  return document.array();
}

struct ResumeCase {
  const char* label;
  const char* list;
  const char* requestedShell;
  bool shellGiven;
  std::uint32_t sessionId;
  const char* shell;
};

TEST(SelectResumableSession, FollowsTheResumeRule) {
  const ResumeCase cases[] = {
      {"most recent detached, exited ignored",
       R"([{"session_id":5,"shell":"bash","state":"detached","last_active_ms":100},
           {"session_id":6,"shell":"zsh","state":"detached","last_active_ms":300},
           {"session_id":7,"shell":"bash","state":"exited","last_active_ms":900}])",
       "powershell", false, 6, "zsh"},
      {"running listed after detached",
       R"([{"session_id":5,"shell":"bash","state":"detached","last_active_ms":100},
           {"session_id":8,"shell":"bash","state":"running","last_active_ms":1}])",
       "powershell", false, 0, ""},
      {"running listed before detached",
       R"([{"session_id":8,"shell":"bash","state":"running","last_active_ms":1},
           {"session_id":5,"shell":"bash","state":"detached","last_active_ms":100}])",
       "powershell", false, 0, ""},
      {"given shell matches without regard to case, keeps the listed spelling",
       R"([{"session_id":1,"shell":"BASH","state":"detached","last_active_ms":10},
           {"session_id":2,"shell":"zsh","state":"detached","last_active_ms":20}])",
       "bash", true, 1, "BASH"},
      {"shell not given: any shell, whatever the default",
       R"([{"session_id":1,"shell":"BASH","state":"detached","last_active_ms":10},
           {"session_id":2,"shell":"zsh","state":"detached","last_active_ms":20}])",
       "powershell", false, 2, "zsh"},
      {"given shell with no session of it",
       R"([{"session_id":1,"shell":"bash","state":"detached","last_active_ms":10}])", "cmd", true,
       0, ""},
      {"id 0 or no id is never chosen",
       R"([{"session_id":0,"shell":"bash","state":"detached","last_active_ms":999},
           {"shell":"bash","state":"detached","last_active_ms":998},
           {"session_id":3,"shell":"bash","state":"detached","last_active_ms":1}])",
       "bash", false, 3, "bash"},
      {"equal activity: first listed wins",
       R"([{"session_id":4,"shell":"cmd","state":"detached","last_active_ms":50},
           {"session_id":9,"shell":"cmd","state":"detached","last_active_ms":50}])",
       "cmd", true, 4, "cmd"},
      {"states other than exact exited/running are detached",
       R"([{"session_id":4,"shell":"cmd","state":"Exited","last_active_ms":1},
           {"session_id":5,"shell":"cmd","state":"Running","last_active_ms":2}])",
       "cmd", false, 5, "cmd"},
      {"non-objects skipped",
       R"([1,"x",null,[],{"session_id":4,"shell":"zsh","state":"","last_active_ms":1}])", "zsh",
       true, 4, "zsh"},
      {"largest 32-bit id and 64-bit activity",
       R"([{"session_id":4294967295,"shell":"zsh","state":"detached","last_active_ms":5000000000},
           {"session_id":2,"shell":"zsh","state":"detached","last_active_ms":4999999999}])",
       "zsh", false, 4294967295u, "zsh"},
      {"empty list", "[]", "bash", false, 0, ""},
  };
  for (const ResumeCase& c : cases) {
    SCOPED_TRACE(c.label);
    const ResumeCandidate candidate = selectResumableSession(
        sessions(c.list), QString::fromLatin1(c.requestedShell), c.shellGiven);
    EXPECT_EQ(candidate.sessionId, c.sessionId);
    EXPECT_EQ(candidate.shell.toStdString(), c.shell);
  }
}

const QByteArray kListRequest("\x10\0\0\0TERM\x01\x09\0\0\0\0\0\0\0\0\0\0", 20);

// The waits end at their deadline, not at a later poll, and nothing is read as an answer.
TEST(SessionWaits, SilenceEndsEachWaitAtItsDeadline) {
  struct Case {
    const char* label;
    std::function<int(QLocalSocket&, FrameReceiveBuffer&)> wait;
    int code;
    const char* err;
  } cases[] = {
      {"list", [](QLocalSocket& s, FrameReceiveBuffer& b) { return listSessions(s, b, 300); }, 5,
       "Error: Timeout waiting for list-sessions response\n"},
      {"kill", [](QLocalSocket& s, FrameReceiveBuffer& b) { return killSession(s, b, 1, 300); }, 5,
       "Error: Timeout waiting for kill-session response\n"},
      {"probe",
       [](QLocalSocket& s, FrameReceiveBuffer& b) {
         return static_cast<int>(
             probeResumableSession(s, b, QStringLiteral("bash"), false, 300).sessionId);
       },
       0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    LocalSocketPair pair;
    FrameReceiveBuffer buffer;
    OutputCapture capture;
    // A kOutput meanwhile is neither printed nor taken for the answer.
    pair.sendFrame(kOutput, "noise");
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(c.wait(pair.tool(), buffer), c.code);
    EXPECT_GE(clock.elapsed(), 290);
    EXPECT_LT(clock.elapsed(), 2000);
    EXPECT_EQ(capture.out(), "");
    EXPECT_EQ(capture.err(), c.err);
  }
}

TEST(ProbeResumableSession, AnswersAndFailuresGiveACandidateQuietly) {
  const QByteArray detached =
      R"([{"session_id":42,"shell":"bash","state":"detached","last_active_ms":7}])";
  const struct {
    const char* label;
    std::vector<std::pair<std::uint8_t, QByteArray>> frames;
    bool closeAfter;
    std::uint32_t sessionId;
  } cases[] = {
      {"answer selects", {{kOutput, "x"}, {kListSessionsResp, detached}}, false, 42},
      {"answer not an array", {{kListSessionsResp, R"({"sessions":[]})"}}, false, 0},
      {"kError",
       {{kError, R"({"code":1,"message":"no"})"}, {kListSessionsResp, detached}},
       false,
       0},
      {"connection closed", {}, true, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    LocalSocketPair pair;
    for (const auto& frame : c.frames) pair.sendFrame(frame.first, frame.second);
    if (c.closeAfter) pair.closePeer();
    FrameReceiveBuffer buffer;
    OutputCapture capture;
    QElapsedTimer clock;
    clock.start();
    const ResumeCandidate candidate =
        probeResumableSession(pair.tool(), buffer, QStringLiteral("cmd"), false, 3000);
    EXPECT_LT(clock.elapsed(), 1500);
    EXPECT_EQ(candidate.sessionId, c.sessionId);
    EXPECT_EQ(candidate.shell.isEmpty(), c.sessionId == 0);
    EXPECT_EQ(capture.out(), "");
    EXPECT_EQ(capture.err(), "");
    if (!c.closeAfter) {
      EXPECT_EQ(pair.received(), kListRequest);
    }
  }
}

TEST(ProbeResumableSession, UnsentProbeSaysSoAndFallsBack) {
  LocalSocketPair pair;
  pair.tool().abort();
  FrameReceiveBuffer buffer;
  OutputCapture capture;
  const ResumeCandidate candidate =
      probeResumableSession(pair.tool(), buffer, QStringLiteral("bash"), true, 3000);
  EXPECT_EQ(candidate.sessionId, 0u);
  EXPECT_EQ(capture.err(), "Error: failed to send list-sessions probe\n");
}

TEST(SessionRequests, UnsentRequestsFailWithTheirMessage) {
  for (bool list : {true, false}) {
    LocalSocketPair pair;
    pair.tool().abort();
    FrameReceiveBuffer buffer;
    OutputCapture capture;
    const int code = list ? listSessions(pair.tool(), buffer) : killSession(pair.tool(), buffer, 3);
    EXPECT_EQ(code, 6);
    EXPECT_EQ(capture.err(), list ? "Error: failed to send list-sessions request\n"
                                  : "Error: failed to send kill-session request\n");
  }
}

TEST(SessionRequests, AnswerLeavesLaterRecordsForTheNextReader) {
  LocalSocketPair pair;
  pair.sendFrame(kKillSessionResp, R"({"code":0})");
  pair.sendFrame(kOutput, "after");
  FrameReceiveBuffer buffer;
  OutputCapture capture;
  EXPECT_EQ(killSession(pair.tool(), buffer, 3, 3000), 0);
  EXPECT_EQ(capture.out(), "Session killed.\n");
  QByteArray next;
  // The record may still be in the socket or already in the buffer; either way it is not lost.
  pumpSocket(pair.tool(), buffer, 200);
  ASSERT_TRUE(buffer.takeRecord(next));
  TerminalFrame frame;
  ASSERT_TRUE(decodeFrame(next, frame));
  EXPECT_EQ(frame.type, kOutput);
  EXPECT_EQ(frame.payload, QByteArray("after"));
}

}  // namespace
