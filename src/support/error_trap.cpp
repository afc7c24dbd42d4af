// Reporting from a trap goes through the one log writer.
#include "support/error_trap.h"

#include "support/error_log.h"

namespace bellnest {

void ErrorTrap::Report(std::string_view context) {
  LogError(Error(), module_, procedure_, context);
  Clear();
}

bool ErrorTrap::ReportIfPending(std::string_view context) {
  if (!Pending()) return false;
  Report(context);
  return true;
}

}  // namespace bellnest
