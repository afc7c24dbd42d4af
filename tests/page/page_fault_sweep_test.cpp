// Every host call of a whole page session, made to fail in turn. A clean session on the sample
// mailbox (open, paint, expand a folder, tick it with Include Subfolders, apply, close) is
// recorded; then, in a fresh world for each recorded call, that one call fails. Whatever
// fails, the page must not throw, must leave the Reminders search running (every Stop followed
// by a Start), must never delete the product's options, and must release every host object.
#include <gtest/gtest.h>

#include <map>

#include "sim/page_host.h"
#include "support/shared_state.h"

namespace bellnest::testing_support {
namespace {

// The registry as the page sees it, counting the calls after which the options were missing.
class OptionsGuard final : public RegistryApi {
 public:
  explicit OptionsGuard(sim::MemoryRegistry& registry) : r_(registry) {}
  int32_t RegOpenKeyA(RegKey k, const std::string& s, RegKey* out) override { return Check(r_.RegOpenKeyA(k, s, out)); }
  int32_t RegCreateKeyA(RegKey k, const std::string& s, RegKey* out) override {
    return Check(r_.RegCreateKeyA(k, s, out));
  }
  int32_t RegQueryValueExA(RegKey k, const std::string& n, uint32_t* t, uint8_t* d, uint32_t* size) override {
    return Check(r_.RegQueryValueExA(k, n, t, d, size));
  }
  int32_t RegSetValueExA(RegKey k, const std::string& n, uint32_t t, const uint8_t* d, uint32_t size) override {
    return Check(r_.RegSetValueExA(k, n, t, d, size));
  }
  int32_t RegCloseKey(RegKey k) override { return Check(r_.RegCloseKey(k)); }
  int32_t RegDeleteKeyA(RegKey k, const std::string& s) override { return Check(r_.RegDeleteKeyA(k, s)); }
  bool OptionsPresent() const {
    return r_.GetValue(kHkeyCurrentUser, kProductKeyPath, "IncludeSubfolders") &&
           r_.GetValue(kHkeyCurrentUser, kProductKeyPath, "DisableDefaultFolders");
  }
  int losses = 0;

 private:
  int32_t Check(int32_t result) {
    losses += !OptionsPresent();
    return result;
  }
  sim::MemoryRegistry& r_;
};

struct SessionOutcome {
  bool Threw = false;
  std::vector<sim::HostCall> Calls;
  bool SearchRunning = false;
  int OptionLosses = 0;
  bool OutlookAppObtained = false;
  int LiveAfterClose = 0;
  int LiveAfterReset = 0;
};

// One session in a fresh world, with the given faults.
SessionOutcome RunSession(const std::vector<sim::FaultRule>& faults) {
  SessionOutcome outcome;
  ResetSharedState();
  sim::NativeWorld world;
  sim::SimulatedOutlook outlook;
  for (const sim::FaultRule& rule : faults) EXPECT_TRUE(outlook.AddFault(rule).Ok());
  // Include Subfolders is on, so the tick cascades; both options exist from the start.
  world.Registry().SetValue(kHkeyCurrentUser, kProductKeyPath, "IncludeSubfolders", reg::kDword, {"\x01\0\0\0", 4});
  world.Registry().SetValue(kHkeyCurrentUser, kProductKeyPath, "DisableDefaultFolders", reg::kDword, {"\0\0\0\0", 4});
  {
    sim::PageHost host(world, outlook);
    OptionsGuard guard(world.Registry());
    Platform guarded = CurrentPlatform();
    guarded.Registry = &guard;
    ScopedPlatform scoped(guarded);
    try {
      host.Open();
      outcome.OutlookAppObtained = State().OutlookApp != nullptr;
      host.Paint();
      (void)host.Expand("Inbox", true);
      (void)host.Tick("Inbox/Projects", true);
      host.Apply();
      host.Close();
    } catch (...) {
      outcome.Threw = true;
    }
    outcome.OptionLosses = guard.losses + !guard.OptionsPresent();
  }
  outcome.Calls = outlook.Calls();
  outcome.SearchRunning = outlook.SearchRunning();
  outcome.LiveAfterClose = outlook.LiveObjects();
  ResetSharedState();
  outcome.LiveAfterReset = outlook.LiveObjects();
  return outcome;
}

bool IsCall(const sim::HostCall& call, std::string_view kindName, std::string_view method) {
  return call.Kind == kindName && call.Method == method;
}

TEST(PageFaultSweep, EachHostCallFailingInTurnLeavesThePageSafe) {
  const SessionOutcome clean = RunSession({});
  ASSERT_FALSE(clean.Threw);
  // The clean session reaches every part of the page: the tick's cascade and Apply's scope edits.
  int removes = 0;
  for (const sim::HostCall& call : clean.Calls) removes += IsCall(call, sim::kind::kRdoSearchContainers, "Remove");
  EXPECT_EQ(removes, 4);
  ASSERT_GT(clean.Calls.size(), 100u);

  std::map<std::pair<std::string, std::string>, int> seen;
  for (size_t n = 0; n <= clean.Calls.size(); ++n) {
    std::vector<sim::FaultRule> faults;
    const sim::HostCall* failing = n < clean.Calls.size() ? &clean.Calls[n] : nullptr;  // the last run is clean
    if (failing) {
      faults.push_back(sim::MakeFault(failing->Kind, failing->Method));
      faults.back().Nth = ++seen[{failing->Kind, failing->Method}];
    }
    SCOPED_TRACE(failing ? failing->Kind + "." + failing->Method + " call #" + std::to_string(faults[0].Nth) + " fails"
                         : std::string("no fault"));
    const SessionOutcome run = RunSession(faults);
    EXPECT_FALSE(run.Threw);
    bool tripped = !failing;  // the fault was really met
    bool stopped = false;     // a successful Stop not yet followed by a Start
    for (const sim::HostCall& c : run.Calls) {
      tripped |= failing && IsCall(c, failing->Kind, failing->Method) && !c.Ok;
      if (IsCall(c, sim::kind::kRdoSearchFolder, "Stop") && c.Ok) stopped = true;
      if (IsCall(c, sim::kind::kRdoSearchFolder, "Start")) stopped = false;
    }
    EXPECT_TRUE(tripped);
    EXPECT_FALSE(stopped);
    // A failing Start cannot restart the search, but the page did call it.
    if (!failing || !IsCall(*failing, sim::kind::kRdoSearchFolder, "Start")) {
      EXPECT_TRUE(run.SearchRunning);
    }
    EXPECT_EQ(run.OptionLosses, 0);
    if (run.OutlookAppObtained) {
      EXPECT_EQ(run.LiveAfterClose, 0);
    } else {
      // Without Outlook's Application, shut-down does nothing by design: what start-up opened
      // stays with the thread's shared state until the next start-up replaces it.
      EXPECT_TRUE(failing && IsCall(*failing, sim::kind::kPropertyPageSite, "Application"));
      EXPECT_EQ(run.LiveAfterReset, 0);
    }
  }
}

}  // namespace
}  // namespace bellnest::testing_support
