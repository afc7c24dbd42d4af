// Every host call of loading and saving the reminder set made to fail in turn. A clean run of
// start-up and shut-down on the sample mailbox (with a stored set and an extra container that
// is not in it) records the calls; then, from a fresh world each time, exactly the n-th call
// fails. In every run the search is restarted after its last stop, the options stay as they
// were, offline no stored folder is lost except through a failing comparison that the
// reconciliation prescribes to count as a match, and the log holds exactly the entries due.
//
// Which entry is due: errors pending during the reconciliation are cleared whenever a lookup
// in the set misses and before a container is pruned. In this scenario the last container
// pruned is Calendar, a member of the set, examined after Tasks, which is not a member, so
// every error before Calendar's examination is cleared at Tasks. A failure reaches the log
// only when nothing clears it afterwards: a comparison of Calendar with the default folders
// (Calendar's own lookup hits, so nothing clears), and the final Start. A failure while
// Calendar itself is read or opened leaves its key unknown, which counts as a miss and clears.
// Every failure in the save is reported, once.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "common/session_fixture.h"

namespace bellnest {
namespace {

using Paths = std::vector<std::string>;

constexpr const char* kUnopenable = "00E0E0E0";
constexpr const char* kOptionOn = "\x01\x00\x00\x00";

struct Observed {
  std::vector<sim::HostCall> Calls;
  size_t SaveBegin = 0;  // the first call of the shut-down
  nlohmann::json Log;
  std::optional<std::string> Stored;
  Paths StoredPaths;
  std::optional<std::string> IncludeSubfolders;
  std::optional<std::string> DisableDefaultFolders;
  bool IncludeFlag = false;
  bool DisableFlag = false;
  bool Running = false;
  int LiveObjects = 0;
};

// Positions in the clean run that tell the phases apart.
struct Landmarks {
  size_t SetBegin = 0;    // after start-up obtained the search containers
  size_t Stop = 0;        // the reconciliation's Stop
  size_t PruneBegin = 0;  // the count read once before pruning
  size_t LastItem = 0;    // the last container examined (position 1)
  size_t Start = 0;       // the reconciliation's Start
  size_t SaveBegin = 0;
};

size_t FirstAfter(const std::vector<sim::HostCall>& calls, size_t from, std::string_view kind,
                  std::string_view method) {
  for (size_t i = from; i < calls.size(); ++i)
    if (calls[i].Kind == kind && calls[i].Method == method) return i;
  return calls.size();
}

size_t LastBefore(const std::vector<sim::HostCall>& calls, size_t end, std::string_view kind, std::string_view method) {
  for (size_t i = end; i-- > 0;)
    if (calls[i].Kind == kind && calls[i].Method == method) return i;
  return calls.size();
}

class ReminderSetFaultSweep : public testing_support::SessionTest, public ::testing::WithParamInterface<bool> {
 protected:
  bool Online() const { return GetParam(); }

  Observed Run(const std::optional<sim::FaultRule>& fault) {
    UseOutlook(std::make_unique<sim::SimulatedOutlook>());
    sim::ProfileModel& model = Outlook().Model();
    model.Store(model.DefaultStore)
        .Reminders->Containers.push_back(model.ContainerFor(model.FolderByPath("Team Calendar")));
    SetOptions(1, 1);
    StoreRaw(Id("Calendar") + "," + Id("Inbox/Projects") + "," + Id("Tasks/Errands") + "," + kUnopenable,
             DefaultStoreId());
    if (fault) {
      EXPECT_TRUE(Outlook().AddFault(*fault).Ok());
    }

    Observed seen;
    StartUp(Online());
    seen.IncludeFlag = State().IncludeSubfoldersFlag;
    seen.DisableFlag = State().DisableDefaultFoldersFlag;
    seen.SaveBegin = Outlook().Calls().size();
    ExitHandler();

    seen.Calls = Outlook().Calls();
    seen.Log = Log();
    seen.Stored = StoredList();
    seen.StoredPaths = StoredPaths();
    seen.IncludeSubfolders = Value(kProductKeyPath, "IncludeSubfolders");
    seen.DisableDefaultFolders = Value(kProductKeyPath, "DisableDefaultFolders");
    seen.Running = Outlook().SearchRunning();
    seen.LiveObjects = Outlook().LiveObjects();
    return seen;
  }

  static Landmarks Find(const Observed& clean) {
    const auto& calls = clean.Calls;
    Landmarks at;
    at.SetBegin = FirstAfter(calls, 0, sim::kind::kRdoSearchFolder, "SearchContainers") + 1;
    at.Stop = FirstAfter(calls, at.SetBegin, sim::kind::kRdoSearchFolder, "Stop");
    at.Start = LastBefore(calls, clean.SaveBegin, sim::kind::kRdoSearchFolder, "Start");
    at.PruneBegin = LastBefore(calls, at.Start, sim::kind::kRdoSearchContainers, "Count");
    at.LastItem = LastBefore(calls, at.Start, sim::kind::kRdoSearchContainers, "Item");
    at.SaveBegin = clean.SaveBegin;
    return at;
  }

  std::string Name(const sim::HostCall& call) { return call.Kind + "." + call.Method; }
};

TEST_P(ReminderSetFaultSweep, EveryFailingCallKeepsTheSearchTheOptionsAndTheStoredFolders) {
  const Observed clean = Run(std::nullopt);
  const Landmarks at = Find(clean);

  // The clean run itself: nothing logged, the reconciled set saved, the search running.
  ASSERT_TRUE(clean.Log.empty()) << clean.Log.dump(2);
  ASSERT_LT(at.Stop, at.PruneBegin);
  ASSERT_LT(at.LastItem, at.Start);
  ASSERT_LT(at.Start, at.SaveBegin);
  const Paths storedFolders{"Calendar", "Inbox/Projects", "Tasks/Errands"};
  Paths expectedClean = storedFolders;
  if (!Online()) expectedClean.push_back(std::string("id:") + kUnopenable);
  ASSERT_EQ(clean.StoredPaths, expectedClean);
  ASSERT_EQ(Scope(), (Paths{"Calendar", "Tasks", "Inbox", "Contacts", "Inbox/Projects", "Tasks/Errands"}));
  ASSERT_TRUE(clean.Running);

  std::set<std::string> methodsSwept;
  for (size_t n = at.SetBegin; n < clean.Calls.size(); ++n) {
    const sim::HostCall& target = clean.Calls[n];
    const std::string made = target.ToString();
    SCOPED_TRACE("failing call " + std::to_string(n) + ": " + made.substr(0, made.rfind(" -> ")));
    int ordinal = 0;
    for (size_t i = 0; i <= n; ++i)
      if (clean.Calls[i].Kind == target.Kind && clean.Calls[i].Method == target.Method) ++ordinal;
    sim::FaultRule fault = sim::MakeFault(target.Kind, target.Method, err::kMapiNetworkError);
    fault.Nth = ordinal;
    fault.Count = 1;
    const Observed run = Run(fault);

    // The fault hit the intended call.
    ASSERT_LT(n, run.Calls.size());
    EXPECT_EQ(run.Calls[n].ToString(),
              made.substr(0, made.rfind(" -> ")) + " -> " + sim::ErrorName(err::kMapiNetworkError));
    methodsSwept.insert(Name(target));

    // Start follows the last Stop.
    const size_t lastStop = LastBefore(run.Calls, run.Calls.size(), sim::kind::kRdoSearchFolder, "Stop");
    const size_t lastStart = LastBefore(run.Calls, run.Calls.size(), sim::kind::kRdoSearchFolder, "Start");
    ASSERT_LT(lastStop, run.Calls.size());
    ASSERT_LT(lastStart, run.Calls.size());
    EXPECT_LT(lastStop, lastStart);
    if (n != at.Start) {
      EXPECT_TRUE(run.Running);
    }

    // The options are intact, in the registry and as loaded.
    EXPECT_EQ(run.IncludeSubfolders, std::string(kOptionOn, 4));
    EXPECT_EQ(run.DisableDefaultFolders, std::string(kOptionOn, 4));
    EXPECT_TRUE(run.IncludeFlag);
    EXPECT_TRUE(run.DisableFlag);

    // Everything start-up took from the hosts was released at shut-down.
    EXPECT_EQ(run.LiveObjects, clean.LiveObjects);

    // The stored folders.
    const bool compare = target.Kind == sim::kind::kRdoSession && target.Method == "CompareEntryIDs";
    if (compare && n < at.Stop) {
      // The store could not be compared: the stored list is discarded and the set seeded.
      EXPECT_EQ(run.StoredPaths, (Paths{"Calendar", "Tasks", "Inbox", "Contacts", "Team Calendar"}));
    } else if (!(compare && n < at.PruneBegin) && !Online()) {
      // A failing comparison with a stored entry counts as a match and may take a container in
      // its place; any other failure loses nothing while offline.
      ASSERT_TRUE(run.Stored.has_value());
      for (const std::string& path : storedFolders) {
        EXPECT_NE(run.Stored->find(Id(path)), std::string::npos) << path << " lost: " << *run.Stored;
      }
      EXPECT_NE(run.Stored->find(kUnopenable), std::string::npos) << "offline entry lost: " << *run.Stored;
    }

    // The log.
    std::string procedure;
    if (n >= at.SaveBegin) {
      procedure = "SaveRemindersCollection";
    } else if (n == at.Start || (compare && n > at.LastItem)) {
      procedure = "SetRemindersCollection";
    }
    if (procedure.empty()) {
      EXPECT_TRUE(run.Log.empty()) << run.Log.dump(2);
    } else {
      ASSERT_EQ(run.Log.size(), 1u) << run.Log.dump(2);
      EXPECT_EQ(run.Log[0]["number"], std::to_string(err::kMapiNetworkError));
      EXPECT_EQ(run.Log[0]["module"], "basPPPickFolders");
      EXPECT_EQ(run.Log[0]["procedure"], procedure);
      EXPECT_EQ(run.Log[0]["context"], "Error in " + procedure);
    }
  }

  // The sweep reached every kind of call the load and the save make.
  EXPECT_EQ(methodsSwept,
            (std::set<std::string>{"RDOFolder.EntryID", "RDOFolder.StoreID", "RDOSearchContainers.Add",
                                   "RDOSearchContainers.Count", "RDOSearchContainers.Item",
                                   "RDOSearchContainers.Remove", "RDOSearchFolder.Start", "RDOSearchFolder.Stop",
                                   "RDOSession.CompareEntryIDs", "RDOSession.GetFolderFromID"}));
}

INSTANTIATE_TEST_SUITE_P(Connections, ReminderSetFaultSweep, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return std::string(info.param ? "Online" : "Offline");
                         });

}  // namespace
}  // namespace bellnest
