// Outlook's start as the stand-in does it, up to every add-in connected: AddinHost construction
// through Connect, with the real add-in registered per user and its DLL loaded anew each time.
// Outlook disables an add-in whose start-up takes more than 1000 ms. A Windows program run
// under Wine (cmake/wine_run.sh), not a test: it prints the median and the slowest of 10 starts.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/windows/bench_support.h"
#include "sim/profile/simulated_outlook.h"
#include "standin/addin_host.h"

namespace bellnest {
namespace {

constexpr int kStarts = 10;

int Run() {
  if (!bench::InstallPerUser(BELLNEST_ADDIN_PATH_W, true)) {
    std::fprintf(stderr, "cannot register the add-in per user\n");
    return 1;
  }
  sim::SimulatedOutlook outlook;
  outlook.SetCallRecording(false);
  std::vector<double> starts;
  for (int i = 0; i < kStarts; ++i) {
    const double begin = bench::Milliseconds();
    standin::AddinHost host(outlook);
    host.Connect();
    starts.push_back(bench::Milliseconds() - begin);
    if (host.Connected().size() != 1 || !host.Failures().empty()) {
      std::fprintf(stderr, "the add-in did not connect\n");
      bench::InstallPerUser(BELLNEST_ADDIN_PATH_W, false);
      return 1;
    }
  }
  bench::InstallPerUser(BELLNEST_ADDIN_PATH_W, false);
  std::printf("stand-in start to add-ins connected: median %.2f ms, slowest %.2f ms (first %.2f ms) of %d starts;"
              " Outlook's limit 1000 ms\n",
              bench::Median(starts), *std::max_element(starts.begin(), starts.end()), starts.front(), kStarts);
  return 0;
}

}  // namespace
}  // namespace bellnest

int main() {
  ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  const int rc = bellnest::Run();
  ::CoUninitialize();
  return rc;
}
