// One host call through the IDispatch adapter into the simulated profile behind COM, against
// the same call made on the simulated profile directly: what late binding costs the page.
// A Windows program run under Wine (cmake/wine_run.sh), not a test; it prints the median time
// per call of several runs and the ratio.
#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "com/host_adapters.h"
#include "host/invoke.h"
#include "sim/profile/simulated_outlook.h"
#include "standin/standin.h"

namespace bellnest {
namespace {

constexpr int kCalls = 20000;
constexpr int kRuns = 9;

double Seconds() {
  LARGE_INTEGER now, frequency;
  ::QueryPerformanceCounter(&now);
  ::QueryPerformanceFrequency(&frequency);
  return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Median nanoseconds per call of body over kRuns runs of kCalls calls.
double NanosPerCall(const std::function<bool()>& body) {
  std::vector<double> runs;
  for (int r = 0; r < kRuns; ++r) {
    const double start = Seconds();
    for (int i = 0; i < kCalls; ++i)
      if (!body()) return -1;
    runs.push_back((Seconds() - start) * 1e9 / kCalls);
  }
  std::nth_element(runs.begin(), runs.begin() + kRuns / 2, runs.end());
  return runs[kRuns / 2];
}

// The objects one world hands the page: a folder, the RDO session and the Reminders search folder.
struct Reached {
  MapiFolderPtr Inbox;
  RdoSessionPtr Session;
  RdoFolderPtr Folder;
  std::string FolderId;
};

Reached Reach(const PropertyPageSitePtr& site, RdoFactory& rdo) {
  Reached r;
  ApplicationPtr app = site->Application().Value();
  NameSpacePtr ns = app->GetNamespace("MAPI").Value();
  r.Inbox = ns->GetDefaultFolder(ol::kFolderInbox).Value();
  r.FolderId = r.Inbox->EntryID().Value();
  r.Session = rdo.CreateSession(kRdoProgId).Value();
  (void)r.Session->Logon("", "", false, false);
  r.Folder = r.Session->GetFolderFromID(r.FolderId, "").Value();
  return r;
}

struct Case {
  const char* Name;
  std::function<bool(Reached&)> Call;
};

int Run() {
  sim::SimulatedOutlook native;
  sim::SimulatedOutlook behindCom;
  native.SetCallRecording(false);
  behindCom.SetCallRecording(false);
  standin::RdoRegistration registration(behindCom);
  if (FAILED(registration.Outcome())) {
    std::fprintf(stderr, "could not register the RDO stand-in: 0x%08lx\n",
                 static_cast<unsigned long>(registration.Outcome()));
    return 1;
  }
  com::ComRdoFactory factory;
  Reached direct = Reach(native.PageSite(), native);
  com::ComPtr<IDispatch> site = standin::PageSite(behindCom);
  Reached throughCom = Reach(com::WrapPageSite(site.Get()), factory);

  const Case cases[] = {
      {"MAPIFolder.Name", [](Reached& r) { return r.Inbox->Name().Ok(); }},
      {"RDOFolder.Fields(PR_CONTAINER_CLASS)",
       [](Reached& r) { return r.Folder->Fields(mapi::kPrContainerClass).Ok(); }},
      {"RDOSession.CompareEntryIDs",
       [](Reached& r) { return r.Session->CompareEntryIDs(r.FolderId, r.FolderId).Ok(); }},
      {"RDOSession.GetFolderFromID", [](Reached& r) { return r.Session->GetFolderFromID(r.FolderId, "").Ok(); }},
  };
  std::printf("%-40s %12s %12s %8s\n", "host call", "native ns", "COM ns", "ratio");
  for (const Case& c : cases) {
    const double nativeNs = NanosPerCall([&] { return c.Call(direct); });
    const double comNs = NanosPerCall([&] { return c.Call(throughCom); });
    if (nativeNs < 0 || comNs < 0) {
      std::fprintf(stderr, "%s failed\n", c.Name);
      return 1;
    }
    std::printf("%-40s %12.0f %12.0f %8.1f\n", c.Name, nativeNs, comNs, comNs / nativeNs);
  }
  std::printf("(median of %d runs of %d calls each)\n", kRuns, kCalls);
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
