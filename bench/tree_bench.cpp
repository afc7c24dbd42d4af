// The folder tree and the reminder set at scale: loading a stored set of many folders against a
// large Reminders scope, and expanding a folder of thousands of subfolders through the page.
// Each run counts the host calls and checks them against the number the procedures prescribe,
// so extra calls fail the run; comparing two sizes shows whether our own work grows faster
// than the calls do.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "reminder_folders/reminders_collection.h"
#include "session/outlook_session.h"
#include "sim/native_world.h"
#include "sim/page_host.h"
#include "sim/profile/sample_profile.h"
#include "sim/profile/simulated_outlook.h"
#include "support/shared_state.h"

namespace bellnest::sim {
namespace {

// The host calls SetRemindersCollection prescribes for the layout below: the sample's four
// default containers (Calendar, Tasks, Inbox, Contacts) followed by `containers - 4` user
// folders; a stored list naming those user folders in scope order, then folders outside the
// scope, each of which is added to the scope when it is loaded.
int64_t PrescribedSetCalls(int64_t entries, int64_t containers) {
  const int64_t inScope = containers - 4;
  const int64_t outside = entries - inScope;
  int64_t calls = 1 + 1;  // the StoreID comparison, Stop
  for (int64_t i = 0; i < inScope; ++i) {
    // Count; Item, EntryID, CompareEntryIDs per container up to its own; GetFolderFromID, StoreID, EntryID.
    calls += 1 + 3 * (5 + i) + 3;
  }
  for (int64_t k = 0; k < outside; ++k) {
    // Count; a full scan of a scope grown by k; GetFolderFromID, EntryID, Add.
    calls += 1 + 3 * (containers + k) + 3;
  }
  const int64_t scope = containers + outside;
  calls += 1;                                  // Count before pruning
  calls += 5 * scope;                          // Item, EntryID, GetFolderFromID, StoreID, EntryID per container
  calls += 4 * (scope - 4) + (4 + 3 + 1 + 2);  // marks: four misses per user folder, defaults stop at their match
  calls += 4 * 4;                              // the defaults are not in the set: compared four times more, and kept
  return calls + 1;                            // Start
}

struct SetWorld {
  NativeWorld World;
  std::unique_ptr<SimulatedOutlook> Outlook;
  std::unique_ptr<PageHost> Host;
  std::vector<ContainerRef> Scope;

  SetWorld(int entries, int containers) {
    ProfileModel model = SampleProfile();
    const int top = model.Store(model.DefaultStore).TopFolder;
    std::vector<int> folders;
    for (int i = 0; i < entries + 4; ++i)
      folders.push_back(model.AddFolder(top, "F" + std::to_string(i), "IPF.Note").Value());
    SearchFolderModel& search = *model.Store(model.DefaultStore).Reminders;
    const int inScope = containers - 4;
    for (int i = 0; i < inScope; ++i) search.Containers.push_back(model.ContainerFor(folders[static_cast<size_t>(i)]));
    std::string list;
    for (int i = 0; i < entries; ++i)
      list += (i == 0 ? "" : ",") + model.Folder(folders[static_cast<size_t>(i)]).EntryID;
    Scope = search.Containers;
    const std::string storeId = model.Store(model.DefaultStore).EntryID;
    const std::string key = std::string(kProductKeyPath) + "\\" + model.ProfileName;

    Outlook = std::make_unique<SimulatedOutlook>(std::move(model));
    Outlook->SetCallRecording(false);
    Host = std::make_unique<PageHost>(World, *Outlook);
    World.Registry().SetValue(kHkeyCurrentUser, key, kReminderFoldersValue, reg::kSz, list);
    World.Registry().SetValue(kHkeyCurrentUser, key, kStoreIdValue, reg::kSz, storeId);
    ResetSharedState();
    State().OutlookApp = Outlook->Application();
    State().OutlookOnline = true;
    InitHandler();  // loads the set once; every iteration loads it again from the same start
  }
  ~SetWorld() {
    ResetSharedState();
    Host.reset();
  }
  void Rewind() {
    ClearRemindersCollection();
    ClearOfflineFoldersCollection();
    ProfileModel& model = Outlook->Model();
    model.Store(model.DefaultStore).Reminders->Containers = Scope;
    Outlook->ClearCalls();
  }
};

void BM_SetRemindersCollection(benchmark::State& state) {
  const int entries = static_cast<int>(state.range(0));
  const int containers = static_cast<int>(state.range(1));
  SetWorld world(entries, containers);
  int64_t calls = 0;
  for (auto _ : state) {
    state.PauseTiming();
    world.Rewind();
    state.ResumeTiming();
    SetRemindersCollection();
    state.PauseTiming();
    calls = static_cast<int64_t>(world.Outlook->CallCount());
    if (RemindersCollection().Count() != entries) state.SkipWithError("the stored set did not load whole");
    state.ResumeTiming();
  }
  const int64_t prescribed = PrescribedSetCalls(entries, containers);
  if (calls != prescribed)
    state.SkipWithError(
        ("host calls " + std::to_string(calls) + " != prescribed " + std::to_string(prescribed)).c_str());
  state.counters["host_calls"] = static_cast<double>(calls);
  state.counters["ns_per_call"] =
      benchmark::Counter(static_cast<double>(calls) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert, benchmark::Counter::kIs1000);
}
BENCHMARK(BM_SetRemindersCollection)
    ->ArgNames({"entries", "containers"})
    ->Args({500, 100})
    ->Args({1000, 200})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);

// A page on the sample mailbox with one more top-level folder holding `subfolders` mail
// folders, every second of them with subfolders of its own.
struct ExpandWorld {
  NativeWorld World;
  std::unique_ptr<SimulatedOutlook> Outlook;
  std::unique_ptr<PageHost> Host;

  explicit ExpandWorld(int subfolders) {
    ProfileModel model = SampleProfile();
    const int big = model.AddFolder(model.Store(model.DefaultStore).TopFolder, "Big", "IPF.Note").Value();
    for (int i = 0; i < subfolders; ++i) {
      const int folder = model.AddFolder(big, "Sub " + std::to_string(i), "IPF.Note").Value();
      if (i % 2 == 0) model.Folder(folder).Subfolders = SubfoldersProperty::True;
    }
    Outlook = std::make_unique<SimulatedOutlook>(std::move(model));
    Outlook->SetCallRecording(false);
    ResetSharedState();
    Host = std::make_unique<PageHost>(World, *Outlook);
    Host->Open();
    Host->Paint();
  }
  ~ExpandWorld() {
    Host->Close();
    Host.reset();
    ResetSharedState();
  }
};

void BM_ExpandFolder(benchmark::State& state) {
  const int subfolders = static_cast<int>(state.range(0));
  ExpandWorld world(subfolders);
  int64_t calls = 0;
  for (auto _ : state) {
    state.PauseTiming();
    (void)world.Host->Expand("Big", false);
    world.Outlook->ClearCalls();
    state.ResumeTiming();
    // The page's Expand handler: the old level goes, the new one is read from the store.
    (void)world.Host->Expand("Big", true);
    state.PauseTiming();
    calls = static_cast<int64_t>(world.Outlook->CallCount());
    state.ResumeTiming();
  }
  // Nine calls to find the folder and start enumerating it (the top folder's store, the
  // folder through Outlook and RDO, its subfolders flag, Folders, the enumerator and its final
  // Next), and nine per subfolder (Next, EntryID, StoreID, the RDO folder, its EntryID, class,
  // the Drafts comparison, Name, subfolders flag).
  const int64_t prescribed = 9 + 9 * static_cast<int64_t>(subfolders);
  if (calls != prescribed)
    state.SkipWithError(
        ("host calls " + std::to_string(calls) + " != prescribed " + std::to_string(prescribed)).c_str());
  state.counters["host_calls"] = static_cast<double>(calls);
  state.counters["nodes"] = static_cast<double>(world.Host->Tree().NodesCount().Value());
  state.counters["ns_per_subfolder"] =
      benchmark::Counter(static_cast<double>(subfolders) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert, benchmark::Counter::kIs1000);
}
BENCHMARK(BM_ExpandFolder)->ArgName("subfolders")->Arg(2500)->Arg(5000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace bellnest::sim
