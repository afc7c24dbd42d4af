// Outlook's start as the stand-in does it, up to every add-in connected: AddinHost construction
// through Connect, with the real add-in registered per user and its DLL loaded anew each time.
// Outlook disables an add-in whose start-up takes more than 1000 ms. A Windows program run
// under Wine (cmake/wine_run.sh), not a test: it prints the median and the slowest of 10 starts.
// An argument names another copy of the add-in's DLL (an installed one) to register and start.
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

int Run(const std::wstring& addin) {
  if (!bench::InstallPerUser(addin.c_str(), true)) {
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
      bench::InstallPerUser(addin.c_str(), false);
      return 1;
    }
  }
  bench::InstallPerUser(addin.c_str(), false);
  std::printf("stand-in start to add-ins connected: median %.2f ms, slowest %.2f ms (first %.2f ms) of %d starts;"
              " Outlook's limit 1000 ms\n",
              bench::Median(starts), *std::max_element(starts.begin(), starts.end()), starts.front(), kStarts);
  return 0;
}

}  // namespace
}  // namespace bellnest

int main(int argc, char** argv) {
  ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  const std::string given = argc > 1 ? argv[1] : "";  // a path in ASCII
  const int rc = bellnest::Run(given.empty() ? std::wstring(BELLNEST_ADDIN_PATH_W) : std::wstring(given.begin(), given.end()));
  ::CoUninitialize();
  return rc;
}
