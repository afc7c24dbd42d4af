// The Options dialog in the stand-in with the real DLLs registered per user: Tools > Options
// through the first paint of the page (median of 10), and Apply with some folders ticked, on the
// sample mailbox and on a generated 10,000-folder store (median of 5; the session before Apply
// is not timed). A Windows program run under Wine (cmake/wine_run.sh), not a test.
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "bench/windows/bench_support.h"
#include "sim/profile/profile_generator.h"
#include "standin/windows_session.h"

namespace bellnest {
namespace {

constexpr int kOpens = 10;
constexpr int kApplies = 5;

using Profile = std::function<std::unique_ptr<sim::SimulatedOutlook>()>;

// One Outlook run per measurement: the time of measured, after prepare, on an open page.
bool Measure(tools::DriverWorld& world, const Profile& profile, int runs, bool openTimed,
             const std::function<bool(sim::PageSession&)>& prepare, std::vector<double>& times) {
  for (int i = 0; i < runs; ++i) {
    std::unique_ptr<sim::SimulatedOutlook> outlook = profile();
    outlook->SetCallRecording(false);
    std::unique_ptr<sim::PageSession> session = world.NewSession(*outlook);
    double begin = bench::Milliseconds();
    session->Open();
    if (!session->IsOpen() || !session->Paint()) return false;
    if (!openTimed) {
      if (!prepare(*session) || !session->Dirty()) return false;  // nothing to apply
      begin = bench::Milliseconds();
      session->Apply();
    }
    times.push_back(bench::Milliseconds() - begin);
    if (!openTimed && session->Dirty()) return false;  // Apply did not take
    session->Close();
  }
  return true;
}

// Ticks a few folders below the top folder, one of them with its subfolders.
bool TickSome(sim::PageSession& page, const std::vector<std::string>& plain, const std::string& withSubfolders) {
  for (const std::string& folder : plain)
    if (!page.Tick(folder, true)) return false;
  return page.ClickSubfolders() && page.Tick(withSubfolders, true) && page.ClickSubfolders();
}

int Run() {
  tools::DriverOptions options;
  std::unique_ptr<tools::DriverWorld> world = standin::MakeWindowsWorld();
  if (!world->Start(options)) return 1;
  const Profile sample = [] { return std::make_unique<sim::SimulatedOutlook>(); };
  Result<sim::ProfileModel> large = sim::GenerateLargeProfile({10000, 10, 4});
  if (!large) {
    std::fprintf(stderr, "%s\n", large.Error().Description.c_str());
    return 1;
  }
  const Profile generated = [&] { return std::make_unique<sim::SimulatedOutlook>(sim::ProfileModel(large.Value())); };

  std::vector<double> opens, sampleApplies, largeApplies;
  const bool ok =
      Measure(*world, sample, kOpens, true, {}, opens) &&
      Measure(*world, sample, kApplies, false,
              [](sim::PageSession& page) {
                return page.Expand("Inbox", true) && TickSome(page, {"Team Calendar", "Follow Up"}, "Inbox/Projects");
              }, sampleApplies) &&
      Measure(*world, generated, kApplies, false,
              [](sim::PageSession& page) { return TickSome(page, {"Folder 1", "Folder 2", "Folder 3"}, "Folder 4"); },
              largeApplies);
  (void)world->Finish(options);
  if (!ok) {
    std::fprintf(stderr, "the Options session did not run (is the page registered?)\n");
    return 1;
  }
  std::printf("Options opened to the page painted: median %.1f ms of %d\n", bench::Median(opens), kOpens);
  std::printf("Apply, sample mailbox: median %.1f ms of %d\n", bench::Median(sampleApplies), kApplies);
  std::printf("Apply, 10,000 folders: median %.1f ms of %d\n", bench::Median(largeApplies), kApplies);
  return 0;
}

}  // namespace
}  // namespace bellnest

int main() {
  if (FAILED(::OleInitialize(nullptr))) return 1;
  const bool registered = bellnest::bench::InstallPerUser(BELLNEST_DLL_PATH_W, true) &&
                          bellnest::bench::InstallPerUser(BELLNEST_ADDIN_PATH_W, true);
  const int rc = registered ? bellnest::Run() : 1;
  bellnest::bench::InstallPerUser(BELLNEST_ADDIN_PATH_W, false);
  bellnest::bench::InstallPerUser(BELLNEST_DLL_PATH_W, false);
  ::OleUninitialize();
  return rc;
}
