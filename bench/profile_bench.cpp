// The simulated Outlook on a generated 10,000-folder store: opening folders by identifier,
// comparing identifiers, enumerating subfolders, and loading the profile file, so scenario
// benchmarks of the page can tell the simulation's share of their time.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "sim/profile/profile_generator.h"
#include "sim/profile/profile_json.h"
#include "sim/profile/simulated_outlook.h"

namespace bellnest::sim {
namespace {

struct LargeStore {
  SimulatedOutlook Outlook{GenerateLargeProfile({10000, 10, 4}).Value()};
  RdoSessionPtr Session;
  std::vector<std::string> Ids;
  std::string StoreId;

  explicit LargeStore(bool recording) {
    Outlook.SetCallRecording(recording);
    Session = Outlook.CreateSession(kRdoProgId).Value();
    (void)Session->Logon("", "", false, false);
    const ProfileModel& model = Outlook.Model();
    StoreId = model.Store(model.DefaultStore).EntryID;
    for (const FolderModel& f : model.Folders())
      if (f.Store == model.DefaultStore) Ids.push_back(f.EntryID);
  }
};

void BM_RdoGetFolderFromID(benchmark::State& state) {
  LargeStore store(state.range(0) != 0);
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(store.Session->GetFolderFromID(store.Ids[i++ % store.Ids.size()], store.StoreId));
    if (store.Outlook.Calls().size() > 100000) store.Outlook.ClearCalls();
  }
  state.counters["folders"] = static_cast<double>(store.Ids.size());
}
BENCHMARK(BM_RdoGetFolderFromID)->ArgName("recording")->Arg(0)->Arg(1);

void BM_RdoCompareEntryIDs(benchmark::State& state) {
  LargeStore store(false);
  size_t i = 0;
  for (auto _ : state) {
    const std::string& a = store.Ids[i % store.Ids.size()];
    const std::string& b = store.Ids[(i * 7919) % store.Ids.size()];
    ++i;
    benchmark::DoNotOptimize(store.Session->CompareEntryIDs(a, b));
  }
}
BENCHMARK(BM_RdoCompareEntryIDs);

// What one tree expansion asks of Outlook: enumerate a folder's subfolders.
void BM_OutlookEnumerateTopLevel(benchmark::State& state) {
  LargeStore store(false);
  NameSpacePtr ns = store.Outlook.Application()->GetNamespace("MAPI").Value();
  MapiFolderPtr top = ns->GetFolderFromID(store.Ids.front(), store.StoreId).Value();
  for (auto _ : state) {
    FolderEnumeratorPtr it = top->Folders().Value()->NewEnum().Value();
    int n = 0;
    while (MapiFolderPtr f = it->Next().Value()) ++n;
    benchmark::DoNotOptimize(n);
  }
}
BENCHMARK(BM_OutlookEnumerateTopLevel);

void BM_ParseLargeProfileFile(benchmark::State& state) {
  const std::string text = ProfileToJson(GenerateLargeProfile({10000, 10, 4}).Value());
  for (auto _ : state) benchmark::DoNotOptimize(ParseProfile(text, "large.json"));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ParseLargeProfileFile)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace bellnest::sim
