#include "rezizezevud_cmd/crash_options.h"

#include <gtest/gtest.h>

#include "logutil/log_util.h"

namespace {

TEST(CrashOptions, ExecutableInAFolderGetsItsDatabaseAndTheRunsLogAttached) {
  const CrashReportingOptions options =
      makeCrashReportingOptions(QStringLiteral("/A/B/"), std::filesystem::path("/A/log/orrinctl"));
  EXPECT_EQ(options.dsn, ORRINCTL_SENTRY_DSN);
  EXPECT_EQ(options.handlerPath, "/A/B/crashpad_handler");
  ASSERT_TRUE(options.databasePath.has_value());
  EXPECT_EQ(options.databasePath->string(), "/A/log/orrinctl/Sentry");
  ASSERT_TRUE(options.attachment.has_value());
  EXPECT_EQ(options.attachment->string(), "/A/log/orrinctl/Log/log_" + runTag() + ".txt");
  // Logging opens <log directory>/<log file name>, with the log directory <data>/Log.
  const std::filesystem::path logDirectory = std::filesystem::path("/A/log/orrinctl") / "Log";
  EXPECT_EQ(options.attachment->string(), (logDirectory / makeLogFileName()).string());
  EXPECT_EQ(options.release, "4.33.0.8907");
  EXPECT_EQ(options.environment, "orrinctl_prod");
}

TEST(CrashOptions, UnreadableExecutablePathLeavesOnlyTheBareHandlerName) {
  const CrashReportingOptions options = makeCrashReportingOptions(QString(), std::filesystem::path());
  EXPECT_EQ(options.handlerPath, "crashpad_handler");
  EXPECT_FALSE(options.databasePath.has_value());
  EXPECT_FALSE(options.attachment.has_value());
  EXPECT_EQ(options.release, "4.33.0.8907");
  EXPECT_EQ(options.environment, "orrinctl_prod");
}

}  // namespace
