#include "rezizezevud_cmd/legacy_options.h"

#include <gtest/gtest.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <memory>

#include "rezizezevud_cmd/help_texts.h"
#include "rezizezevud_cmd/testing/output_capture.h"

namespace {

// The parser's help names the program from the core application, so one must exist; another
// suite may already have made it.
class LegacyOptions : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (QCoreApplication::instance() == nullptr) {
      static int argc = 1;
      static char name[] = "orrinctl";
      static char* argv[] = {name, nullptr};
      ownApp_ = std::make_unique<QCoreApplication>(argc, argv);
    }
  }
  static void TearDownTestSuite() { ownApp_.reset(); }

  // A parser set up as the legacy route does, fed the words after the program path.
  static bool parse(QCommandLineParser& parser, const QStringList& words) {
    setUpLegacyParser(parser);
    return parser.parse(QStringList{"orrinctl"} + words);
  }

  static std::unique_ptr<QCoreApplication> ownApp_;
};

std::unique_ptr<QCoreApplication> LegacyOptions::ownApp_;

TEST_F(LegacyOptions, FirstSetOptionWinsByPrecedence) {
  struct Case {
    QStringList words;
    LegacyCommand command;
    QString value;
    QString verificationCode;
  };
  const Case cases[] = {
      {{"-d", "--connect", "dev1"}, LegacyCommand::kDeviceId, "", ""},
      {{"-b", "5", "--list-devices"}, LegacyCommand::kListDevices, "", ""},
      {{"-n", "dev1", "-c", "1234"}, LegacyCommand::kResetCustomCode, "1234", ""},
      {{"--connect", "dev1", "777"}, LegacyCommand::kConnect, "dev1", "777"},
      {{"--connect", "dev1"}, LegacyCommand::kConnect, "dev1", ""},
      {{"first", "-n", "Dev1", "second"}, LegacyCommand::kConnect, "Dev1", "first"},
      {{"-l", "true", "--set-bitrate-limit", "600"}, LegacyCommand::kSetBitrateLimit, "600", ""},
      {{"--disable-lite-punch", "false"}, LegacyCommand::kDisableLitePunch, "false", ""},
      {{}, LegacyCommand::kNone, "", ""},
      {{"device-x", "more"}, LegacyCommand::kNone, "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.words.join(QLatin1Char(' ')).toStdString());
    QCommandLineParser parser;
    ASSERT_TRUE(parse(parser, c.words)) << parser.errorText().toStdString();
    const LegacyChoice choice = chooseLegacyCommand(parser);
    EXPECT_EQ(choice.command, c.command);
    EXPECT_EQ(choice.value.toStdString(), c.value.toStdString());
    EXPECT_EQ(choice.verificationCode.toStdString(), c.verificationCode.toStdString());
  }
}

TEST_F(LegacyOptions, ParseErrorsIncludingQuestionMarkAndCapitalHelp) {
  struct Case {
    QStringList words;
    const char* error;
  };
  const Case cases[] = {
      {{"-?"}, "Unknown option '?'."},
      {{"--HELP"}, "Unknown option 'HELP'."},
      {{"--connect"}, "Missing value after '--connect'."},
  };
  for (const Case& c : cases) {
    QCommandLineParser parser;
    EXPECT_FALSE(parse(parser, c.words));
    EXPECT_EQ(parser.errorText().toStdString(), c.error);
  }
}

TEST(LegacyHelpRequest, OnlyExactHelpWordsAnywhere) {
  EXPECT_TRUE(isLegacyHelpRequest({"orrinctl", "--connect", "d1", "-h"}));
  EXPECT_TRUE(isLegacyHelpRequest({"orrinctl", "--help"}));
  EXPECT_TRUE(isLegacyHelpRequest({"-h"}));  // even as the program path
  for (const char* word : {"--HELP", "-H", "--help-all", "-?", "help"}) {
    EXPECT_FALSE(isLegacyHelpRequest({"orrinctl", word})) << word;
  }
}

TEST_F(LegacyOptions, HelpShowsVerificationCodeAndConnectDescriptionBelowIt) {
  QCommandLineParser parser;
  setUpLegacyParser(parser);
  OutputCapture capture;
  printLegacyHelp(parser);
  const std::string help = capture.out();
  EXPECT_EQ(capture.err(), "");

  EXPECT_NE(help.find(legacyDescription().toStdString() + "\n"), std::string::npos);
  EXPECT_EQ(help.back(), '\n');
  EXPECT_EQ(parser.helpText().toStdString().find("[verification_code]"), std::string::npos);

  const std::size_t connect = help.find("-n, --connect <device_id> [verification_code]");
  ASSERT_NE(connect, std::string::npos);
  const std::size_t lineEnd = help.find('\n', connect);
  EXPECT_EQ(help.find_first_not_of(' ', lineEnd + 1),
            help.find("Connect to remote device", connect));

  // Options in declaration order with their value names.
  std::size_t at = 0;
  for (const char* entry : {"-h, --help", "-v, --version", "-d, --device-id", "--list-devices",
                            "-c, --reset-custom-code <code>", "-n, --connect <device_id>",
                            "-b, --set-bitrate-limit <bitrate>",
                            "-l, --disable-lite-punch <disabled>"}) {
    const std::size_t found = help.find(entry, at);
    EXPECT_NE(found, std::string::npos) << entry;
    at = found == std::string::npos ? at : found;
  }
}

}  // namespace
