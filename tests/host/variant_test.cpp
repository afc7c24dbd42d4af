// The run-time conversions as registry reads and late-bound property reads feed them: text that
// CLng and CBool accept, the numbers they round, and what is a type mismatch or an overflow.
#include "host/variant.h"

#include <gtest/gtest.h>

namespace bellnest {
namespace {

constexpr int32_t kOverflow = 6;

struct LongCase {
  const char* Text;
  int32_t Expected;
};

class TextToLong : public testing::TestWithParam<LongCase> {};

TEST_P(TextToLong, ParsesDecimalTextAndRoundsHalfToEven) {
  const Result<int32_t> number = ToLong(std::string(GetParam().Text));
  ASSERT_TRUE(number.Ok()) << GetParam().Text;
  EXPECT_EQ(number.Value(), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(Variant, TextToLong,
                         testing::Values(LongCase{"1", 1}, LongCase{" 12 ", 12}, LongCase{"-7", -7}, LongCase{"+5", 5},
                                         LongCase{"2.5", 2}, LongCase{"3.5", 4}, LongCase{"-2.5", -2},
                                         LongCase{"0.5", 0}, LongCase{"1e3", 1000}, LongCase{".75", 1},
                                         LongCase{"2147483647", 2147483647}, LongCase{"-2147483648", -2147483647 - 1}));

class TextThatIsNotANumber : public testing::TestWithParam<const char*> {};

TEST_P(TextThatIsNotANumber, IsATypeMismatchForCLngAndCBool) {
  const std::string text = GetParam();
  EXPECT_EQ(ToLong(text).Error().Number, err::kTypeMismatch) << text;
  EXPECT_EQ(ToBoolean(text).Error().Number, err::kTypeMismatch) << text;
}

// The C library reads some of these as numbers; the run-time does not.
INSTANTIATE_TEST_SUITE_P(Variant, TextThatIsNotANumber,
                         testing::Values("", "   ", "abc", "12abc", "nan", "inf", "-Infinity", "0x1A", "1e", ".",
                                         "1.5x", "1e2x"));

TEST(Variant, NumbersOutOfRangeOverflow) {
  EXPECT_EQ(ToLong(std::string("2147483648")).Error().Number, kOverflow);
  EXPECT_EQ(ToLong(std::string("-2147483649")).Error().Number, kOverflow);
  EXPECT_EQ(ToLong(std::string("1e400")).Error().Number, kOverflow);
}

TEST(Variant, EmptyAndBooleansConvertAsTheRunTimeDoes) {
  EXPECT_EQ(ToLong(Variant{}).Value(), 0);
  EXPECT_EQ(ToLong(true).Value(), -1);
  EXPECT_EQ(ToLong(false).Value(), 0);
  EXPECT_EQ(ToText(Variant{}).Value(), "");
  EXPECT_EQ(ToText(true).Value(), "True");
  EXPECT_EQ(ToText(int32_t{-42}).Value(), "-42");
  EXPECT_FALSE(ToBoolean(Variant{}).Value());
  EXPECT_TRUE(ToBoolean(int32_t{2}).Value());
  EXPECT_TRUE(ToBoolean(int32_t{1}).Value());
  EXPECT_FALSE(ToBoolean(int32_t{0}).Value());
  EXPECT_TRUE(ToBoolean(std::string("TRUE")).Value());
  EXPECT_FALSE(ToBoolean(std::string("0")).Value());
}

TEST(Variant, AnObjectIsATypeMismatch) {
  const Variant object = DispatchPtr{};
  EXPECT_EQ(ToText(object).Error().Number, err::kTypeMismatch);
  EXPECT_EQ(ToLong(object).Error().Number, err::kTypeMismatch);
  EXPECT_EQ(ToBoolean(object).Error().Number, err::kTypeMismatch);
}

}  // namespace
}  // namespace bellnest
