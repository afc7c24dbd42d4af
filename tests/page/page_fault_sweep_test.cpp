// Every host call of a whole page session, made to fail in turn. A clean session on the sample
// mailbox (open, paint, expand a folder, tick it with Include Subfolders, apply, close) is
// recorded; then, in a fresh world for each recorded call, that one call fails. Whatever
// fails, the page must not throw, must leave the Reminders search running (every Stop followed
// by a Start), must never delete the product's options, and must release every host object by
// the end of its Terminate.
#include <gtest/gtest.h>

#include <utility>

#include "common/fault_sweep.h"
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
    for (const char* name : kSweptOptions)
      if (!r_.GetValue(kHkeyCurrentUser, kProductKeyPath, name)) return false;
    return true;
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
  int LiveAtTerminate = 0;
  int LiveAfterReset = 0;
};

// One session in a fresh world, with the given fault (or none).
SessionOutcome RunSession(const sim::FaultRule* fault) {
  SessionOutcome outcome;
  ResetSharedState();
  sim::NativeWorld world;
  sim::SimulatedOutlook outlook;
  if (fault) {
    EXPECT_TRUE(outlook.AddFault(*fault).Ok());
  }
  // Include Subfolders is on, so the tick cascades; both options exist from the start.
  world.Registry().SetValue(kHkeyCurrentUser, kProductKeyPath, "IncludeSubfolders", reg::kDword, {"\x01\0\0\0", 4});
  world.Registry().SetValue(kHkeyCurrentUser, kProductKeyPath, "DisableDefaultFolders", reg::kDword, {"\0\0\0\0", 4});
  {
    sim::PageHost host(world, outlook);
    OptionsGuard guard(world.Registry());
    Platform guarded = CurrentPlatform();
    guarded.Registry = &guard;
    ScopedPlatform scoped(guarded);
    bool opened = false;
    outcome.Threw = !RunSweptSession(host, [&] {
      if (!std::exchange(opened, true)) outcome.OutlookAppObtained = State().OutlookApp != nullptr;
    });
    outcome.OptionLosses = guard.losses + !guard.OptionsPresent();
    outcome.LiveAtTerminate = host.LiveAtTerminate();
  }
  outcome.Calls = outlook.Calls();
  outcome.SearchRunning = outlook.SearchRunning();
  ResetSharedState();
  outcome.LiveAfterReset = outlook.LiveObjects();
  return outcome;
}

TEST(PageFaultSweep, EachHostCallFailingInTurnLeavesThePageSafe) {
  const SessionOutcome clean = RunSession(nullptr);
  ASSERT_FALSE(clean.Threw);
  ASSERT_NO_FATAL_FAILURE(ExpectWholeSession(clean.Calls));

  const std::vector<sim::FaultRule> faults = SweepFaults(clean.Calls);
  for (size_t n = 0; n <= faults.size(); ++n) {
    const sim::FaultRule* fault = n < faults.size() ? &faults[n] : nullptr;  // the last run is clean
    SCOPED_TRACE(FaultName(fault));
    const SessionOutcome run = RunSession(fault);
    EXPECT_FALSE(run.Threw);
    ExpectSearchRestarted(fault, run.Calls, run.SearchRunning);
    EXPECT_EQ(run.OptionLosses, 0);
    if (run.OutlookAppObtained) {
      EXPECT_EQ(run.LiveAtTerminate, 0);
    } else {
      // Without Outlook's Application, shut-down does nothing by design: what start-up opened
      // stays with the thread's shared state until the next start-up replaces it.
      EXPECT_TRUE(fault && fault->Kind == sim::kind::kPropertyPageSite && fault->Method == "Application");
      EXPECT_EQ(run.LiveAfterReset, 0);
    }
  }
}

}  // namespace
}  // namespace bellnest::testing_support
