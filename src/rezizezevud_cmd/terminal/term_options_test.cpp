#include "rezizezevud_cmd/terminal/term_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "rezizezevud_cmd/help_texts.h"
#include "rezizezevud_cmd/testing/output_capture.h"

namespace {

using Id = std::optional<std::uint32_t>;

struct Expected {
  QString deviceName;
  QString deviceId;
  QString shell = QStringLiteral("powershell");
  bool listSessions = false;
  Id killSessionId;
  Id sessionId;
  bool newSession = false;
  bool shellGiven = false;
};

struct ParseCase {
  const char* label;
  std::vector<const char*> arguments;
  const char* error;  // nullptr when the arguments are accepted
  Expected expected;
};

QStringList toList(const std::vector<const char*>& arguments) {
  QStringList list;
  for (const char* argument : arguments) list << QString::fromUtf8(argument);
  return list;
}

Expected named(const char* name) {
  Expected e;
  e.deviceName = QString::fromUtf8(name);
  return e;
}

TEST(TermOptions, ParsesAndRejectsAsTheUserTypedIt) {
  Expected bashGiven = named("h");
  bashGiven.shell = QStringLiteral("bash");
  bashGiven.shellGiven = true;
  Expected defaultGiven = named("h");
  defaultGiven.shellGiven = true;
  Expected zsh = named("myhost");
  zsh.shell = QStringLiteral("zsh");
  zsh.shellGiven = true;
  Expected byId;
  byId.deviceId = QStringLiteral("abc");
  Expected killZero = named("h");
  killZero.killSessionId = 0u;
  Expected largestId = named("h");
  largestId.sessionId = 4294967295u;
  Expected flags = named("h");
  flags.listSessions = true;
  flags.newSession = true;
  flags.killSessionId = 12u;
  flags.sessionId = 7u;

  const std::vector<ParseCase> cases = {
      {"name only", {"myhost"}, nullptr, named("myhost")},
      {"nothing at all (the route complains)", {}, nullptr, Expected{}},
      {"name trimmed", {"  box  "}, nullptr, named("box")},
      {"shell trimmed and lower-cased", {"--shell", " Bash ", "h"}, nullptr, bashGiven},
      {"default shell typed counts as given",
       {"--shell", "powershell", "h"},
       nullptr,
       defaultGiven},
      {"single-dash word is a long option", {"-shell", "zsh", "myhost"}, nullptr, zsh},
      {"device id trimmed", {"--device-id", " abc "}, nullptr, byId},
      {"kill-session 0 is an id", {"h", "--kill-session", "0"}, nullptr, killZero},
      {"largest 32-bit session id", {"h", "--session-id", "4294967295"}, nullptr, largestId},
      {"every switch",
       {"-list-sessions", "--new-session", "--kill-session", "12", "--session-id", "7", "h"},
       nullptr,
       flags},
      {"two names", {"a", "b"}, "Multiple device names are not allowed", {}},
      {"kill-session with letters",
       {"h", "--kill-session", "12x"},
       "--kill-session requires a numeric session id",
       {}},
      {"kill-session negative",
       {"h", "--kill-session", "-1"},
       "--kill-session requires a numeric session id",
       {}},
      {"kill-session empty",
       {"h", "--kill-session", ""},
       "--kill-session requires a numeric session id",
       {}},
      {"session-id above 32 bits",
       {"h", "--session-id", "4294967296"},
       "--session-id requires a numeric session id",
       {}},
      {"names checked before ids",
       {"a", "b", "--kill-session", "x"},
       "Multiple device names are not allowed",
       {}},
      {"kill-session checked before session-id",
       {"h", "--kill-session", "x", "--session-id", "y"},
       "--kill-session requires a numeric session id",
       {}},
  };
  for (const ParseCase& c : cases) {
    SCOPED_TRACE(c.label);
    TermOptions options;
    bool showedHelp = false;
    QString error;
    const bool ok = parseTermOptions(toList(c.arguments), options, showedHelp, error);
    EXPECT_FALSE(showedHelp);
    if (c.error != nullptr) {
      EXPECT_FALSE(ok);
      EXPECT_EQ(error.toStdString(), c.error);
      continue;
    }
    ASSERT_TRUE(ok) << error.toStdString();
    const Expected& e = c.expected;
    EXPECT_EQ(options.deviceName, e.deviceName);
    EXPECT_EQ(options.deviceId, e.deviceId);
    EXPECT_EQ(options.shell, e.shell);
    EXPECT_EQ(options.listSessions, e.listSessions);
    EXPECT_EQ(options.killSessionId, e.killSessionId);
    EXPECT_EQ(options.sessionId, e.sessionId);
    EXPECT_EQ(options.newSession, e.newSession);
    EXPECT_EQ(options.shellGiven, e.shellGiven);
  }
}

TEST(TermOptions, ParserRejectionsCarryTheParserText) {
  const struct {
    std::vector<const char*> arguments;
    const char* mentions;
  } cases[] = {
      {{"--bogus", "h"}, "bogus"},
      {{"h", "--shell"}, "shell"},
      {{"--help", "--bogus"}, "bogus"},  // an unknown option wins over help
  };
  for (const auto& c : cases) {
    TermOptions options;
    bool showedHelp = false;
    QString error;
    OutputCapture capture;
    EXPECT_FALSE(parseTermOptions(toList(c.arguments), options, showedHelp, error));
    EXPECT_FALSE(showedHelp);
    EXPECT_TRUE(error.contains(QLatin1String(c.mentions))) << error.toStdString();
    EXPECT_EQ(capture.out(), "");
  }
}

TEST(TermOptions, HelpPrintsTheTermUsageAndLeavesTheRecord) {
  std::string usage;
  {
    OutputCapture capture;
    printTermUsage();
    usage = capture.out();
  }
  ASSERT_FALSE(usage.empty());
  for (const std::vector<const char*>& arguments :
       {std::vector<const char*>{"--help"}, {"-h"}, {"myhost", "--shell", "zsh", "--help"}}) {
    TermOptions options;
    bool showedHelp = false;
    QString error;
    OutputCapture capture;
    EXPECT_TRUE(parseTermOptions(toList(arguments), options, showedHelp, error));
    EXPECT_TRUE(showedHelp);
    EXPECT_EQ(capture.out(), usage);
    EXPECT_EQ(capture.err(), "");
    EXPECT_TRUE(options.deviceName.isEmpty());
    EXPECT_EQ(options.shell, QStringLiteral("powershell"));
    EXPECT_FALSE(options.shellGiven);
  }
}

}  // namespace
