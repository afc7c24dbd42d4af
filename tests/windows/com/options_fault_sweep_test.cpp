// The page fault sweep through COM: the real DLLs in the stand-in's Options dialog, the session
// driven by window messages, each host call the simulation serves failed in turn. Calls the
// page makes inside its own DLL or to Windows are not the simulation's and are not swept.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <map>

#include "common/fault_sweep.h"
#include "standin/standin.h"
#include "standin/windows_session.h"
#include "support/shared_state.h"
#include "windows/com/com_test_support.h"

namespace bellnest::testing_support {
namespace {

struct SweptRun {
  bool Completed = false;
  std::vector<sim::HostCall> Calls;
  bool SearchRunning = false;
  int OptionLosses = 0;
  int LiveHostObjects = 0;
};

bool OptionsPresent() {
  for (const char* name : kSweptOptions) {
    if (::RegGetValueA(HKEY_CURRENT_USER, kProductKeyPath, name, RRF_RT_REG_DWORD, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      return false;
  }
  return true;
}

class OptionsFaultSweep : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(::OleInitialize(nullptr)));
    ASSERT_EQ(page_.Install(TRUE, L"user"), S_OK);
    ASSERT_EQ(addin_.Install(TRUE, L"user"), S_OK);
  }
  void TearDown() override {
    addin_.Install(FALSE, L"user");
    page_.Install(FALSE, L"user");
    ::RegDeleteTreeA(HKEY_CURRENT_USER, kProductKeyPath);
    ::OleUninitialize();
  }

  // One Outlook start, Options session and exit on a fresh sample mailbox, Include Subfolders on.
  SweptRun RunSession(const sim::FaultRule* fault) {
    ::RegDeleteTreeA(HKEY_CURRENT_USER, kProductKeyPath);
    const DWORD on = 1, off = 0;
    ::RegSetKeyValueA(HKEY_CURRENT_USER, kProductKeyPath, "IncludeSubfolders", REG_DWORD, &on, sizeof on);
    ::RegSetKeyValueA(HKEY_CURRENT_USER, kProductKeyPath, "DisableDefaultFolders", REG_DWORD, &off, sizeof off);
    SweptRun run;
    sim::SimulatedOutlook outlook;
    if (fault) {
      EXPECT_TRUE(outlook.AddFault(*fault).Ok());
    }
    {
      std::unique_ptr<sim::PageSession> session = world_->NewSession(outlook);
      run.Completed = RunSweptSession(*session, [&] { run.OptionLosses += !OptionsPresent(); });
    }
    run.Calls = outlook.Calls();
    run.SearchRunning = outlook.SearchRunning();
    run.LiveHostObjects = outlook.LiveObjects();
    return run;
  }

  // A clean session, then one session for each fault that keep picks out of its calls.
  void Sweep(const std::function<bool(const sim::FaultRule&, int count)>& keep) {
    const SweptRun clean = RunSession(nullptr);
    ASSERT_TRUE(clean.Completed);
    ASSERT_NO_FATAL_FAILURE(ExpectWholeSession(clean.Calls));

    const auto start = std::chrono::steady_clock::now();
    std::map<std::pair<std::string, std::string>, int> counts;
    const std::vector<sim::FaultRule> all = SweepFaults(clean.Calls);
    for (const sim::FaultRule& fault : all) counts[{fault.Kind, fault.Method}] = fault.Nth;  // numbered in order
    size_t swept = 0;
    for (const sim::FaultRule& fault : all) {
      if (!keep(fault, counts[{fault.Kind, fault.Method}])) continue;
      ++swept;
      SCOPED_TRACE(FaultName(&fault));
      const SweptRun run = RunSession(&fault);
      EXPECT_TRUE(run.Completed);
      ExpectSearchRestarted(&fault, run.Calls, run.SearchRunning);
      EXPECT_EQ(run.OptionLosses, 0);
      // Without Outlook's Application the page's shut-down does nothing by design (as natively).
      if (fault.Kind != sim::kind::kPropertyPageSite || fault.Method != "Application") {
        EXPECT_EQ(run.LiveHostObjects, 0);
      }
    }
    std::printf("%zu calls in the clean session, %zu swept, %.1f s\n", clean.Calls.size(), swept,
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }

  com::Server page_{com::DllPath()};
  com::Server addin_{com::AddinPath()};
  std::unique_ptr<tools::DriverWorld> world_ = standin::MakeWindowsWorld();
};

TEST_F(OptionsFaultSweep, EachServedCallFailingInTurnLeavesThePageSafe) {
  Sweep([](const sim::FaultRule&, int) { return true; });
}

// The sweep in short, where sessions are slow (32-bit Wine under emulation): of every kind and
// method of host call, its first occurrence and its last.
TEST_F(OptionsFaultSweep, FirstAndLastCallOfEachKindFailingLeavesThePageSafe) {
  Sweep([](const sim::FaultRule& fault, int count) { return fault.Nth == 1 || fault.Nth == count; });
}

}  // namespace
}  // namespace bellnest::testing_support
