// The page in the stand-in's Options dialog, hosted as strictly as OLE containers host
// controls: keys only for the UI-active object, focus by mouse and Tab, tabs switched by the
// keyboard, pages hidden by verb and created without InitNew.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "standin/options_dialog.h"
#include "standin/standin.h"
#include "standin/window_input.h"
#include "support/shared_state.h"
#include "windows/com/com_test_support.h"
#include "windows/win32_window_test.h"

namespace bellnest::com {
namespace {

constexpr const wchar_t* kProgId = L"PPBellnest.UserControl1";
enum : int { kLabel = 100, kTree, kSubfolders, kDefaultFolders, kAbout, kHelp };

// Runs fn with the keys held down as the thread's keyboard state sees them (posted key
// messages do not change it).
void WithKeys(std::initializer_list<int> keys, const std::function<void()>& fn) {
  BYTE saved[256] = {};
  ::GetKeyboardState(saved);
  BYTE held[256];
  std::copy(std::begin(saved), std::end(saved), std::begin(held));
  for (int key : keys) held[key] = 0x80;
  ::SetKeyboardState(held);
  fn();
  ::SetKeyboardState(saved);
}

int aboutBoxes = 0;
void CALLBACK CloseAbout(HWND, UINT, UINT_PTR, DWORD) {
  if (HWND about = standin::FindOwnWindow(nullptr, L"About Bellnest"); about && ::IsWindowVisible(about)) {
    ++aboutBoxes;
    ::PostMessageW(about, WM_COMMAND, IDOK, 0);
  }
}

class StrictHostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server_.Module());
    ASSERT_TRUE(SUCCEEDED(::OleInitialize(nullptr)));
    ASSERT_EQ(server_.Register(), S_OK);
    rdo_ = std::make_unique<standin::RdoRegistration>(outlook_);
    timer_ = ::SetTimer(nullptr, 0, 50, &CloseAbout);
  }
  void TearDown() override {
    ::KillTimer(nullptr, timer_);
    dialog_.reset();
    rdo_.reset();
    server_.Unregister();
    win32::DeleteKeyTree(bellnest::kHkeyCurrentUser, kProductKeyPath);
    ::OleUninitialize();
  }

  void Open(standin::ContainerStyle style = {}) {
    const std::vector<standin::OptionsPageRequest> requests{{kProgId, {}, L"Bellnest"}};
    dialog_ = std::make_unique<standin::OptionsDialog>(
        standin::PageSite(outlook_), requests,
        [](const std::wstring& progId, ComPtr<IUnknown>& object) {
          CLSID clsid{};
          const HRESULT hr = ::CLSIDFromProgID(progId.c_str(), &clsid);
          return FAILED(hr) ? hr
                            : ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, object.PutVoid());
        },
        style);
    page_ = dialog_->Find(kProgId);
    ASSERT_TRUE(page_ && page_->Window);
    Pump();
  }
  HWND Control(int id) const { return ::GetDlgItem(page_->Window, id); }
  HWND Dialog(int id) const { return ::GetDlgItem(dialog_->Window(), id); }
  int Tab() const { return TabCtrl_GetCurSel(Dialog(standin::OptionsDialog::kTabs)); }
  void Pump() {
    standin::DrainMessages([this](MSG& m) { return dialog_->IsOpen() && dialog_->TranslateKey(m); });
  }
  // A key as the user presses it on the focused window, with modifiers held.
  void Press(WPARAM key, std::initializer_list<int> held = {}, wchar_t character = 0) {
    WithKeys(held, [&] {
      HWND focus = ::GetFocus();
      const bool alt = std::find(held.begin(), held.end(), VK_MENU) != held.end();
      ::PostMessageW(focus, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, key, alt ? (1 << 29) | 1 : 1);
      if (character) ::PostMessageW(focus, WM_CHAR, character, 1);
      ::PostMessageW(focus, alt ? WM_SYSKEYUP : WM_KEYUP, key, 0xC0000001);
      Pump();
    });
  }

  Server server_;
  sim::SimulatedOutlook outlook_;
  std::unique_ptr<standin::RdoRegistration> rdo_;
  std::unique_ptr<standin::OptionsDialog> dialog_;
  standin::OptionsDialog::Page* page_ = nullptr;
  UINT_PTR timer_ = 0;
};

TEST_F(StrictHostTest, KeysAndFocusAsInAnyWindowsDialog) {
  Open();
  // Shown by its tab, the page made itself the UI-active object and took the focus.
  ASSERT_TRUE(dialog_->ActiveObject());
  EXPECT_EQ(::GetFocus(), Control(kTree));

  // Focus arriving by Shift+Tab from the tabs on the last button, with the page not active:
  // the page activates itself again and tells its site once.
  ComPtr<IOleInPlaceObject> inPlace;
  ASSERT_EQ(page_->Control.As(IID_IOleInPlaceObject, inPlace), S_OK);
  inPlace->UIDeactivate();
  EXPECT_FALSE(dialog_->ActiveObject());
  ::SetFocus(Dialog(standin::OptionsDialog::kTabs));
  Pump();
  const int focusBefore = page_->ClientSite->FocusGained();
  Press(VK_TAB, {VK_SHIFT});
  EXPECT_EQ(::GetFocus(), Control(kHelp));
  EXPECT_TRUE(dialog_->ActiveObject());
  EXPECT_EQ(page_->ClientSite->FocusGained(), focusBefore + 1);

  // Enter on the focused About button presses it, not the dialog's OK.
  ::SetFocus(Control(kAbout));
  aboutBoxes = 0;
  Press(VK_RETURN);
  EXPECT_EQ(aboutBoxes, 1);
  EXPECT_TRUE(dialog_->IsOpen());

  // Alt with the numeric keypad types a character by its code: VK_NUMPAD2 is no Alt+B.
  Press(VK_NUMPAD2, {VK_MENU});
  Press(VK_NUMPAD8, {VK_MENU});
  EXPECT_EQ(aboutBoxes, 1);
  Press('B', {VK_MENU});
  EXPECT_EQ(aboutBoxes, 2);

  // Space on a tree node ticks it; the page says so and Outlook enables Apply.
  ::SetFocus(Control(kTree));
  HWND tree = Control(kTree);
  HTREEITEM node = nullptr;
  const auto find = [&] {
    for (node = TreeView_GetChild(tree, TreeView_GetRoot(tree)); node; node = TreeView_GetNextSibling(tree, node)) {
      wchar_t text[64] = {};
      TVITEMW item{};
      item.mask = TVIF_TEXT;
      item.hItem = node;
      item.pszText = text;
      item.cchTextMax = 64;
      ::SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
      if (std::wstring(text) == L"Team Calendar") return true;  // no default folder
    }
    return false;
  };
  ASSERT_TRUE(standin::PumpUntil(find));
  TreeView_SelectItem(tree, node);
  Press(VK_SPACE, {}, L' ');
  EXPECT_TRUE(standin::PumpUntil([&] { return ::IsWindowEnabled(Dialog(standin::OptionsDialog::kApplyButton)); }));

  // Ctrl+Tab leaves the page for the dialog's next tab, Ctrl+Shift+Tab comes back.
  Press(VK_TAB, {VK_CONTROL});
  EXPECT_EQ(Tab(), 0);
  EXPECT_FALSE(::IsWindowVisible(page_->Window));
  Press(VK_TAB, {VK_CONTROL, VK_SHIFT});
  EXPECT_EQ(Tab(), 1);
  EXPECT_TRUE(::IsWindowVisible(page_->Window));

  // Escape is Cancel: the dialog closes and the page goes.
  ::SetFocus(Control(kSubfolders));
  Press(VK_ESCAPE);
  EXPECT_FALSE(dialog_->IsOpen());
}

TEST_F(StrictHostTest, PagesCreatedByLoadAndHiddenByVerbComeBack) {
  using Order = standin::ContainerStyle::Order;
  for (Order order : {Order::LoadStream, Order::LoadBag, Order::InitNewFirst}) {
    SCOPED_TRACE(static_cast<int>(order));
    const int sessions = outlook_.SessionsCreated();
    Open({order, standin::ContainerStyle::Switch::Verb});
    // Set up once, without InitNew as with it: the tree holds the store.
    EXPECT_EQ(outlook_.SessionsCreated(), sessions + 1);
    EXPECT_TRUE(TreeView_GetRoot(Control(kTree)));
    // Another tab hides the page by OLEIVERB_HIDE; its own tab shows it again by OLEIVERB_SHOW.
    TabCtrl_SetCurSel(Dialog(standin::OptionsDialog::kTabs), 0);
    NMHDR change{Dialog(standin::OptionsDialog::kTabs), standin::OptionsDialog::kTabs, TCN_SELCHANGE};
    ::SendMessageW(dialog_->Window(), WM_NOTIFY, change.idFrom, reinterpret_cast<LPARAM>(&change));
    EXPECT_FALSE(::IsWindowVisible(page_->Window));
    dialog_->SelectPage(*page_);
    EXPECT_TRUE(::IsWindowVisible(page_->Window));
    dialog_.reset();
  }
}

// The width of a control's caption in its own font, without the access key's '&'.
int CaptionExtent(HWND control) {
  wchar_t text[128] = {};
  ::GetWindowTextW(control, text, 128);
  std::wstring shown(text);
  shown.erase(std::remove(shown.begin(), shown.end(), L'&'), shown.end());
  HDC dc = ::GetDC(control);
  HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageW(control, WM_GETFONT, 0, 0)));
  SIZE extent{};
  ::GetTextExtentPoint32W(dc, shown.c_str(), static_cast<int>(shown.size()), &extent);
  ::SelectObject(dc, old);
  ::ReleaseDC(control, dc);
  return extent.cx;
}

RECT PlaceIn(HWND control, HWND page) {
  RECT r{};
  ::GetWindowRect(control, &r);
  ::MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

// At the prefix's DPI (BELLNEST_DPI, when set, says which it must be), in a tab larger than the
// page's design: the container's font, every control inside the page, no caption clipped, the
// extra room the tree's, rows and icons as large as the DPI makes them.
TEST_F(StrictHostTest, LayoutFitsTheDpiAndTheRoom) {
  const int dpi = win32::ScreenDpi().y;
  if (const char* expected = std::getenv("BELLNEST_DPI")) {
    ASSERT_EQ(dpi, std::atoi(expected));
  }
  Open();
  const auto px = [dpi](int pixelsAt96) { return ::MulDiv(pixelsAt96, dpi, 96); };
  LOGFONTW dialogFont{}, pageFont{};
  ::GetObjectW(reinterpret_cast<HGDIOBJ>(::SendMessageW(Dialog(IDOK), WM_GETFONT, 0, 0)), sizeof dialogFont,
               &dialogFont);
  ::GetObjectW(reinterpret_cast<HGDIOBJ>(::SendMessageW(Control(kSubfolders), WM_GETFONT, 0, 0)), sizeof pageFont,
               &pageFont);
  EXPECT_EQ(std::wstring(pageFont.lfFaceName), dialogFont.lfFaceName);
  EXPECT_EQ(pageFont.lfHeight, dialogFont.lfHeight);

  RECT page{};
  ::GetClientRect(page_->Window, &page);
  const RECT design = win32::TwipsToPixels(0, 0, 5160, 5295, win32::ScreenDpi().x, dpi);
  ASSERT_GT(page.right, design.right);
  ASSERT_GT(page.bottom, design.bottom);
  for (int id : {kLabel, kTree, kSubfolders, kDefaultFolders, kAbout, kHelp}) {
    SCOPED_TRACE(id);
    const RECT r = PlaceIn(Control(id), page_->Window);
    EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= page.right && r.bottom <= page.bottom);
    // The caption and what the control draws beside it: a check box's box, a button's edges.
    const int parts = id == kSubfolders || id == kDefaultFolders ? px(13) + 3 : id == kAbout || id == kHelp ? px(4) : 0;
    if (id != kTree) {
      EXPECT_LE(CaptionExtent(Control(id)) + parts, r.right - r.left);
    }
  }
  const RECT tree = PlaceIn(Control(kTree), page_->Window);
  EXPECT_GT(tree.right - tree.left, ::MulDiv(2775, win32::ScreenDpi().x, 1440));
  EXPECT_LT(tree.right, PlaceIn(Control(kAbout), page_->Window).left);
  EXPECT_LT(tree.bottom, PlaceIn(Control(kSubfolders), page_->Window).top);

  // Folder icons of 16 pixels and check boxes of 13 at 96 DPI, grown with it.
  for (auto [list, size] : {std::pair{TVSIL_NORMAL, 16}, std::pair{TVSIL_STATE, 13}}) {
    int width = 0, height = 0;
    auto images = reinterpret_cast<HIMAGELIST>(::SendMessageW(Control(kTree), TVM_GETIMAGELIST, list, 0));
    ASSERT_TRUE(images && ImageList_GetIconSize(images, &width, &height)) << list;
    EXPECT_GE(height, px(size)) << list;
  }
  EXPECT_GE(::SendMessageW(Control(kTree), TVM_GETITEMHEIGHT, 0, 0), px(16));
  win32::SaveScreenshot(dialog_->Window(), "options_" + std::to_string(dpi) + "dpi");
}

}  // namespace
}  // namespace bellnest::com
