#include "rezizezevud_cmd/settings_values.h"

#include <gtest/gtest.h>

namespace {

TEST(BitrateLimit, TruncatesAndCaps) {
  struct Case {
    const char* value;
    int limit;
  };
  const Case cases[] = {
      {"0", 0},      {"0.4", 0},     {"0.5", 0},   {"1", 1},     {"12.9", 12},    {" 12.9 ", 12},
      {"\t7\n", 7},  {"+5", 5},      {"1e2", 100}, {"500", 500}, {"500.9", 500},  {"750", 500},
      {"1e12", 500}, {"1e308", 500}, {"inf", 500}, {"-0", 0},    {"499.99", 499},
  };
  for (const Case& c : cases) {
    const std::optional<int> limit = parseBitrateLimit(QString::fromUtf8(c.value));
    ASSERT_TRUE(limit.has_value()) << c.value;
    EXPECT_EQ(*limit, c.limit) << c.value;
  }
}

TEST(BitrateLimit, RefusesWhatIsNoLimit) {
  for (const char* value :
       {"-1", "-0.1", "-inf", "abc", "", " ", "12,5", "0x10", "1 2", "12abc", "nan", "NaN",
        // Out of the double range: the conversion itself fails.
        "1e400"}) {
    EXPECT_FALSE(parseBitrateLimit(QString::fromUtf8(value)).has_value()) << value;
  }
}

TEST(BitrateLimit, SentenceNamesTheLimitSent) {
  EXPECT_EQ(bitrateLimitSentence(0), "Bitrate limit reset to default (no limit)\n");
  EXPECT_EQ(bitrateLimitSentence(500), "Bitrate limit set to 500 Mbps\n");
  EXPECT_EQ(bitrateLimitSentence(12), "Bitrate limit set to 12 Mbps\n");
}

TEST(LitePunch, ReadsFourWordsOnly) {
  struct Case {
    const char* value;
    std::optional<bool> disabled;
  };
  const Case cases[] = {
      {"true", true},     {" TRUE ", true},     {"1", true},         {"\tTrue\n", true},
      {"false", false},   {"FaLsE", false},     {" 0 ", false},      {"yes", std::nullopt},
      {"", std::nullopt}, {"01", std::nullopt}, {"t", std::nullopt}, {"true false", std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(parseLitePunchDisabled(QString::fromUtf8(c.value)), c.disabled) << c.value;
  }
  EXPECT_EQ(litePunchSentence(true), "Lite punch mode disabled (kFull)\n");
  EXPECT_EQ(litePunchSentence(false), "Lite punch mode enabled (kLite)\n");
}

}  // namespace
