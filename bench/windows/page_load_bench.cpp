// From loading PPBellnest.dll to the end of the page's first paint on the sample mailbox, as
// Outlook opens the page's tab: LoadLibrary, the class object, SetClientSite with the page
// site, InitNew, in-place activation in a window, and the messages up to the first WM_PAINT
// (which opens the store's top folder) and until no window is left to paint. A Windows program
// run under Wine, not a test: it prints each run and the median of 10, first with the visual
// theme the Wine prefix has, then with themes off for the process (the classic look); each run
// unloads the DLL again. Wine's theme engine draws every themed part through many small blits
// and looks the theme up again at every frame or style change, which Windows does not: the
// classic figure is the page's own cost.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "com/com_ptr.h"
#include "com/ppbellnest_h.h"
#include "sim/profile/simulated_outlook.h"
#include "standin/control_site.h"
#include "standin/standin.h"

// After the Windows headers the ones above bring in.
#include <uxtheme.h>

namespace bellnest {
namespace {

constexpr int kRuns = 10;
constexpr const wchar_t* kProductKey = L"Software\\Quillfen\\Bellnest";
constexpr const wchar_t* kThemeKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager";

double Milliseconds() {
  LARGE_INTEGER now, frequency;
  ::QueryPerformanceCounter(&now);
  ::QueryPerformanceFrequency(&frequency);
  return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

// The DLL of this build tree, as a Windows path (Wine shows the Unix root as drive Z:).
std::wstring DllPath() {
  std::wstring path = L"Z:" BELLNEST_DLL_PATH_W;
  std::replace(path.begin(), path.end(), L'/', L'\\');
  return path;
}

// The first paint has run once the tree's top node is open and no window of the thread waits
// to be painted.
bool FirstPaintDone(HWND page) {
  HWND tree = ::GetDlgItem(page, 101);
  HTREEITEM root = tree ? TreeView_GetRoot(tree) : nullptr;
  return root && (TreeView_GetItemState(tree, root, TVIS_EXPANDED) & TVIS_EXPANDED) &&
         (HIWORD(::GetQueueStatus(QS_PAINT)) & QS_PAINT) == 0;
}

// One run: milliseconds from LoadLibrary to the end of the first paint, or a negative number.
double OneRun(HWND window, sim::SimulatedOutlook& outlook) {
  standin::ControlSite site(window, standin::PageSite(outlook), true);
  const double start = Milliseconds();
  HMODULE dll = ::LoadLibraryW(DllPath().c_str());
  if (!dll) return -1;
  using GetClassObject = HRESULT STDAPICALLTYPE(REFCLSID, REFIID, void**);
  auto* getClassObject = reinterpret_cast<GetClassObject*>(reinterpret_cast<void*>(::GetProcAddress(dll, "DllGetClassObject")));
  double elapsed = -1;
  {
    com::ComPtr<IClassFactory> factory;
    com::ComPtr<IOleObject> control;
    com::ComPtr<IPersistStreamInit> persist;
    com::ComPtr<IOleInPlaceObject> inPlace;
    RECT area;
    ::GetClientRect(window, &area);
    HWND page = nullptr;
    if (getClassObject && SUCCEEDED(getClassObject(CLSID_UserControl1, IID_IClassFactory, factory.PutVoid())) &&
        SUCCEEDED(factory->CreateInstance(nullptr, IID_IOleObject, control.PutVoid())) &&
        SUCCEEDED(control->SetClientSite(&site)) && SUCCEEDED(control.As(IID_IPersistStreamInit, persist)) &&
        SUCCEEDED(persist->InitNew()) &&
        SUCCEEDED(control->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, &site, 0, window, &area)) &&
        SUCCEEDED(control.As(IID_IOleInPlaceObject, inPlace)) && SUCCEEDED(inPlace->GetWindow(&page))) {
      // Outlook's dialog pumps its messages; the page paints when its turn comes.
      const double deadline = Milliseconds() + 5000;
      MSG message;
      while (!FirstPaintDone(page) && Milliseconds() < deadline) {
        if (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
          ::TranslateMessage(&message);
          ::DispatchMessageW(&message);
        } else {
          ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        }
      }
      if (FirstPaintDone(page)) elapsed = Milliseconds() - start;
    }
    if (control) {
      control->Close(OLECLOSE_NOSAVE);
      control->SetClientSite(nullptr);
    }
  }
  ::FreeLibrary(dll);
  ::RegDeleteTreeW(HKEY_CURRENT_USER, kProductKey);  // every run starts as the first one did
  return elapsed;
}

// The median of kRuns loads into a fresh container window, or a negative number.
double MedianOfRuns(sim::SimulatedOutlook& outlook, const char* look) {
  HWND window = ::CreateWindowExW(0, L"BellnestBenchContainer", L"Bellnest", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                  420, 440, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
  if (!window) {
    std::fprintf(stderr, "no window: run with an X display\n");
    return -1;
  }
  std::vector<double> runs;
  for (int i = 0; i < kRuns; ++i) {
    const double ms = OneRun(window, outlook);
    if (ms < 0) {
      std::fprintf(stderr, "%s, run %d: the page did not load and paint\n", look, i + 1);
      ::DestroyWindow(window);
      return -1;
    }
    std::printf("%s, run %2d: %7.1f ms\n", look, i + 1, ms);
    runs.push_back(ms);
  }
  ::DestroyWindow(window);
  std::sort(runs.begin(), runs.end());
  const double median = (runs[kRuns / 2 - 1] + runs[kRuns / 2]) / 2;
  std::printf("DLL load through first paint, %s: median %.1f ms of %d runs (min %.1f, max %.1f)\n", look, median,
              kRuns, runs.front(), runs.back());
  return median;
}

int Run() {
  sim::SimulatedOutlook outlook;
  outlook.SetCallRecording(false);
  standin::RdoRegistration rdo(outlook);
  if (FAILED(rdo.Outcome())) {
    std::fprintf(stderr, "could not register the RDO stand-in: 0x%08lx\n", static_cast<unsigned long>(rdo.Outcome()));
    return 1;
  }
  // Outlook has the system libraries the page imports loaded long before it opens its Options
  // dialog (its own windows use them); without them here, each run would time their loading
  // and unloading along with the page's.
  for (const wchar_t* library : {L"comctl32.dll", L"gdi32.dll", L"shlwapi.dll", L"version.dll"}) {
    ::LoadLibraryW(library);
  }
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TAB_CLASSES | ICC_TREEVIEW_CLASSES};
  ::InitCommonControlsEx(&controls);
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = &::DefWindowProcW;
  windowClass.hInstance = ::GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"BellnestBenchContainer";
  ::RegisterClassW(&windowClass);
  ::RegDeleteTreeW(HKEY_CURRENT_USER, kProductKey);
  if (MedianOfRuns(outlook, "themed") < 0) return 1;
  // Themes off for the windows made from now on. The call also records the choice in the
  // prefix's registry, which is put back as it was.
  wchar_t active[8] = {};
  DWORD size = sizeof active;
  const bool hadValue = ::RegGetValueW(HKEY_CURRENT_USER, kThemeKey, L"ThemeActive", RRF_RT_REG_SZ, nullptr, active,
                                       &size) == ERROR_SUCCESS;
  ::EnableTheming(FALSE);
  const bool classic = MedianOfRuns(outlook, "classic") >= 0;
  ::EnableTheming(TRUE);
  if (hadValue) {
    ::RegSetKeyValueW(HKEY_CURRENT_USER, kThemeKey, L"ThemeActive", REG_SZ, active,
                      static_cast<DWORD>((wcslen(active) + 1) * sizeof(wchar_t)));
  } else {
    ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kThemeKey, L"ThemeActive");
  }
  return classic ? 0 : 1;
}

}  // namespace
}  // namespace bellnest

int main() {
  ::OleInitialize(nullptr);
  const int rc = bellnest::Run();
  ::OleUninitialize();
  return rc;
}
