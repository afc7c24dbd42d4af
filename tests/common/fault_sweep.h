// A whole page session with one host call failed, swept over every call of a clean session:
// the same session and the same properties in the native world and, through COM, under Wine.
// Each world runs the session its own way and checks what only it can see (host objects,
// registry access); the search's restart and the sweep's faults are shared here.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "sim/page_session.h"
#include "sim/profile/host_calls.h"

namespace bellnest::testing_support {

// The options the page must never delete, present (Include Subfolders on) before each session.
inline constexpr const char* kSweptOptions[] = {"IncludeSubfolders", "DisableDefaultFolders"};

// Open, paint, expand Inbox, tick Inbox/Projects (the tick cascades), apply, close; afterStep
// runs after each step. False when a step threw.
bool RunSweptSession(sim::PageSession& page, const std::function<void()>& afterStep = {});

// The clean session reaches every part of the page: the tick's cascade and Apply's scope edits.
void ExpectWholeSession(const std::vector<sim::HostCall>& calls);

// The faults of a sweep over a clean session's calls, in call order: each call at its own
// occurrence.
std::vector<sim::FaultRule> SweepFaults(const std::vector<sim::HostCall>& clean);

// "RDOSearchFolder.Stop call #2 fails"; "no fault" for null.
std::string FaultName(const sim::FaultRule* fault);

// What holds whatever failed: the fault was met, every successful Stop of the Reminders search
// was followed by a Start, and the search runs unless its Start was the call that failed.
void ExpectSearchRestarted(const sim::FaultRule* fault, const std::vector<sim::HostCall>& calls, bool searchRunning);

}  // namespace bellnest::testing_support
