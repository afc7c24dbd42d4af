// The core's start-up and shut-down on the Windows seams, once against the simulated profile
// directly and once through the IDispatch adapters into the same profile behind COM: the
// stored reminder set, the log, the search scope and the calls made are the same, and every
// simulated object is released after shut-down.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "com/host_adapters.h"
#include "reminder_folders/reminders_collection.h"
#include "session/outlook_session.h"
#include "sim/profile/simulated_outlook.h"
#include "standin/standin.h"
#include "support/error_log.h"
#include "support/local_data_folder.h"
#include "support/shared_state.h"
#include "windows/win32_test_world.h"

namespace bellnest {
namespace {

// The RDO session of the stand-in, reached without the ProgID (other tests own that key).
class StandinRdo final : public RdoFactory {
 public:
  explicit StandinRdo(sim::SimulatedOutlook& outlook) : outlook_(outlook) {}
  Result<RdoSessionPtr> CreateSession(const std::string&) override {
    Result<com::ComPtr<IDispatch>> session = standin::CreateRdoSession(outlook_);
    if (!session) return session.Error();
    return com::WrapRdoSession(session.Value().Get());
  }

 private:
  sim::SimulatedOutlook& outlook_;
};

struct Outcome {
  std::string Stored;  // ReminderFolders and StoreID as stored
  std::string Log;     // the entries without their time stamps
  std::vector<std::string> Containers, Scope, History, Logons;
  std::string Calls;
  int Live = -1;

  friend bool operator==(const Outcome&, const Outcome&) = default;
};

std::string WithoutTimes(const std::string& log) {
  std::string out;
  size_t start = 0;
  while (start < log.size()) {
    size_t end = log.find('\n', start);
    end = end == std::string::npos ? log.size() : end + 1;
    if (log.compare(start, 19, "An Error occurred: ") != 0) out.append(log, start, end - start);
    start = end;
  }
  return out;
}

struct Fault {
  const char* Kind;
  const char* Method;
  int32_t Number;
};

class StartUpThroughComLocalAppData : public win32::Win32Test, public testing::WithParamInterface<Fault> {
 protected:
  StartUpThroughComLocalAppData() { ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
  ~StartUpThroughComLocalAppData() override { ::CoUninitialize(); }

  // Two sessions of the page's start-up and shut-down: the first stores the set, the second
  // loads it back.
  Outcome Run(bool throughCom) {
    sim::SimulatedOutlook outlook;
    outlook.Model().ProfileName = "Adapters " + std::to_string(::GetCurrentProcessId());
    if (GetParam().Kind[0] != '\0') {
      sim::FaultRule rule = sim::MakeFault(GetParam().Kind, GetParam().Method, GetParam().Number);
      EXPECT_TRUE(outlook.AddFault(rule).Ok());
    }
    const std::string profileKey = std::string(kProductKeyPath) + "\\" + outlook.Model().ProfileName;
    const std::string logPath = AddBackslash(GetLocalDataFolder()) + kLogFileName;
    win32::DeleteKeyTree(kHkeyCurrentUser, profileKey);
    ::DeleteFileA(logPath.c_str());

    StandinRdo standinRdo(outlook);
    Platform platform = World().Seams();
    platform.Rdo = throughCom ? static_cast<RdoFactory*>(&standinRdo) : &outlook;
    Outcome outcome;
    {
      ScopedPlatform scoped(platform);
      for (int session = 0; session < 2; ++session) {
        ResetSharedState();
        State().OutlookApp =
            throughCom ? com::WrapApplication(standin::Application(outlook).Get()) : outlook.Application();
        State().OutlookOnline = true;
        InitHandler();
        ExitHandler();
      }
      ResetSharedState();
    }
    for (const char* value : {kReminderFoldersValue, kStoreIdValue}) {
      std::optional<RawRegValue> raw = World().ReadRawValue(kHkeyCurrentUser, profileKey, value);
      outcome.Stored += std::string(value) + "=" + (raw ? raw->Bytes : "(none)") + "\n";
    }
    outcome.Log = WithoutTimes(World().ReadFileBytes(logPath).value_or(""));
    outcome.Containers = outlook.SearchContainerPaths();
    outcome.Scope = outlook.EffectiveScopePaths();
    outcome.History = outlook.SearchHistory();
    outcome.Logons = outlook.Logons();
    outcome.Calls = outlook.CallTrace();
    outcome.Live = outlook.LiveObjects();
    win32::DeleteKeyTree(kHkeyCurrentUser, profileKey);
    ::DeleteFileA(logPath.c_str());
    return outcome;
  }
};

TEST_P(StartUpThroughComLocalAppData, StoresLogsAndScopesAsTheDirectCallsDo) {
  const Outcome direct = Run(false);
  const Outcome throughCom = Run(true);
  EXPECT_EQ(throughCom.Stored, direct.Stored);
  EXPECT_EQ(throughCom.Log, direct.Log);
  EXPECT_EQ(throughCom.Containers, direct.Containers);
  EXPECT_EQ(throughCom.Scope, direct.Scope);
  EXPECT_EQ(throughCom.History, direct.History);
  EXPECT_EQ(throughCom.Logons, direct.Logons);
  EXPECT_EQ(throughCom.Calls, direct.Calls);
  EXPECT_EQ(direct.Live, 0);
  EXPECT_EQ(throughCom.Live, 0);
  // The direct sessions did their work: without a fault a set was stored; a fault that ends
  // start-up leaves the options alone and logs its entry.
  if (GetParam().Kind[0] == '\0') {
    EXPECT_EQ(direct.Stored.find("(none)"), std::string::npos) << direct.Stored;
  } else {
    EXPECT_EQ(direct.Stored, "ReminderFolders=(none)\nStoreID=(none)\n");
    EXPECT_NE(direct.Log.find("Procedure:InitHandler"), std::string::npos) << direct.Log;
  }
}

INSTANTIATE_TEST_SUITE_P(Faults, StartUpThroughComLocalAppData,
                         testing::Values(Fault{"", "", 0}, Fault{"RDOStores", "DefaultStore", err::kMapiNetworkError},
                                         Fault{"RDOReminders", "SearchFolder", err::kMapiNotFound},
                                         Fault{"RDOSearchFolder", "SearchContainers", err::kMapiCallFailed}),
                         [](const testing::TestParamInfo<Fault>& info) {
                           return info.param.Kind[0] == '\0' ? std::string("None")
                                                             : std::string(info.param.Kind) + "_" + info.param.Method;
                         });

}  // namespace
}  // namespace bellnest
