// GetDateFormatA and GetTimeFormatA on one reading of the local time, so that a report made
// at midnight cannot join one day's date to the next day's time.
#include "platform/win32/win32_clock.h"

#include "platform/win32/windows_api.h"

namespace bellnest::win32 {

namespace {

template <class Format>
std::string Formatted(Format format) {
  const int size = format(nullptr, 0);
  if (size <= 0) return {};
  std::string text(static_cast<size_t>(size), '\0');
  const int length = format(text.data(), size);
  if (length <= 0) return {};
  text.resize(static_cast<size_t>(length) - 1);  // the count includes the terminating NUL
  return text;
}

}  // namespace

std::string Win32Clock::NowText() {
  SYSTEMTIME now = {};
  ::GetLocalTime(&now);
  const std::string date = Formatted([&now](char* buffer, int size) {
    return ::GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &now, nullptr, buffer, size);
  });
  const std::string time = Formatted(
      [&now](char* buffer, int size) { return ::GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &now, nullptr, buffer, size); });
  if (date.empty() || time.empty()) return {};
  return codec_.FromAnsi(date + ' ' + time);
}

}  // namespace bellnest::win32
