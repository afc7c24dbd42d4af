// Every host call of a whole page session, made to fail in turn. A clean session on the sample
// mailbox (open, paint, expand a folder, tick it with Include Subfolders, apply, close) is
// recorded; then, in a fresh world for each recorded call, that one call fails. Whatever
// fails, the page must not crash or throw, must leave the Reminders search running (every Stop
// followed by a Start), must never delete the product's options, and must release every host
// object when it closes.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "sim/page_host.h"
#include "support/shared_state.h"

namespace bellnest::testing_support {
namespace {

constexpr const char* kFolder = "Inbox";
constexpr const char* kTicked = "Inbox/Projects";

// The registry as the page sees it, checking after every call that the product's options are
// still there.
class OptionsGuard final : public RegistryApi {
 public:
  explicit OptionsGuard(sim::MemoryRegistry& registry) : registry_(registry) {}

  int32_t RegOpenKeyA(RegKey key, const std::string& subKey, RegKey* result) override {
    return Check(registry_.RegOpenKeyA(key, subKey, result));
  }
  int32_t RegCreateKeyA(RegKey key, const std::string& subKey, RegKey* result) override {
    return Check(registry_.RegCreateKeyA(key, subKey, result));
  }
  int32_t RegQueryValueExA(RegKey key, const std::string& valueName, uint32_t* type, uint8_t* data,
                           uint32_t* dataSize) override {
    return Check(registry_.RegQueryValueExA(key, valueName, type, data, dataSize));
  }
  int32_t RegSetValueExA(RegKey key, const std::string& valueName, uint32_t type, const uint8_t* data,
                         uint32_t dataSize) override {
    return Check(registry_.RegSetValueExA(key, valueName, type, data, dataSize));
  }
  int32_t RegCloseKey(RegKey key) override { return Check(registry_.RegCloseKey(key)); }
  int32_t RegDeleteKeyA(RegKey key, const std::string& subKey) override {
    return Check(registry_.RegDeleteKeyA(key, subKey));
  }

  bool OptionsPresent() const {
    return registry_.GetValue(kHkeyCurrentUser, kProductKeyPath, "IncludeSubfolders") &&
           registry_.GetValue(kHkeyCurrentUser, kProductKeyPath, "DisableDefaultFolders");
  }
  int Losses() const { return losses_; }

 private:
  int32_t Check(int32_t result) {
    if (!OptionsPresent()) ++losses_;
    return result;
  }
  sim::MemoryRegistry& registry_;
  int losses_ = 0;
};

struct SessionOutcome {
  bool Threw = false;
  std::vector<sim::HostCall> Calls;
  bool SearchRunning = false;
  int OptionLosses = 0;
  bool OptionsPresent = false;
  int LiveAfterClose = 0;
  int LiveAfterReset = 0;
  bool OutlookAppObtained = false;
};

// One session in a fresh world, with the given faults.
SessionOutcome RunSession(const std::vector<sim::FaultRule>& faults) {
  SessionOutcome outcome;
  ResetSharedState();
  sim::NativeWorld world;
  sim::SimulatedOutlook outlook;
  for (const sim::FaultRule& rule : faults) EXPECT_TRUE(outlook.AddFault(rule).Ok());
  // Include Subfolders is on, so the tick cascades; both options exist from the start.
  const std::string one("\x01\0\0\0", 4);
  const std::string zero("\0\0\0\0", 4);
  world.Registry().SetValue(kHkeyCurrentUser, kProductKeyPath, "IncludeSubfolders", reg::kDword, one);
  world.Registry().SetValue(kHkeyCurrentUser, kProductKeyPath, "DisableDefaultFolders", reg::kDword, zero);
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
      (void)host.Expand(kFolder, true);
      (void)host.Tick(kTicked, true);
      host.Apply();
      host.Close();
    } catch (...) {
      outcome.Threw = true;
    }
    outcome.OptionLosses = guard.Losses();
    outcome.OptionsPresent = guard.OptionsPresent();
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

// Whether every successful Stop of the Reminders search is followed by a Start.
bool EveryStopFollowedByStart(const std::vector<sim::HostCall>& calls) {
  bool stopped = false;
  for (const sim::HostCall& call : calls) {
    if (IsCall(call, sim::kind::kRdoSearchFolder, "Stop") && call.Ok) stopped = true;
    if (IsCall(call, sim::kind::kRdoSearchFolder, "Start")) stopped = false;
  }
  return !stopped;
}

TEST(PageFaultSweep, TheCleanSessionMeetsTheSameChecks) {
  const SessionOutcome clean = RunSession({});
  EXPECT_FALSE(clean.Threw);
  EXPECT_TRUE(clean.SearchRunning);
  EXPECT_TRUE(EveryStopFollowedByStart(clean.Calls));
  EXPECT_EQ(clean.OptionLosses, 0);
  EXPECT_EQ(clean.LiveAfterClose, 0);
  // The session reaches every part of the page: the tick's cascade and Apply's scope edits.
  int removes = 0;
  for (const sim::HostCall& call : clean.Calls) removes += IsCall(call, sim::kind::kRdoSearchContainers, "Remove");
  EXPECT_EQ(removes, 4);
  EXPECT_GT(clean.Calls.size(), 100u);
}

TEST(PageFaultSweep, EachHostCallFailingInTurnLeavesThePageSafe) {
  const SessionOutcome clean = RunSession({});
  ASSERT_FALSE(clean.Threw);

  std::map<std::pair<std::string, std::string>, int> seen;
  int runs = 0;
  for (const sim::HostCall& call : clean.Calls) {
    const int nth = ++seen[{call.Kind, call.Method}];
    sim::FaultRule rule = sim::MakeFault(call.Kind, call.Method);
    rule.Nth = nth;
    SCOPED_TRACE(call.Kind + "." + call.Method + " call #" + std::to_string(nth) + " fails");
    const SessionOutcome run = RunSession({rule});
    ++runs;

    EXPECT_FALSE(run.Threw);
    // The fault was really met.
    bool tripped = false;
    for (const sim::HostCall& c : run.Calls) tripped |= IsCall(c, call.Kind, call.Method) && !c.Ok;
    EXPECT_TRUE(tripped);

    EXPECT_TRUE(EveryStopFollowedByStart(run.Calls));
    // A failing Start cannot restart the search, but the page did call it.
    if (!IsCall(call, sim::kind::kRdoSearchFolder, "Start")) {
      EXPECT_TRUE(run.SearchRunning);
    }

    EXPECT_EQ(run.OptionLosses, 0);
    EXPECT_TRUE(run.OptionsPresent);

    if (run.OutlookAppObtained) {
      EXPECT_EQ(run.LiveAfterClose, 0);
    } else {
      // Without Outlook's Application, shut-down does nothing by design: what start-up opened
      // stays with the thread's shared state until the next start-up replaces it.
      EXPECT_TRUE(IsCall(call, sim::kind::kPropertyPageSite, "Application"));
      EXPECT_EQ(run.LiveAfterReset, 0);
    }
  }
  EXPECT_EQ(runs, static_cast<int>(clean.Calls.size()));
}

}  // namespace
}  // namespace bellnest::testing_support
