#include "rezizezevud_cmd/connect_conversation.h"

#include <gtest/gtest.h>

#include <deque>
#include <vector>

#include "rezizezevud_cmd/exit_codes.h"

namespace {

struct Answer {
  int channelResult;
  const char* text;
};

struct Transcript {
  std::vector<std::string> commands;
  std::vector<std::string> logs;
  std::string out;
  std::string err;
  int exitCode = -1;
};

// Plays the conversation the way the connect handler drives it, with scripted answers and typed
// lines; running out of either fails the test instead of looping.
Transcript converse(const char* deviceId, const char* code, std::deque<Answer> answers,
                    std::deque<const char*> lines = {}) {
  Transcript t;
  ConnectConversation conversation(QString::fromUtf8(deviceId), QString::fromUtf8(code));
  auto take = [&t](const ConnectStep& step) {
    if (step.logMessage) t.logs.push_back(step.logMessage);
    t.out += step.out;
    t.err += step.err;
    if (step.kind == ConnectStep::kFinish) t.exitCode = step.exitCode;
    return step.kind;
  };
  for (;;) {
    t.commands.push_back(conversation.command().toStdString());
    if (answers.empty()) {
      ADD_FAILURE() << "no answer left for " << t.commands.back();
      return t;
    }
    const Answer a = answers.front();
    answers.pop_front();
    if (take(conversation.onAnswer(a.channelResult, QString::fromUtf8(a.text))) ==
        ConnectStep::kFinish) {
      return t;
    }
    if (lines.empty()) {
      ADD_FAILURE() << "prompted with no line left";
      return t;
    }
    const char* line = lines.front();
    lines.pop_front();
    if (take(conversation.onCodeLine(QString::fromUtf8(line))) == ConnectStep::kFinish) return t;
  }
}

TEST(ConnectConversation, FirstAnswerEndsTheCall) {
  struct Case {
    Answer answer;
    const char* out;
    const char* err;
    int exitCode;
  };
  const Case cases[] = {
      {{kSuccess, "resp:connected to 123"}, "connected to 123\n", "", kSuccess},
      {{kSuccess, "resp:"}, "\n", "", kSuccess},
      {{kSuccess, "resp:error:wrong_password:x"},
       "",
       "Error: wrong_password:x\n",
       kDataNotAvailable},
      {{kSuccess, "resp:error:not_logged_in"},
       "",
       "Error: Velmora is not logged in. Please log in first and try again.\n",
       kDataNotAvailable},
      {{kSuccess, "resp:error:device offline"}, "", "Error: device offline\n", kDataNotAvailable},
      {{kSuccess, "resp:error:"}, "", "Error: \n", kDataNotAvailable},
      // A leftover notice is a success text like any other once the wait has passed it.
      {{kSuccess, "resp:waiting_confirmation"}, "waiting_confirmation\n", "", kSuccess},
      {{kSuccess, "RESP:need_password"},
       "",
       "Error: Invalid response from main application\n",
       kUnknownError},
      {{kSuccess, ""}, "", "Error: Invalid response from main application\n", kUnknownError},
      {{kIpcConnectFailed, ""}, "", "Error: Main application is not running\n", kIpcConnectFailed},
      {{kTimeout, ""}, "", "Error: Connection timeout\n", kTimeout},
  };
  for (const Case& c : cases) {
    const Transcript t = converse("123", "", {c.answer});
    EXPECT_EQ(t.commands, std::vector<std::string>{"cmd:connect:123:"}) << c.answer.text;
    EXPECT_EQ(t.out, c.out) << c.answer.text;
    EXPECT_EQ(t.err, c.err) << c.answer.text;
    EXPECT_EQ(t.exitCode, c.exitCode) << c.answer.text;
  }
}

TEST(ConnectConversation, CommandLineCodeGoesOnlyWithTheFirstCommand) {
  const Transcript t =
      converse("dev%2", "pre%1set", {{kSuccess, "resp:need_password"}, {kSuccess, "resp:ok"}},
               {"  typed 1\t\r"});
  EXPECT_EQ(t.commands, (std::vector<std::string>{"cmd:connect:dev%2:pre%1set",
                                                  "cmd:input_password:dev%2:typed 1"}));
  EXPECT_EQ(t.out, "Verify code is required. Please enter verify code: ok\n");
  EXPECT_EQ(t.err, "");
  EXPECT_EQ(t.logs,
            std::vector<std::string>{"User entered verify code, will use cmd:input_password"});
  EXPECT_EQ(t.exitCode, kSuccess);
}

TEST(ConnectConversation, WrongCodePromptsOnStandardError) {
  const Transcript t = converse("7", "bad",
                                {{kSuccess, "resp:error:wrong_password"},
                                 {kSuccess, "resp:need_password"},
                                 {kSuccess, "resp:done"}},
                                {"again", "third"});
  EXPECT_EQ(t.commands, (std::vector<std::string>{"cmd:connect:7:bad", "cmd:input_password:7:again",
                                                  "cmd:input_password:7:third"}));
  EXPECT_EQ(t.err, "Wrong verify code. Please enter verify code again: ");
  EXPECT_EQ(t.out, "Verify code is required. Please enter verify code: done\n");
  EXPECT_EQ(t.logs,
            (std::vector<std::string>{"User re-entered verify code, will use cmd:input_password",
                                      "User entered verify code, will use cmd:input_password"}));
}

TEST(ConnectConversation, EmptyCodeEndsWithoutSending) {
  for (const char* line : {"", "   ", "\r"}) {
    const Transcript t = converse("7", "", {{kSuccess, "resp:need_password"}}, {line});
    EXPECT_EQ(t.commands.size(), 1u);
    EXPECT_EQ(t.err, "Error: Verify code cannot be empty\n");
    EXPECT_TRUE(t.logs.empty());
    EXPECT_EQ(t.exitCode, kInvalidCommand);
  }
}

TEST(ConnectConversation, FourWrongCodesGiveThreePrompts) {
  const Answer wrong{kSuccess, "resp:error:wrong_password"};
  const Transcript t = converse("7", "a", {wrong, wrong, wrong, wrong}, {"b", "c", "d"});
  EXPECT_EQ(t.commands,
            (std::vector<std::string>{"cmd:connect:7:a", "cmd:input_password:7:b",
                                      "cmd:input_password:7:c", "cmd:input_password:7:d"}));
  std::string prompts;
  for (int i = 0; i < 3; ++i) prompts += "Wrong verify code. Please enter verify code again: ";
  EXPECT_EQ(t.err, prompts + "Error: Wrong verify code, max retries exceeded\n");
  EXPECT_EQ(t.out, "");
  EXPECT_EQ(t.exitCode, kDataNotAvailable);
}

TEST(ConnectConversation, FourCodeRequestsGiveFourPrompts) {
  const Answer need{kSuccess, "resp:need_password"};
  const Transcript t = converse("7", "", {need, need, need, need}, {"1", "2", "3", "4"});
  EXPECT_EQ(t.commands.size(), 4u);
  EXPECT_EQ(t.commands.back(), "cmd:input_password:7:3");
  std::string prompts;
  for (int i = 0; i < 4; ++i) prompts += "Verify code is required. Please enter verify code: ";
  EXPECT_EQ(t.out, prompts);
  EXPECT_EQ(t.err, "Error: Max retries exceeded\n");
  EXPECT_EQ(t.logs.size(), 4u);  // the fourth code is logged, then refused unsent
  EXPECT_EQ(t.exitCode, kDataNotAvailable);
}

TEST(ConnectConversation, LaterAttemptsEndLikeTheFirst) {
  const Transcript t = converse("7", "", {{kSuccess, "resp:need_password"}, {kTimeout, ""}}, {"x"});
  EXPECT_EQ(t.err, "Error: Connection timeout\n");
  EXPECT_EQ(t.exitCode, kTimeout);
}

}  // namespace
