// The local time and its US English text.
#include "sim/native_clock.h"

#include <cstdio>
#include <ctime>

namespace bellnest::sim {

LocalDateTime NativeClock::Now() const {
  if (fixed_) return *fixed_;
  const std::time_t now = std::time(nullptr);
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &now);
#else
  localtime_r(&now, &local);
#endif
  return LocalDateTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                       local.tm_hour,        local.tm_min,     local.tm_sec};
}

std::string NativeClock::NowText() { return Format(Now()); }

std::string NativeClock::Format(const LocalDateTime& time) {
  const int hour12 = time.Hour % 12 == 0 ? 12 : time.Hour % 12;
  char text[48];
  std::snprintf(text, sizeof text, "%d/%d/%d %d:%02d:%02d %s", time.Month, time.Day, time.Year, hour12, time.Minute,
                time.Second, time.Hour < 12 ? "AM" : "PM");
  return text;
}

}  // namespace bellnest::sim
