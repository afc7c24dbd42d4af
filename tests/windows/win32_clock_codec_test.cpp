// The clock follows the user's regional formats, and the code page is the prefix's ANSI one.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "platform/win32/win32_codec.h"
#include "platform/win32/windows_api.h"
#include "windows/win32_test_world.h"

namespace bellnest::win32 {
namespace {

// Sets one of the user's regional formats for the test and puts the old one back after it.
class UserFormat {
 public:
  UserFormat(LCTYPE type, const char* value) : type_(type) {
    char old[128] = {};
    if (::GetLocaleInfoA(LOCALE_USER_DEFAULT, type, old, sizeof old) > 0) old_ = old;
    set_ = ::SetLocaleInfoA(LOCALE_USER_DEFAULT, type, value) != FALSE;
  }
  ~UserFormat() {
    if (set_ && !old_.empty()) ::SetLocaleInfoA(LOCALE_USER_DEFAULT, type_, old_.c_str());
  }
  UserFormat(const UserFormat&) = delete;
  UserFormat& operator=(const UserFormat&) = delete;
  bool Set() const { return set_; }

 private:
  LCTYPE type_;
  std::string old_;
  bool set_ = false;
};

TEST_F(Win32Test, NowIsTheShortDateAndLongTimeOfTheUsersRegionalSettings) {
  const char* formats[][3] = {{"yyyy'/'MM'/'dd", "HH'h'mm'm'ss", R"(\d{4}/\d{2}/\d{2} \d{2}h\d{2}m\d{2})"},
                              {"d.M.yy", "h:mm:ss tt", R"(\d{1,2}\.\d{1,2}\.\d{2} \d{1,2}:\d{2}:\d{2} (AM|PM))"}};
  for (const auto& [dateFormat, timeFormat, pattern] : formats) {
    const UserFormat date(LOCALE_SSHORTDATE, dateFormat);
    const UserFormat time(LOCALE_STIMEFORMAT, timeFormat);
    ASSERT_TRUE(date.Set() && time.Set());
    const std::string now = Clock().NowText();
    EXPECT_TRUE(std::regex_match(now, std::regex(pattern))) << now;
    if (std::string_view(dateFormat) != "yyyy'/'MM'/'dd") continue;
    // And it is now: the date of today's local clock.
    SYSTEMTIME today = {};
    ::GetLocalTime(&today);
    char expectedDate[16] = {};
    snprintf(expectedDate, sizeof expectedDate, "%04u/%02u/%02u", today.wYear, today.wMonth, today.wDay);
    EXPECT_EQ(now.substr(0, 10), expectedDate) << "unless the test ran across midnight";
  }
}

TEST(Win32Codec, WideConversionsCarryEveryCharacter) {
  const std::string text = "Ren\u00e9e \u4e2d\u6587 \U0001F600";
  EXPECT_EQ(Utf8ToWide(text), L"Ren\u00e9e \u4e2d\u6587 \U0001F600");
  EXPECT_EQ(WideToUtf8(Utf8ToWide(text)), text);
  EXPECT_EQ(WideToUtf8(L""), "");
  // Malformed UTF-8 does not stop the conversion.
  EXPECT_EQ(WideToUtf8(Utf8ToWide("a\xFF"
                                  "b")),
            "a\uFFFD"
            "b");
}

}  // namespace
}  // namespace bellnest::win32
