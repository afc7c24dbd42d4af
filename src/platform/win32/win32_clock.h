// The Windows world's clock: now, as text in the user's regional short-date and long-time
// formats, the way the run-time turns the current date and time into a string.
#pragma once

#include <string>

#include "support/shell_api.h"

namespace bellnest::win32 {

class Win32Clock final : public ClockApi {
 public:
  // The formats come out in the ANSI code page; codec turns them into core text.
  explicit Win32Clock(TextCodec& codec) : codec_(codec) {}
  // Empty when Windows cannot format the time.
  std::string NowText() override;

 private:
  TextCodec& codec_;
};

}  // namespace bellnest::win32
