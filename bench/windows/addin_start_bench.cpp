// Outlook's start as the stand-in does it, up to every add-in connected: AddinHost construction
// through Connect, with the real add-in registered per user and its DLL loaded anew each time.
// Outlook disables an add-in whose start-up takes more than 1000 ms. A Windows program run
// under Wine (cmake/wine_run.sh), not a test: it prints the median and the slowest of 10 starts.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "sim/profile/simulated_outlook.h"
#include "standin/addin_host.h"

namespace bellnest {
namespace {

constexpr int kStarts = 10;

double Milliseconds() {
  LARGE_INTEGER now, frequency;
  ::QueryPerformanceCounter(&now);
  ::QueryPerformanceFrequency(&frequency);
  return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

// DllInstall(install, "user") of the add-in of this build tree; the DLL is not left loaded.
bool InstallPerUser(bool install) {
  std::wstring path = L"Z:" BELLNEST_ADDIN_PATH_W;
  std::replace(path.begin(), path.end(), L'/', L'\\');
  HMODULE library = ::LoadLibraryW(path.c_str());
  if (!library) return false;
  using Install = HRESULT(STDAPICALLTYPE*)(BOOL, LPCWSTR);
  auto install_ = reinterpret_cast<Install>(reinterpret_cast<void*>(::GetProcAddress(library, "DllInstall")));
  const bool ok = install_ && SUCCEEDED(install_(install, L"user"));
  ::FreeLibrary(library);
  return ok;
}

int Run() {
  if (!InstallPerUser(true)) {
    std::fprintf(stderr, "cannot register the add-in per user\n");
    return 1;
  }
  sim::SimulatedOutlook outlook;
  outlook.SetCallRecording(false);
  std::vector<double> starts;
  for (int i = 0; i < kStarts; ++i) {
    const double begin = Milliseconds();
    standin::AddinHost host(outlook);
    host.Connect();
    starts.push_back(Milliseconds() - begin);
    if (host.Connected().size() != 1 || !host.Failures().empty()) {
      std::fprintf(stderr, "the add-in did not connect\n");
      InstallPerUser(false);
      return 1;
    }
  }
  InstallPerUser(false);
  std::vector<double> sorted = starts;
  std::sort(sorted.begin(), sorted.end());
  std::printf("stand-in start to add-ins connected: median %.2f ms, slowest %.2f ms (first %.2f ms) of %d starts;"
              " Outlook's limit 1000 ms\n",
              (sorted[kStarts / 2 - 1] + sorted[kStarts / 2]) / 2, sorted.back(), starts.front(), kStarts);
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
