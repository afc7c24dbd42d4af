// The page driver's Windows world: the Outlook stand-in runs the real PPBellnest.dll (and the
// add-ins) on the simulated profile and drives the page as a user would. `open` is Tools >
// Options; ticks, expansions and clicks are real mouse messages at the controls; what is shown
// is read back from the real controls, the registry and the log file. Message boxes and the
// About dialog are answered like a user would (their default button) and recorded.
#pragma once

#include <memory>

#include "tools/page_driver.h"

namespace bellnest::standin {

std::unique_ptr<tools::DriverWorld> MakeWindowsWorld();

// The Options dialog for a person, on the profile the options name, until it is closed.
int RunInteractive(const tools::DriverOptions& options);

}  // namespace bellnest::standin
