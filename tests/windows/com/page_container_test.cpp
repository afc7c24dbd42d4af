// The page in a small in-place container of our own, as Outlook hosts it: the client site (or,
// failing that, its container) answers PropertyPageSite with the simulated profile behind COM,
// and a whole page session runs through the real Win32 controls and COM calls.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "com/com_ptr.h"
#include "com/ppbellnest_h.h"
#include "platform/win32/windows_api.h"
#include <shlobj.h>
#include "sim/profile/simulated_outlook.h"
#include "standin/standin.h"
#include "windows/com/com_test_support.h"
#include "windows/win32_test_world.h"
#include "windows/win32_window_test.h"

namespace bellnest::com {
namespace {

constexpr const char* kProductKey = "Software\\Quillfen\\Bellnest";

// The container's site for the one control: in-place activation into the container's window,
// and Outlook's page site when asked for it (by the site itself or by its container).
class Site final : public IOleClientSite, public IOleInPlaceSite {
 public:
  Site(HWND window, ComPtr<IDispatch> pageSite, bool siteAnswers)
      : window_(window), pageSite_(std::move(pageSite)), siteAnswers_(siteAnswers) {}

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    *out = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IOleClientSite)) {
      *out = static_cast<IOleClientSite*>(this);
    } else if (IsEqualIID(iid, IID_IOleWindow) || IsEqualIID(iid, IID_IOleInPlaceSite)) {
      *out = static_cast<IOleInPlaceSite*>(this);
    } else if (IsEqualIID(iid, IID_PropertyPageSite) && siteAnswers_) {
      return pageSite_->QueryInterface(iid, out);
    } else {
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
  STDMETHODIMP_(ULONG) Release() override { return --refs_; }  // lives on the test's stack

  // IOleClientSite
  STDMETHODIMP SaveObject() override { return S_OK; }
  STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** moniker) override {
    *moniker = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP GetContainer(IOleContainer** container) override {
    *container = ComPtr<IOleContainer>(&container_).Detach();
    return S_OK;
  }
  STDMETHODIMP ShowObject() override { return S_OK; }
  STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
  STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

  // IOleWindow, IOleInPlaceSite
  STDMETHODIMP GetWindow(HWND* window) override {
    *window = window_;
    return S_OK;
  }
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
  STDMETHODIMP OnInPlaceActivate() override {
    ++inPlaceActivations;
    return S_OK;
  }
  STDMETHODIMP OnUIActivate() override { return S_OK; }
  STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT position,
                                LPRECT clip, LPOLEINPLACEFRAMEINFO info) override {
    *frame = nullptr;
    *document = nullptr;
    ::GetClientRect(window_, position);
    *clip = *position;
    info->fMDIApp = FALSE;
    info->hwndFrame = window_;
    info->haccel = nullptr;
    info->cAccelEntries = 0;
    return S_OK;
  }
  STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
  STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
  STDMETHODIMP OnInPlaceDeactivate() override {
    ++inPlaceDeactivations;
    return S_OK;
  }
  STDMETHODIMP DiscardUndoState() override { return E_NOTIMPL; }
  STDMETHODIMP DeactivateAndUndo() override { return E_NOTIMPL; }
  STDMETHODIMP OnPosRectChange(LPCRECT) override { return S_OK; }

  int inPlaceActivations = 0;
  int inPlaceDeactivations = 0;
  ULONG References() const { return refs_; }

 private:
  // The container answers the page site when the site itself does not.
  class Container final : public IOleContainer {
   public:
    explicit Container(Site& site) : site_(site) {}
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
      *out = nullptr;
      if (IsEqualIID(iid, IID_PropertyPageSite) && !site_.siteAnswers_) return site_.pageSite_->QueryInterface(iid, out);
      if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IOleContainer)) return E_NOINTERFACE;
      *out = static_cast<IOleContainer*>(this);
      return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP ParseDisplayName(IBindCtx*, LPOLESTR, ULONG*, IMoniker**) override { return E_NOTIMPL; }
    STDMETHODIMP EnumObjects(DWORD, IEnumUnknown**) override { return E_NOTIMPL; }
    STDMETHODIMP LockContainer(BOOL) override { return S_OK; }

   private:
    Site& site_;
  };

  HWND window_;
  ComPtr<IDispatch> pageSite_;
  bool siteAnswers_;
  Container container_{*this};
  ULONG refs_ = 1;
};

// The tree view item whose text is name, among the root's children.
HTREEITEM FindTopLevelNode(HWND tree, const std::wstring& name) {
  HTREEITEM root = TreeView_GetRoot(tree);
  for (HTREEITEM item = TreeView_GetChild(tree, root); item; item = TreeView_GetNextSibling(tree, item)) {
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

// Closes the About dialog once it is up (it runs its own modal loop).
int aboutDialogsSeen = 0;
void CALLBACK CloseAboutDialog(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND dialog = ::FindWindowW(nullptr, L"About Bellnest");
  if (!dialog || !::IsWindowVisible(dialog)) return;
  ::KillTimer(nullptr, timer);
  ++aboutDialogsSeen;
  ::PostMessageW(dialog, WM_COMMAND, IDOK, 0);
}

// A key as Outlook's dialog hands it to the active control before dispatching it.
HRESULT Key(IOleInPlaceActiveObject& control, HWND to, UINT message, WPARAM key) {
  MSG m{to, message, key, message == WM_SYSKEYDOWN ? (1 << 29) : 1, 0, {}};
  return control.TranslateAccelerator(&m);
}

// The page's log file, as the page leaves it in the user's local application data.
std::string LogText() {
  char folder[MAX_PATH] = {};
  ::SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, folder);
  std::ifstream log(std::string(folder) + "\\Bellnest\\Bellnest.Log", std::ios::binary);
  return {std::istreambuf_iterator<char>(log), {}};
}

HWND HelpWindow() { return ::FindWindowA("HH Parent", "Bellnest Help"); }

VARIANT_BOOL Dirty(PropertyPage& page) {
  VARIANT_BOOL dirty = VARIANT_FALSE;
  page.get_Dirty(&dirty);
  return dirty;
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

  Server server_;
};

TEST_F(PageContainerTest, ComServerRunsAWholePageSessionInAnInPlaceContainer) {
  struct Case {
    const char* name;
    bool siteAnswers;       // else only the client site's container answers PropertyPageSite
    bool initNewFirst;      // InitNew before SetClientSite: InitProperties waits for the site
    bool helpFile;          // the help file beside the DLL, else missing
  };
  const std::wstring helpFile = DllPath().substr(0, DllPath().find_last_of(L'\\')) + L"\\bellnest.chm";
  for (const Case& c : {Case{"site answers, site first", true, false, true},
                        Case{"container answers, InitNew first, no help file", false, true, false}}) {
    SCOPED_TRACE(c.name);
    if (!c.helpFile) {
      ASSERT_TRUE(::MoveFileW(helpFile.c_str(), (helpFile + L".away").c_str()));
    }
    struct PutBack {
      const std::wstring& file;
      bool moved;
      ~PutBack() { if (moved) ::MoveFileW((file + L".away").c_str(), file.c_str()); }
    } putBack{helpFile, !c.helpFile};
    sim::SimulatedOutlook outlook;
    standin::RdoRegistration rdo(outlook);
    ASSERT_EQ(rdo.Outcome(), S_OK);
    HWND window = win32::CreateTestWindow(L"BellnestTestContainer", &::DefWindowProcW, 404, 400);
    ::ShowWindow(window, SW_SHOW);
    auto site = std::make_unique<Site>(window, standin::PageSite(outlook), c.siteAnswers);
    {
      ComPtr<IOleObject> control;
      CLSID clsid{};
      ASSERT_EQ(::CLSIDFromProgID(L"PPBellnest.UserControl1", &clsid), S_OK);
      ASSERT_EQ(::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject, control.PutVoid()), S_OK);
      ComPtr<IPersistStreamInit> persist;
      ASSERT_EQ(control.As(IID_IPersistStreamInit, persist), S_OK);
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
      EXPECT_EQ(site->inPlaceActivations, 1);
      ComPtr<IOleInPlaceObject> inPlace;
      ASSERT_EQ(control.As(IID_IOleInPlaceObject, inPlace), S_OK);
      HWND pageWindow = nullptr;
      ASSERT_EQ(inPlace->GetWindow(&pageWindow), S_OK);
      EXPECT_EQ(::GetParent(pageWindow), window);
      HWND tree = ::GetDlgItem(pageWindow, 101);
      ASSERT_TRUE(tree);
      EXPECT_TRUE(win32::PumpUntil([&] { return FindTopLevelNode(tree, L"Team Calendar") != nullptr; }));
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
        EXPECT_EQ((std::vector<long>{r.left, r.top, r.right - r.left, r.bottom - r.top}),
                  (std::vector<long>{p.left / 15, p.top / 15, p.width / 15, p.height / 15}))
            << p.id;
      }

      // The user: a real click on "Include Subfolders" (an option only: not dirty), then space
      // on a folder (dirty, and Outlook is told).
      HWND subfolders = ::GetDlgItem(pageWindow, 102);
      win32::PostClick(subfolders, {4, 4});
      EXPECT_TRUE(win32::PumpUntil([&] { return ::SendMessageW(subfolders, BM_GETCHECK, 0, 0) == BST_CHECKED; }));
      EXPECT_EQ(Dirty(*page.Get()), VARIANT_FALSE);
      EXPECT_EQ(outlook.StatusChanges(), 0);
      TreeView_SelectItem(tree, FindTopLevelNode(tree, L"Team Calendar"));
      ::SetFocus(tree);
      win32::PostKey(tree, VK_SPACE, L' ');
      EXPECT_TRUE(win32::PumpUntil([&] { return Dirty(*page.Get()) == VARIANT_TRUE; }));
      EXPECT_EQ(outlook.StatusChanges(), 1);
      if (c.siteAnswers) {
        EXPECT_TRUE(win32::SaveScreenshot(window, "page_in_container"));
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
      const std::vector<std::string> scope = outlook.SearchContainerPaths();
      EXPECT_NE(std::find(scope.begin(), scope.end(), "Team Calendar"), scope.end()) << testing::PrintToString(scope);
      EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, L"Software\\Quillfen\\Bellnest", L"IncludeSubfolders"), L"1");
      EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, L"Software\\Quillfen\\Bellnest", L"DisableDefaultFolders"), L"0");

      // Outlook closes the dialog: deactivate, close, let go of the site, release.
      ASSERT_EQ(control->Close(OLECLOSE_NOSAVE), S_OK);
      EXPECT_EQ(site->inPlaceDeactivations, 1);
      ASSERT_EQ(control->SetClientSite(nullptr), S_OK);
      EXPECT_GT(outlook.LiveObjects(), 0);  // the session lives until the control goes
    }
    // The last reference ran Terminate: the help window is closed, the folder set saved and
    // every object released.
    EXPECT_FALSE(HelpWindow());
    EXPECT_EQ(site->References(), 1u);
    site.reset();  // the container lets go of Outlook's page site
    EXPECT_EQ(outlook.LiveObjects(), 0) << outlook.LiveObjectReport();
    EXPECT_NE(ReadValue(HKEY_CURRENT_USER, L"Software\\Quillfen\\Bellnest\\Outlook", L"StoreID"), L"<missing>");
    EXPECT_EQ(server_.CanUnloadNow(), S_OK);
    ::DestroyWindow(window);
    win32::DeleteKeyTree(bellnest::kHkeyCurrentUser, kProductKey);
  }
}

}  // namespace
}  // namespace bellnest::com
