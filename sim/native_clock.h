// The native world's clock: the real local time, or a time a test sets, as text in the US
// English short-date and long-time format the log's date line uses ("12/5/2026 8:58:32 PM").
#pragma once

#include <optional>
#include <string>

#include "support/shell_api.h"

namespace bellnest::sim {

struct LocalDateTime {
  int Year = 2000;
  int Month = 1;  // 1..12
  int Day = 1;
  int Hour = 0;  // 0..23
  int Minute = 0;
  int Second = 0;
};

class NativeClock final : public ClockApi {
 public:
  std::string NowText() override;

  // Stops the clock at the given time; UseRealTime lets it run again.
  void Set(const LocalDateTime& time) { fixed_ = time; }
  void UseRealTime() { fixed_.reset(); }
  LocalDateTime Now() const;

  // M/d/yyyy h:mm:ss AM|PM, as the run-time's Now converts to text under US English settings.
  static std::string Format(const LocalDateTime& time);

 private:
  std::optional<LocalDateTime> fixed_;
};

}  // namespace bellnest::sim
