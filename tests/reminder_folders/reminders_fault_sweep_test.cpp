// Every host call of loading and saving the reminder set made to fail in turn. A clean run of
// start-up and shut-down on the sample mailbox (with a stored set and an extra container that
// is not in it) records the calls; then, from a fresh world each time, exactly the n-th call
// fails. In every run the search is restarted after its last stop, the options stay as they
// were, every host object is released, offline no stored folder is lost (but through a
// failing comparison, which counts as a match), and only the failing procedure logs.
#include <gtest/gtest.h>

#include <set>

#include "common/page_fixture.h"

namespace bellnest {
namespace {

using Paths = std::vector<std::string>;

constexpr const char* kUnopenable = "00E0E0E0";

struct Observed {
  std::vector<sim::HostCall> Calls;
  size_t SaveBegin = 0;  // the first call of the shut-down
  nlohmann::json Log;
  std::string Stored;
  Paths StoredPaths;
  std::optional<std::string> IncludeSubfolders, DisableDefaultFolders;
  bool Flags = false;
  bool Running = false;
  int LiveObjects = 0;
};

class ReminderSetFaultSweep : public testing_support::SessionTest, public ::testing::WithParamInterface<bool> {
 protected:
  Observed Run(const std::optional<sim::FaultRule>& fault) {
    FreshWorld();
    UseProfile();
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
    StartUp(GetParam());
    seen.Flags = State().IncludeSubfoldersFlag && State().DisableDefaultFoldersFlag;
    seen.SaveBegin = Outlook().Calls().size();
    ExitHandler();
    seen.Calls = Outlook().Calls();
    seen.Log = LogJson();
    seen.Stored = StoredList().value_or("");
    seen.StoredPaths = StoredPaths();
    seen.IncludeSubfolders = Bytes(kProductKeyPath, "IncludeSubfolders");
    seen.DisableDefaultFolders = Bytes(kProductKeyPath, "DisableDefaultFolders");
    seen.Running = Outlook().SearchRunning();
    seen.LiveObjects = Outlook().LiveObjects();
    return seen;
  }
};

size_t Last(const std::vector<sim::HostCall>& calls, std::string_view method) {
  for (size_t i = calls.size(); i-- > 0;)
    if (calls[i].Kind == sim::kind::kRdoSearchFolder && calls[i].Method == method) return i;
  return calls.size();
}

TEST_P(ReminderSetFaultSweep, EveryFailingCallKeepsTheSearchTheOptionsAndTheStoredFolders) {
  const bool online = GetParam();
  const Observed clean = Run(std::nullopt);
  ASSERT_TRUE(clean.Log.empty()) << clean.Log.dump(2);
  const Paths storedFolders{"Calendar", "Inbox/Projects", "Tasks/Errands"};
  Paths expectedClean = storedFolders;
  if (!online) expectedClean.push_back(std::string("id:") + kUnopenable);
  ASSERT_EQ(clean.StoredPaths, expectedClean);
  ASSERT_EQ(Scope(), (Paths{"Calendar", "Tasks", "Inbox", "Contacts", "Inbox/Projects", "Tasks/Errands"}));
  ASSERT_TRUE(clean.Running);
  // Landmarks of the clean run: the set's load begins once start-up has the search containers;
  // comparisons before the Stop concern the stored store, those before the count read for
  // pruning the stored entries; the reconciliation ends with a Start.
  auto find = [&](size_t from, std::string_view kind, std::string_view method) {
    while (from < clean.Calls.size() && !(clean.Calls[from].Kind == kind && clean.Calls[from].Method == method)) ++from;
    return from;
  };
  const size_t setBegin = find(0, sim::kind::kRdoSearchFolder, "SearchContainers") + 1;
  const size_t stop = find(setBegin, sim::kind::kRdoSearchFolder, "Stop");
  const size_t start = Last(std::vector<sim::HostCall>(clean.Calls.begin(), clean.Calls.begin() + clean.SaveBegin), "Start");
  size_t pruneBegin = start, lastItem = start;  // the count read before pruning; the last container examined
  while (pruneBegin > 0 && clean.Calls[pruneBegin].Method != "Count") --pruneBegin;
  while (lastItem > 0 && clean.Calls[lastItem].Method != "Item") --lastItem;
  ASSERT_LT(stop, pruneBegin);
  ASSERT_LT(start, clean.SaveBegin);

  std::set<std::string> methodsSwept;
  for (size_t n = setBegin; n < clean.Calls.size(); ++n) {
    const sim::HostCall& target = clean.Calls[n];
    const std::string made = target.ToString();
    SCOPED_TRACE("failing call " + std::to_string(n) + ": " + made.substr(0, made.rfind(" -> ")));
    int ordinal = 0;
    for (size_t i = 0; i <= n; ++i)
      ordinal += clean.Calls[i].Kind == target.Kind && clean.Calls[i].Method == target.Method;
    sim::FaultRule fault = sim::MakeFault(target.Kind, target.Method, err::kMapiNetworkError);
    fault.Nth = ordinal;
    fault.Count = 1;
    const Observed run = Run(fault);

    ASSERT_LT(n, run.Calls.size());
    EXPECT_FALSE(run.Calls[n].Ok) << "the fault missed the intended call";
    methodsSwept.insert(target.Kind + "." + target.Method);

    const size_t lastStop = Last(run.Calls, "Stop");
    const size_t lastStart = Last(run.Calls, "Start");
    if (lastStop < run.Calls.size()) {
      EXPECT_LT(lastStop, lastStart);
    }
    if (!(target.Kind == sim::kind::kRdoSearchFolder && target.Method == "Start")) {
      EXPECT_TRUE(run.Running);
    }
    EXPECT_EQ(run.IncludeSubfolders, std::string("\x01\0\0\0", 4));
    EXPECT_EQ(run.DisableDefaultFolders, std::string("\x01\0\0\0", 4));
    EXPECT_TRUE(run.Flags);
    EXPECT_EQ(run.LiveObjects, clean.LiveObjects);

    const bool compare = target.Kind == sim::kind::kRdoSession && target.Method == "CompareEntryIDs";
    if (compare && n < stop) {
      // The store could not be compared: the stored list is discarded and the set seeded.
      EXPECT_EQ(run.StoredPaths, (Paths{"Calendar", "Tasks", "Inbox", "Contacts", "Team Calendar"}));
    } else if (!online && !(compare && n < pruneBegin)) {
      // Offline, no other failure loses a stored entry.
      for (const std::string& path : storedFolders)
        EXPECT_NE(run.Stored.find(Id(path)), std::string::npos) << path << " lost: " << run.Stored;
      EXPECT_NE(run.Stored.find(kUnopenable), std::string::npos) << "offline entry lost: " << run.Stored;
    }
    // The log: errors pending in the reconciliation are cleared whenever a lookup in the set
    // misses and before a container is pruned. The last container pruned, Calendar, is a member
    // examined after Tasks, which is not, so only what fails after it stays pending: a
    // comparison of Calendar with the default folders, and the final Start. Every failure in
    // the save is reported, once.
    const bool saving = n >= clean.SaveBegin;
    const bool logged = saving || n == start || (compare && n > lastItem);
    ASSERT_EQ(run.Log.size(), logged ? 1u : 0u) << run.Log.dump(2);
    if (logged) {
      const std::string procedure = saving ? "SaveRemindersCollection" : "SetRemindersCollection";
      EXPECT_EQ(run.Log[0]["number"], std::to_string(err::kMapiNetworkError));
      EXPECT_EQ(run.Log[0]["module"], "basPPPickFolders");
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
