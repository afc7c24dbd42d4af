// A whole page session on generated stores: open, first paint, "Include Subfolders" ticked on
// the top folder (which expands and ticks the whole store), Apply, close. Reports the host
// calls the session makes, the time per host call (our code and the simulation together),
// and the process's peak memory after the session.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include "sim/page_host.h"
#include "sim/profile/profile_generator.h"
#include "support/shared_state.h"

namespace bellnest::sim {
namespace {

GeneratorOptions ShapeFor(int folders) {
  if (folders <= 1000) return {folders, 10, 3};
  if (folders <= 10000) return {folders, 10, 4};
  return {folders, 40, 3};
}

long PeakRssKb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

void BM_PageSessionTickWholeStore(benchmark::State& state) {
  const int folders = static_cast<int>(state.range(0));
  Result<ProfileModel> model = GenerateLargeProfile(ShapeFor(folders));
  if (!model.Ok()) {
    state.SkipWithError(model.Error().Description.c_str());
    return;
  }
  size_t calls = 0;
  int32_t selected = 0;
  for (auto _ : state) {
    state.PauseTiming();
    ResetSharedState();
    NativeWorld world;
    SimulatedOutlook outlook{ProfileModel(model.Value())};
    outlook.SetCallRecording(false);
    state.ResumeTiming();
    {
      PageHost host(world, outlook);
      host.Open();
      host.Paint();
      (void)host.ClickSubfolders();
      (void)host.Tick("/", true);
      selected = host.Page().SelectedFolders->Count();
      host.Apply();
      host.Close();
    }
    state.PauseTiming();
    calls = outlook.CallCount();
    ResetSharedState();
    state.ResumeTiming();
  }
  state.counters["folders"] = folders;
  state.counters["selected"] = selected;
  state.counters["host_calls"] = static_cast<double>(calls);
  state.counters["ns_per_host_call"] =
      benchmark::Counter(static_cast<double>(calls) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["peak_rss_kb"] = static_cast<double>(PeakRssKb());
}
BENCHMARK(BM_PageSessionTickWholeStore)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(50000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// The simulation's own cost of one host call, to set against ns_per_host_call above.
void BM_SimulatedHostCall(benchmark::State& state) {
  Result<ProfileModel> model = GenerateLargeProfile(ShapeFor(10000));
  SimulatedOutlook outlook{ProfileModel(model.Value())};
  outlook.SetCallRecording(false);
  Result<RdoSessionPtr> session = outlook.CreateSession(kRdoProgId);
  (void)session.Value()->Logon("", "", false, false);
  const std::string id = outlook.Id("Folder 3/Folder 3.7");
  const std::string store = outlook.Model().Store(outlook.Model().DefaultStore).EntryID;
  for (auto _ : state) {
    Result<RdoFolderPtr> folder = session.Value()->GetFolderFromID(id, store);
    benchmark::DoNotOptimize(folder.Value()->EntryID());
  }
  state.SetItemsProcessed(state.iterations() * 2);
}
BENCHMARK(BM_SimulatedHostCall);

}  // namespace
}  // namespace bellnest::sim
