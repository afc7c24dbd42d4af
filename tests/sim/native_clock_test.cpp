// The clock's text is the US English short date and long time the log's first line shows.
#include "sim/native_clock.h"

#include <gtest/gtest.h>

#include <regex>

namespace bellnest::sim {
namespace {

struct ClockCase {
  LocalDateTime Time;
  const char* Text;
};

class ClockText : public testing::TestWithParam<ClockCase> {};

TEST_P(ClockText, FollowsUsShortDateAndLongTime) {
  NativeClock clock;
  clock.Set(GetParam().Time);
  EXPECT_EQ(clock.NowText(), GetParam().Text);
}

INSTANTIATE_TEST_SUITE_P(NativeClock, ClockText,
                         testing::Values(ClockCase{{2026, 12, 5, 20, 58, 32}, "12/5/2026 8:58:32 PM"},
                                         ClockCase{{2003, 1, 9, 0, 5, 9}, "1/9/2003 12:05:09 AM"},
                                         ClockCase{{2003, 7, 31, 12, 0, 0}, "7/31/2003 12:00:00 PM"},
                                         ClockCase{{1999, 11, 30, 11, 59, 59}, "11/30/1999 11:59:59 AM"}));

TEST(NativeClock, RunsOnTheRealLocalTimeUnlessSet) {
  NativeClock clock;
  clock.Set({2003, 1, 9, 0, 5, 9});
  clock.UseRealTime();
  const std::string text = clock.NowText();
  EXPECT_TRUE(std::regex_match(text, std::regex(R"(\d{1,2}/\d{1,2}/\d{4} \d{1,2}:\d\d:\d\d (AM|PM))"))) << text;
  EXPECT_NE(text, "1/9/2003 12:05:09 AM");
  EXPECT_GE(clock.Now().Year, 2024);
}

}  // namespace
}  // namespace bellnest::sim
