#include "rezizezevud_cmd/signal_safe_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>

namespace {

std::string text(const SignalSafeText& t) { return std::string(t.data(), t.size()); }

TEST(SignalSafeText, UtcTimesAcrossMonthYearAndLeapDayBoundaries) {
  struct Case {
    std::int64_t seconds;
    int millis;
    const char* expected;
  };
  const Case cases[] = {
      {0, 0, "1970-01-01T00:00:00.000Z"},
      {946684799, 999, "1999-12-31T23:59:59.999Z"},
      {951782400, 7, "2000-02-29T00:00:00.007Z"},  // a century year that is a leap year
      {4107542400, 42, "2100-03-01T00:00:00.042Z"},  // and one that is not
      {1709210096, 789, "2024-02-29T12:34:56.789Z"},
      {1741944615, 42, "2025-03-14T09:30:15.042Z"},
  };
  for (const Case& c : cases) {
    char buffer[64];
    SignalSafeText t(buffer, sizeof buffer);
    t.appendUtcTime(c.seconds, c.millis);
    EXPECT_EQ(text(t), c.expected) << c.seconds;
  }
}

TEST(SignalSafeText, NumbersInDecimalAndHex) {
  char buffer[128];
  SignalSafeText t(buffer, sizeof buffer);
  t.appendDecimal(0).append(" ").appendDecimal(18446744073709551615u).append(" ");
  t.appendHex(0).append(" ").appendHex(0xdeadbeef0042u);
  EXPECT_EQ(text(t), "0 18446744073709551615 0 deadbeef0042");
}

TEST(SignalSafeText, DropsWhatDoesNotFitAndNeverWritesPastTheBuffer) {
  char buffer[12];
  std::fill(std::begin(buffer), std::end(buffer), '#');
  SignalSafeText t(buffer, 8);
  t.append("signal: ").appendDecimal(11).append(" SIGSEGV").appendUtcTime(0, 0);
  EXPECT_EQ(text(t), "signal: ");
  EXPECT_EQ(std::string(buffer + 8, 4), "####");
  t.clear();
  t.append("abc", 2).appendDecimal(123456789);
  EXPECT_EQ(text(t), "ab123456");
}

}  // namespace
