// The page in a small in-place container of our own, as Outlook hosts it: the client site (or,
// failing that, its container) answers PropertyPageSite with the simulated profile behind COM,
// and a whole page session runs through the real Win32 controls and COM calls.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "com/com_ptr.h"
#include "com/ppbellnest_h.h"
#include "platform/win32/gui_tally.h"
#include "platform/win32/win32_shell.h"
#include "platform/win32/windows_api.h"
#include "sim/page_host.h"
#include "sim/profile/simulated_outlook.h"
#include "standin/control_site.h"
#include "standin/standin.h"
#include "standin/window_input.h"
#include "support/error_log.h"
#include "support/local_data_folder.h"
#include "windows/com/com_test_support.h"
#include "windows/win32_test_world.h"
#include "windows/win32_window_test.h"

namespace bellnest::com {
namespace {

constexpr const char* kProductKey = "Software\\Quillfen\\Bellnest";

// The tree view item whose text is name, among the children of parent (the top node's when none).
HTREEITEM FindNode(HWND tree, const std::wstring& name, HTREEITEM parent = nullptr) {
  for (HTREEITEM item = TreeView_GetChild(tree, parent ? parent : TreeView_GetRoot(tree)); item;
       item = TreeView_GetNextSibling(tree, item)) {
    wchar_t text[128] = {};
    TVITEMW data = {};
    data.mask = TVIF_TEXT;
    data.hItem = item;
    data.pszText = text;
    data.cchTextMax = 128;
    ::SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&data));
    if (name == text) return item;
  }
  return nullptr;
}

bool Checked(HWND tree, HTREEITEM item) { return TreeView_GetCheckState(tree, item) == 1; }

// Pixels of a picture by kind: never drawn (still the fill colour), dark (text, lines), white.
struct PixelCounts {
  int undrawn = 0, dark = 0, white = 0;
};
PixelCounts CountPixels(HDC dc, HBITMAP bitmap, int width, int height, COLORREF fill) {
  BITMAPINFO info = {};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  std::vector<RGBQUAD> pixels(static_cast<size_t>(width) * static_cast<size_t>(height));
  ::GetDIBits(dc, bitmap, 0, static_cast<UINT>(height), pixels.data(), &info, DIB_RGB_COLORS);
  PixelCounts counts;
  for (const RGBQUAD& p : pixels) {
    if (RGB(p.rgbRed, p.rgbGreen, p.rgbBlue) == fill) ++counts.undrawn;
    if (p.rgbRed + p.rgbGreen + p.rgbBlue < 150) ++counts.dark;
    if (p.rgbRed == 255 && p.rgbGreen == 255 && p.rgbBlue == 255) ++counts.white;
  }
  return counts;
}

// Closes the About dialog once it is up (it runs its own modal loop).
int aboutDialogsSeen = 0;
void CALLBACK CloseAboutDialog(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND dialog = standin::FindOwnWindow(nullptr, L"About Bellnest");
  if (!dialog || !::IsWindowVisible(dialog)) return;
  ::KillTimer(nullptr, timer);
  ++aboutDialogsSeen;
  ::RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN);
  win32::SaveScreenshot(dialog, "about_from_page");  // the DLL's own version, icon and texts
  ::PostMessageW(dialog, WM_COMMAND, IDOK, 0);
}

// A key as Outlook's dialog hands it to the active control before dispatching it.
HRESULT Key(IOleInPlaceActiveObject& control, HWND to, UINT message, WPARAM key) {
  MSG m{to, message, key, message == WM_SYSKEYDOWN ? (1 << 29) : 1, 0, {}};
  return control.TranslateAccelerator(&m);
}

HWND HelpWindow() { return standin::FindOwnWindow(L"HH Parent", L"Bellnest Help"); }

VARIANT_BOOL Dirty(PropertyPage& page) {
  VARIANT_BOOL dirty = VARIANT_FALSE;
  page.get_Dirty(&dirty);
  return dirty;
}

// What the comparison with the native world looks at: the Reminders search's scope, the
// product's registry values and the log's entries without their times.
nlohmann::json Observed(sim::SimulatedOutlook& outlook, nlohmann::json registry, nlohmann::json log) {
  for (nlohmann::json& entry : log) entry.erase("time");
  return {{"containers", outlook.SearchContainerPaths()},
          {"running", outlook.SearchRunning()},
          {"registry", std::move(registry)},
          {"log", std::move(log)}};
}

// The user's folder actions of the session, by folder path.
constexpr const char* kExpanded = "Inbox";
constexpr const char* kClicked = "Inbox/Newsletters";
constexpr const char* kSpaced = "Team Calendar";

// The session's steps on the native world's page host. Its seams and shared state are this
// module's; the DLL's core, linked into the DLL, has its own.
nlohmann::json NativeSession(bool& stepsDone) {
  nlohmann::json observed;
  {
    sim::NativeWorld world;
    sim::SimulatedOutlook outlook;
    sim::PageHost host(world, outlook);
    host.Open();
    host.Show();
    host.Paint();
    stepsDone = host.ClickSubfolders().Ok() && host.Expand(kExpanded, true).Ok() && host.Tick(kClicked, true).Ok() &&
                host.Tick(kSpaced, true).Ok();
    host.EnterFocus();
    host.GotFocus();
    host.About();
    host.Apply();
    host.Close();
    observed = Observed(outlook, sim::ProductRegistryJson(world.Registry(), world.Codec()), host.LogJson());
  }
  ResetSharedState();
  return observed;
}

// The product's keys and values in this process's registry, copied into an in-memory one.
void CopyKeyTree(HKEY root, const std::string& path, sim::MemoryRegistry& into) {
  HKEY key = nullptr;
  if (::RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
  RegKey made = 0;
  if (into.RegCreateKeyA(bellnest::kHkeyCurrentUser, path, &made) == 0) into.RegCloseKey(made);
  std::vector<std::string> subKeys;
  for (DWORD i = 0;; ++i) {
    char name[256];
    BYTE data[4096];
    DWORD nameLength = sizeof name, dataLength = sizeof data, type = 0;
    if (::RegEnumValueA(key, i, name, &nameLength, nullptr, &type, data, &dataLength) != ERROR_SUCCESS) break;
    into.SetValue(bellnest::kHkeyCurrentUser, path, std::string(name, nameLength), type,
                  std::string(reinterpret_cast<const char*>(data), dataLength));
  }
  for (DWORD i = 0;; ++i) {
    char name[256];
    DWORD nameLength = sizeof name;
    if (::RegEnumKeyExA(key, i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    subKeys.push_back(path + "\\" + std::string(name, nameLength));
  }
  ::RegCloseKey(key);
  for (const std::string& sub : subKeys) CopyKeyTree(root, sub, into);
}

// The page's log file in this Windows: Bellnest.Log in the user's local application data.
std::string LogFile() {
  std::string folder;
  win32::Win32Shell().SHGetFolderPathA(0, shell::kCsidlLocalAppData, 0, 0, &folder);
  return folder.substr(0, folder.find('\0')) + "\\" + kProductFolderName + "\\" + kLogFileName;
}

std::string LogText() {
  std::ifstream log(LogFile(), std::ios::binary);
  return {std::istreambuf_iterator<char>(log), {}};
}

nlohmann::json ComObserved(sim::SimulatedOutlook& outlook) {
  sim::MemoryRegistry registry;
  sim::Windows1252Codec codec;
  CopyKeyTree(HKEY_CURRENT_USER, kProductKey, registry);
  return Observed(outlook, sim::ProductRegistryJson(registry, codec), sim::LogEntriesJson(codec.FromAnsi(LogText())));
}

class PageContainerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server_.Module());
    ASSERT_TRUE(SUCCEEDED(::OleInitialize(nullptr)));
    HWND probe = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(probe) << "Wine cannot create windows here: run the tests with an X display (xvfb-run)";
    ::DestroyWindow(probe);
    ASSERT_EQ(server_.Register(), S_OK);
    win32::DeleteKeyTree(bellnest::kHkeyCurrentUser, kProductKey);
  }
  void TearDown() override {
    server_.Unregister();
    win32::DeleteKeyTree(bellnest::kHkeyCurrentUser, kProductKey);
    ::OleUninitialize();
  }

  static HWND ContainerWindow() {
    HWND window = win32::CreateTestWindow(L"BellnestTestContainer", &::DefWindowProcW, 404, 400);
    ::ShowWindow(window, SW_SHOW);
    return window;
  }
  static ComPtr<IOleObject> NewPage() {
    CLSID clsid{};
    ComPtr<IOleObject> control;
    EXPECT_EQ(::CLSIDFromProgID(L"PPBellnest.UserControl1", &clsid), S_OK);
    EXPECT_EQ(::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject, control.PutVoid()), S_OK);
    return control;
  }
  // Not counted: the container's one reference stays control's, which it may let go of in a call.
  static IPersistStreamInit* Persist(const ComPtr<IOleObject>& control) {
    ComPtr<IPersistStreamInit> persist;
    control.As(IID_IPersistStreamInit, persist);
    return persist.Get();
  }
  static HWND PageItem(const ComPtr<IOleObject>& control, int id) {
    ComPtr<IOleInPlaceObject> inPlace;
    HWND page = nullptr;
    if (SUCCEEDED(control.As(IID_IOleInPlaceObject, inPlace))) inPlace->GetWindow(&page);
    return ::GetDlgItem(page, id);
  }
  // Outlook opens a page: sited, initialised, shown in place, painted (the tree filled); and
  // closes it: deactivated, closed, its site let go of, released.
  static void OpenPage(const ComPtr<IOleObject>& control, standin::ControlSite& site, HWND window) {
    ASSERT_EQ(control->SetClientSite(&site), S_OK);
    ASSERT_EQ(Persist(control)->InitNew(), S_OK);
    RECT area;
    ::GetClientRect(window, &area);
    ASSERT_EQ(control->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, &site, 0, window, &area), S_OK);
    ASSERT_TRUE(win32::PumpUntil([&] { return TreeView_GetCount(PageItem(control, 101)) > 1; }));
  }
  static void ClosePage(ComPtr<IOleObject>& control) {
    EXPECT_EQ(control->Close(OLECLOSE_NOSAVE), S_OK);
    EXPECT_EQ(control->SetClientSite(nullptr), S_OK);
    control = nullptr;
  }

  Server server_;
};

TEST_F(PageContainerTest, ComServerRunsAWholePageSessionInAnInPlaceContainer) {
  struct Case {
    const char* name;
    bool siteAnswers;   // else only the client site's container answers PropertyPageSite
    bool initNewFirst;  // InitNew before SetClientSite: InitProperties waits for the site
    bool helpFile;      // the help file beside the DLL, else missing
  };
  const std::wstring helpFile = DllPath().substr(0, DllPath().find_last_of(L'\\')) + L"\\bellnest.chm";
  bool stepsDone = false;
  const nlohmann::json native = NativeSession(stepsDone);
  ASSERT_TRUE(stepsDone);
  // The steps reached the scope: the two folders ticked by the user joined it.
  ASSERT_EQ(native["containers"].dump(),
            R"(["Calendar","Tasks","Inbox","Contacts","Inbox/Newsletters","Team Calendar"])");
  for (const Case& c : {Case{"site answers, site first", true, false, true},
                        Case{"container answers, InitNew first, no help file", false, true, false}}) {
    SCOPED_TRACE(c.name);
    ::DeleteFileA(LogFile().c_str());
    if (!c.helpFile) {
      ASSERT_TRUE(::MoveFileW(helpFile.c_str(), (helpFile + L".away").c_str()));
    }
    struct PutBack {
      const std::wstring& file;
      bool moved;
      ~PutBack() {
        if (moved) ::MoveFileW((file + L".away").c_str(), file.c_str());
      }
    } putBack{helpFile, !c.helpFile};
    sim::SimulatedOutlook outlook;
    standin::RdoRegistration rdo(outlook);
    ASSERT_EQ(rdo.Outcome(), S_OK);
    HWND window = ContainerWindow();
    // The page's designed size at 96 DPI (15 twips a pixel), where its layout is the design's.
    auto site = std::make_unique<standin::ControlSite>(window, standin::PageSite(outlook), c.siteAnswers, nullptr,
                                                       RECT{0, 0, 5160 / 15, 5295 / 15});
    {
      ComPtr<IOleObject> control = NewPage();
      IPersistStreamInit* persist = Persist(control);
      ASSERT_TRUE(persist);
      if (c.initNewFirst) {
        ASSERT_EQ(persist->InitNew(), S_OK);
        EXPECT_EQ(outlook.SessionsCreated(), 0);  // no site yet: set-up waits
      }
      ASSERT_EQ(control->SetClientSite(site.get()), S_OK);
      if (!c.initNewFirst) {
        ASSERT_EQ(persist->InitNew(), S_OK);
      }
      EXPECT_EQ(outlook.SessionsCreated(), 1);

      ComPtr<PropertyPage> page;
      ASSERT_EQ(control.As(IID_PropertyPage, page), S_OK);
      BSTR file = nullptr;
      LONG context = 0;
      ASSERT_EQ(page->GetPageInfo(&file, &context), S_OK);
      EXPECT_EQ(std::wstring(file ? file : L""), helpFile);  // beside the DLL
      ::SysFreeString(file);

      // Outlook shows the page: in place, in its window, then painted (the first paint opens
      // the store's top folder).
      RECT area;
      ::GetClientRect(window, &area);
      ASSERT_EQ(control->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site.get(), 0, window, &area), S_OK);
      EXPECT_EQ(site->InPlaceActivations(), 1);
      ComPtr<IOleInPlaceObject> inPlace;
      ASSERT_EQ(control.As(IID_IOleInPlaceObject, inPlace), S_OK);
      HWND pageWindow = nullptr;
      ASSERT_EQ(inPlace->GetWindow(&pageWindow), S_OK);
      EXPECT_EQ(::GetParent(pageWindow), window);
      HWND tree = ::GetDlgItem(pageWindow, 101);
      ASSERT_TRUE(tree);
      EXPECT_TRUE(win32::PumpUntil([&] { return FindNode(tree, L"Team Calendar") != nullptr; }));
      // The controls where the page's design puts them, at 96 DPI (15 twips a pixel).
      struct Placement {
        int id;
        int left, top, width, height;  // twips
      };
      for (const Placement& p : {Placement{100, 360, 120, 2655, 255}, Placement{101, 360, 600, 2775, 3255},
                                 Placement{102, 360, 3960, 2175, 255}, Placement{103, 360, 4230, 2415, 255},
                                 Placement{104, 3480, 1080, 1335, 375}, Placement{105, 3480, 2040, 1335, 375}}) {
        RECT r;
        ::GetWindowRect(::GetDlgItem(pageWindow, p.id), &r);
        ::MapWindowPoints(nullptr, pageWindow, reinterpret_cast<POINT*>(&r), 2);
        EXPECT_EQ((std::vector<long>{r.left, r.top, r.bottom - r.top}),
                  (std::vector<long>{p.left / 15, p.top / 15, p.height / 15}))
            << p.id;
        // As wide as designed; a caption the dialog font makes wider widens its control.
        if (p.id == 101) {
          EXPECT_EQ(r.right - r.left, p.width / 15);
        }
        EXPECT_GE(r.right - r.left, p.width / 15) << p.id;
      }

      // The user: a real click on "Include Subfolders" (an option only: not dirty), the Inbox
      // opened from the keyboard, a real click on a subfolder's check box (dirty, and Outlook is
      // told), then space on a folder.
      HWND subfolders = ::GetDlgItem(pageWindow, 102);
      win32::PostClick(subfolders, {4, 4});
      EXPECT_TRUE(win32::PumpUntil([&] { return ::SendMessageW(subfolders, BM_GETCHECK, 0, 0) == BST_CHECKED; }));
      EXPECT_EQ(Dirty(*page.Get()), VARIANT_FALSE);
      EXPECT_EQ(outlook.StatusChanges(), 0);
      ::SetFocus(tree);
      const HTREEITEM inbox = FindNode(tree, L"Inbox");
      TreeView_SelectItem(tree, inbox);
      win32::PostKey(tree, VK_RIGHT);
      HTREEITEM clicked = nullptr;
      ASSERT_TRUE(win32::PumpUntil([&] { return (clicked = FindNode(tree, L"Newsletters", inbox)) != nullptr; }));
      win32::PostClick(tree, win32::CheckBoxPoint(tree, clicked));
      EXPECT_TRUE(win32::PumpUntil([&] { return Dirty(*page.Get()) == VARIANT_TRUE; }));
      EXPECT_EQ(outlook.StatusChanges(), 1);
      const HTREEITEM spaced = FindNode(tree, L"Team Calendar");
      TreeView_SelectItem(tree, spaced);
      win32::PostKey(tree, VK_SPACE, L' ');
      EXPECT_TRUE(win32::PumpUntil([&] { return Checked(tree, spaced); }));
      if (c.siteAnswers) {
        EXPECT_TRUE(win32::SaveScreenshot(window, "page_in_container"));
      }

      // The focus comes back onto the page from outside: EnterFocus and GotFocus repaint the
      // tree from its top node, which they select.
      ::SetFocus(window);
      win32::PumpUntil([] { return false; }, 100);
      TreeView_SelectItem(tree, spaced);
      ::SetFocus(tree);
      EXPECT_TRUE(win32::PumpUntil([&] { return TreeView_GetSelection(tree) == TreeView_GetRoot(tree); }));

      // A container that draws the control itself gets the page, its tree and texts.
      {
        ComPtr<IViewObject2> view;
        ASSERT_EQ(control.As(IID_IViewObject2, view), S_OK);
        RECT r;
        ::GetClientRect(pageWindow, &r);
        HDC screen = ::GetDC(nullptr);
        HDC memory = ::CreateCompatibleDC(screen);
        HBITMAP bitmap = ::CreateCompatibleBitmap(screen, r.right, r.bottom);
        ::ReleaseDC(nullptr, screen);
        HGDIOBJ old = ::SelectObject(memory, bitmap);
        const COLORREF fill = RGB(255, 0, 255);  // a colour the page never draws
        HBRUSH brush = ::CreateSolidBrush(fill);
        ::FillRect(memory, &r, brush);
        ::DeleteObject(brush);
        const RECTL bounds{0, 0, r.right, r.bottom};
        EXPECT_EQ(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, memory, &bounds, nullptr, nullptr, 0),
                  S_OK);
        ::SelectObject(memory, old);
        const PixelCounts counts = CountPixels(memory, bitmap, r.right, r.bottom, fill);
        EXPECT_EQ(counts.undrawn, 0);
        EXPECT_GT(counts.dark, 500);                       // texts, tree lines, check marks
        EXPECT_GT(counts.white, r.right * r.bottom / 10);  // the tree's background
        ::DeleteObject(bitmap);
        ::DeleteDC(memory);
      }

      // The keyboard inside Outlook's dialog: Alt+F reaches the tree, Tab moves on to the next
      // control, Enter and Tab past the last control are left to the dialog, Alt+B opens About.
      ComPtr<IOleInPlaceActiveObject> active;
      ASSERT_EQ(control.As(IID_IOleInPlaceActiveObject, active), S_OK);
      ::SetFocus(subfolders);
      EXPECT_EQ(Key(*active.Get(), subfolders, WM_SYSKEYDOWN, 'F'), S_OK);
      EXPECT_EQ(::GetFocus(), tree);
      EXPECT_EQ(Key(*active.Get(), tree, WM_KEYDOWN, VK_TAB), S_OK);
      EXPECT_EQ(::GetFocus(), subfolders);
      EXPECT_EQ(Key(*active.Get(), subfolders, WM_KEYDOWN, VK_RETURN), S_FALSE);
      const HWND help = ::GetDlgItem(pageWindow, 105);
      ::SetFocus(help);
      EXPECT_EQ(Key(*active.Get(), help, WM_KEYDOWN, VK_TAB), S_FALSE);  // past the last control: Outlook's
      aboutDialogsSeen = 0;
      const UINT_PTR timer = ::SetTimer(nullptr, 0, 300, &CloseAboutDialog);
      EXPECT_EQ(Key(*active.Get(), help, WM_SYSKEYDOWN, 'B'), S_OK);  // returns once About is closed
      ::KillTimer(nullptr, timer);
      EXPECT_EQ(aboutDialogsSeen, 1);

      // Help opens the page's topic in the help viewer's window; without the file nothing
      // opens, and either way nothing is logged.
      const std::string logBefore = LogText();
      ::SendMessageW(help, BM_CLICK, 0, 0);
      EXPECT_EQ(win32::PumpUntil([] { return HelpWindow() != nullptr; }, c.helpFile ? 5000 : 500), c.helpFile);
      EXPECT_EQ(LogText(), logBefore);

      // Outlook applies, late bound as a script would.
      ComPtr<IDispatch> dispatch;
      ASSERT_EQ(control.As(IID_IDispatch, dispatch), S_OK);
      DISPPARAMS none{nullptr, nullptr, 0, 0};
      ASSERT_EQ(dispatch->Invoke(0x2102, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr), S_OK);
      EXPECT_EQ(Dirty(*page.Get()), VARIANT_FALSE);

      // Outlook closes the dialog: deactivate, close, let go of the site, release.
      ASSERT_EQ(control->Close(OLECLOSE_NOSAVE), S_OK);
      EXPECT_EQ(site->InPlaceDeactivations(), 1);
      ASSERT_EQ(control->SetClientSite(nullptr), S_OK);
      EXPECT_GT(outlook.LiveObjects(), 0);  // the session lives until the control goes
    }
    // The last reference ran Terminate: the help window is closed, the folder set saved and
    // every object released.
    EXPECT_FALSE(HelpWindow());
    EXPECT_EQ(site->References(), 1u);
    site.reset();  // the container lets go of Outlook's page site
    EXPECT_EQ(outlook.LiveObjects(), 0) << outlook.LiveObjectReport();
    // The same scope, registry and log as the native world's page host gives for the same steps.
    EXPECT_EQ(ComObserved(outlook).dump(1), native.dump(1));
    EXPECT_EQ(server_.CanUnloadNow(), S_OK);
    ::DestroyWindow(window);
    win32::DeleteKeyTree(bellnest::kHkeyCurrentUser, kProductKey);
  }
}

// A container that lets go of the page while the page waits in a pump of its own (a message
// box at start-up, the About dialog's modal loop): the page ends once, after the pump.
struct ReleaseInPump {
  static inline ComPtr<IOleObject> page;
  static inline const wchar_t* title = nullptr;
  static inline HRESULT inside = E_FAIL;  // DllCanUnloadNow in the pump, after the release
  static inline Server* server = nullptr;
  static void CALLBACK Tick(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND box = standin::FindOwnWindow(L"#32770", title);
    if (!box || !::IsWindowVisible(box)) return;
    ::KillTimer(nullptr, timer);
    page = nullptr;
    inside = server->CanUnloadNow();
    ::PostMessageW(box, WM_COMMAND, IDOK, 0);
  }
};

TEST_F(PageContainerTest, APageReleasedInsideItsOwnPumpEndsOnceAfterIt) {
  ReleaseInPump::server = &server_;
  for (const bool startUp : {true, false}) {
    SCOPED_TRACE(startUp ? "message box at start-up" : "About dialog");
    sim::SimulatedOutlook outlook;
    std::optional<standin::RdoRegistration> rdo;  // without it, start-up fails with a message box
    if (!startUp) rdo.emplace(outlook);
    HWND window = ContainerWindow();
    standin::ControlSite site(window, standin::PageSite(outlook), true);
    ReleaseInPump::page = NewPage();
    ReleaseInPump::title = startUp ? L"Bellnest" : L"About Bellnest";
    ReleaseInPump::inside = E_FAIL;
    if (startUp) {
      ASSERT_EQ(ReleaseInPump::page->SetClientSite(&site), S_OK);
    } else {
      OpenPage(ReleaseInPump::page, site, window);
    }
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 100, &ReleaseInPump::Tick);
    if (startUp) {
      EXPECT_EQ(Persist(ReleaseInPump::page)->InitNew(), S_OK);
    } else {
      ::SendMessageW(PageItem(ReleaseInPump::page, 104), BM_CLICK, 0, 0);
    }
    ::KillTimer(nullptr, timer);
    EXPECT_EQ(ReleaseInPump::inside, S_FALSE);  // alive through the pump
    EXPECT_EQ(server_.CanUnloadNow(), S_OK);    // gone after it, exactly once
    EXPECT_EQ(site.References(), 1u);           // Terminate ran: the page let go of its site
    ::DestroyWindow(window);
  }
}

// What this thread holds of windows (top-level, children, message-only), what the page's code
// counts of the other GDI and USER objects, and the process's counts where Windows keeps them.
BOOL CALLBACK CountWindow(HWND, LPARAM total) {
  ++*reinterpret_cast<long*>(total);
  return TRUE;
}
std::vector<long> GuiObjects() {
  const win32::GuiCounts tally = win32::GuiTally();
  std::vector<long> counts(tally.begin(), tally.end());
  long windows = 0;
  for (HWND parent : {HWND(nullptr), HWND_MESSAGE}) {
    for (HWND w = ::FindWindowExW(parent, nullptr, nullptr, nullptr); w;
         w = ::FindWindowExW(parent, w, nullptr, nullptr)) {
      if (::GetWindowThreadProcessId(w, nullptr) != ::GetCurrentThreadId()) continue;
      ++windows;
      ::EnumChildWindows(w, &CountWindow, reinterpret_cast<LPARAM>(&windows));
    }
  }
  counts.push_back(windows);
  for (DWORD kind : {GR_GDIOBJECTS, GR_USEROBJECTS}) counts.push_back(::GetGuiResources(::GetCurrentProcess(), kind));
  return counts;
}

// Closed pages leave nothing that could hurt Outlook: no window, GDI or USER object, no window
// class of the DLL (COM may unload it); and a help window left open (another title, or a wait
// that gave up) still has hhctrl.ocx's code, which it runs.
TEST_F(PageContainerTest, ClosedPagesLeaveNothingBehindThatCouldHurtTheHost) {
  sim::SimulatedOutlook outlook;
  standin::RdoRegistration rdo(outlook);
  HWND window = ContainerWindow();
  standin::ControlSite site(window, standin::PageSite(outlook), true);
  HWND help = nullptr;
  auto openAndClose = [&](bool openHelp) {
    ComPtr<IOleObject> control = NewPage();
    OpenPage(control, site, window);
    ComPtr<IOleControl> ole;
    CONTROLINFO info{};
    info.cb = sizeof info;
    if (SUCCEEDED(control.As(IID_IOleControl, ole))) ole->GetControlInfo(&info);  // its accelerators
    if (openHelp) {
      ::SendMessageW(PageItem(control, 105), BM_CLICK, 0, 0);
      ASSERT_TRUE(win32::PumpUntil([&] { return (help = HelpWindow()) != nullptr; }));
      ::SetWindowTextW(help, L"Renamed");
    }
    ClosePage(control);
  };
  openAndClose(false);  // what comctl32 and COM make once for the thread
  const std::vector<long> before = GuiObjects();
  for (int i = 0; i < 50; ++i) openAndClose(false);
  EXPECT_EQ(GuiObjects(), before) << "fonts, brushes, bitmaps, icons, image lists, accelerators; windows; GDI, USER";
  for (const wchar_t* name : {L"BellnestPage", L"BellnestParking", L"BellnestTreeMessages"}) {
    WNDCLASSEXW found{};
    found.cbSize = sizeof found;
    EXPECT_FALSE(::GetClassInfoExW(server_.Module(), name, &found)) << name;
  }
  openAndClose(true);
  ASSERT_EQ(server_.CanUnloadNow(), S_OK);  // the thread's last page is gone, its help window not
  ::SendMessageW(help, WM_SIZE, 0, MAKELPARAM(300, 200));
  ::SendMessageW(help, WM_CLOSE, 0, 0);
  EXPECT_TRUE(win32::PumpUntil([&] { return !::IsWindow(help); }));
  ::DestroyWindow(window);
}

}  // namespace
}  // namespace bellnest::com
