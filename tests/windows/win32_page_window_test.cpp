// The page's window as a user meets it: controls where the design puts them at 96 DPI, in its
// tab order, the label's access key, tool tips, check boxes and buttons clicked for real; the
// About dialog closed by Enter and by Esc; the library version read from a version resource;
// and screenshots of both (screenshots\ in the build tree).
#include "platform/win32/win32_page_window.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32/win32_about_box.h"
#include "platform/win32/win32_codec.h"
#include "platform/win32/win32_ui.h"
#include "windows/win32_window_test.h"

namespace bellnest::win32 {
namespace {

RECT ClientRectOf(HWND control) {
  RECT r;
  ::GetWindowRect(control, &r);
  ::MapWindowPoints(nullptr, ::GetParent(control), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

std::string TextOf(HWND window) {
  wchar_t text[512] = {};
  ::GetWindowTextW(window, text, 512);
  return WideToUtf8(text);
}

class Win32PageWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(window_.Window(), nullptr);
    if (ScreenDpi().x != 96 || ScreenDpi().y != 96) GTEST_SKIP() << "the layout table is for 96 DPI";
  }
  TestPageWindow window_;
};

TEST_F(Win32PageWindowTest, ControlsStandWhereTheDesignPutsThemInItsTabOrder) {
  Win32PageWindow& page = window_.Page();
  const PageControls controls = page.Controls();
  const HWND subfolders = ::GetDlgItem(window_.Window(), Win32PageWindow::kSubfolders);
  const HWND defaultFolders = ::GetDlgItem(window_.Window(), Win32PageWindow::kDefaultFolders);
  struct Expected {
    HWND control;
    const char* text;
    RECT pixels;  // twips / 15
  };
  const Expected table[] = {
      {page.Label(), "Reminder enabled &folders", {24, 8, 24 + 177, 8 + 17}},
      {page.Tree()->Window(), "", {24, 40, 24 + 185, 40 + 217}},
      {subfolders, "Include Subfolders", {24, 264, 24 + 145, 264 + 17}},
      {defaultFolders, "Allow disabling default folders", {24, 282, 24 + 161, 282 + 17}},
      {page.AboutButton(), "A&bout", {232, 72, 232 + 89, 72 + 25}},
      {page.HelpButton(), "&Help", {232, 136, 232 + 89, 136 + 25}},
  };
  HWND previous = nullptr;
  for (const Expected& row : table) {
    ASSERT_NE(row.control, nullptr) << row.text;
    const RECT r = ClientRectOf(row.control);
    EXPECT_EQ((std::vector<long>{r.left, r.top, r.right, r.bottom}),
              (std::vector<long>{row.pixels.left, row.pixels.top, row.pixels.right, row.pixels.bottom}))
        << row.text;
    EXPECT_EQ(TextOf(row.control), row.text);
    // Tab order is window order.
    if (previous) {
      EXPECT_EQ(::GetWindow(previous, GW_HWNDNEXT), row.control) << row.text;
    }
    previous = row.control;
  }
  EXPECT_EQ(controls.chkSubfolders.get(), page.Controls().chkSubfolders.get());
  EXPECT_EQ(::SendMessageW(page.ToolTips(), TTM_GETTOOLCOUNT, 0, 0), 2);
  wchar_t tip[128] = {};
  TTTOOLINFOW info = {};
  info.cbSize = sizeof info;
  info.hwnd = window_.Window();
  info.uId = reinterpret_cast<UINT_PTR>(page.AboutButton());
  info.lpszText = tip;
  ::SendMessageW(page.ToolTips(), TTM_GETTEXTW, 128, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(WideToUtf8(tip), "About Bellnest");
}

TEST_F(Win32PageWindowTest, AltFMovesTheFocusToTheTreeAndTabWalksTheControlsInTabOrder) {
  Win32PageWindow& page = window_.Page();
  auto translate = [&](const MSG& message) { return page.TranslateKey(message); };
  ::SetForegroundWindow(window_.Window());
  ::SetFocus(page.HelpButton());
  ::PostMessageW(page.HelpButton(), WM_SYSKEYDOWN, 'F', 0x20000001);
  ::PostMessageW(page.HelpButton(), WM_SYSCHAR, 'f', 0x20000001);
  EXPECT_TRUE(PumpUntil([&] { return ::GetFocus() == page.Tree()->Window(); }, 1000, translate));
  const HWND order[] = {::GetDlgItem(window_.Window(), Win32PageWindow::kSubfolders),
                        ::GetDlgItem(window_.Window(), Win32PageWindow::kDefaultFolders), page.AboutButton(),
                        page.HelpButton()};
  for (HWND next : order) {
    ::PostMessageW(::GetFocus(), WM_KEYDOWN, VK_TAB, 1);
    EXPECT_TRUE(PumpUntil([&] { return ::GetFocus() == next; }, 1000, translate)) << TextOf(next);
  }
  // Past the last control the key is the container's.
  MSG tab = {};
  tab.hwnd = ::GetFocus();
  tab.message = WM_KEYDOWN;
  tab.wParam = VK_TAB;
  EXPECT_FALSE(page.TranslateKey(tab));
}

TEST_F(Win32PageWindowTest, CheckBoxesRaiseClickWhenCodeChangesTheValueOrTheUserClicks) {
  const PageControls controls = window_.Page().Controls();
  for (const auto& box : {controls.chkSubfolders, controls.chkDefaultFolders}) {
    int clicks = 0;
    int16_t seen = -1;
    box->SetClickHandler([&] {
      ++clicks;
      seen = box->Value().Value();
    });
    struct Step {
      const char* what;
      int16_t value;  // put, or -1 for a user's click
      int clicks;
      int16_t after;
    };
    const Step steps[] = {
        {"put 1", 1, 1, 1}, {"put 1 again", 1, 1, 1}, {"user click", -1, 2, 0}, {"user click", -1, 3, 1}, {"put 0", 0, 4, 0},
    };
    for (const Step& step : steps) {
      if (step.value >= 0) {
        ASSERT_TRUE(box->PutValue(step.value).Ok());
      } else {
        HWND button = static_cast<Win32CheckBox&>(*box).Window();
        ::PostMessageW(button, BM_CLICK, 0, 0);
        PumpUntil([] { return false; }, 100);
      }
      EXPECT_EQ(clicks, step.clicks) << step.what;
      EXPECT_EQ(box->Value().Value(), step.after) << step.what;
      if (clicks) {
        EXPECT_EQ(seen, step.after) << step.what << ": Click reads the new value";
      }
    }
    EXPECT_FALSE(box->PutValue(2).Ok());
  }
  int about = 0;
  int help = 0;
  window_.Page().SetButtonHandlers([&] { ++about; }, [&] { ++help; });
  ::PostMessageW(window_.Page().HelpButton(), BM_CLICK, 0, 0);
  PumpUntil([&] { return help > 0; }, 1000);
  EXPECT_EQ(std::vector<int>({about, help}), std::vector<int>({0, 1}));
}

TEST_F(Win32PageWindowTest, PageScreenshot) {
  Win32TreeView& tree = *window_.Page().Tree();
  TreeNodePtr root = tree.NodesAdd(std::nullopt, kTvwChild, "R", "Mailbox - Pat Quill", 1).Value();
  ASSERT_TRUE(root->PutSorted(true).Ok());
  const struct {
    const char* text;
    int image;
    bool checked;
  } folders[] = {{"Calendar", 2, true}, {"Contacts", 3, false}, {"Drafts", 5, false},  {"Inbox", 6, true},
                 {"Sent Items", 10, false}, {"Tasks", 11, true}, {"Projects \xE2\x80\x93 2026", 13, true},
                 {"RSS Feeds", 12, false}};
  for (const auto& folder : folders) {
    TreeNodePtr node = tree.NodesAdd(1, kTvwChild, folder.text, folder.text, folder.image).Value();
    ASSERT_TRUE(node->PutChecked(folder.checked).Ok());
  }
  ASSERT_TRUE(tree.NodesAdd(tree.NodesCount().Value() - 1, kTvwChild, "P1", "Clients", 13).Ok());
  ASSERT_TRUE(root->PutExpanded(true).Ok());
  ASSERT_TRUE(window_.Page().Controls().chkSubfolders->PutValue(1).Ok());
  PumpUntil([] { return false; }, 300);
  EXPECT_TRUE(SaveScreenshot(window_.Window(), "page"));
}

// Presses a key in the About dialog once it is up (from a timer of the modal loop), and shuts
// it by force if the key did not close it.
struct AboutDriver {
  static inline UINT_PTR pressTimer = 0;
  static inline WPARAM key = 0;
  static inline bool screenshot = false;
  static inline bool forced = false;
  static inline HWND dialog = nullptr;
  static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD) {
    HWND found = ::FindWindowW(kAboutBoxClass, L"About Bellnest");
    if (!found) return;
    if (id == pressTimer) {
      ::KillTimer(nullptr, id);
      dialog = found;
      if (screenshot) SaveScreenshot(found, "about");
      HWND focus = ::GetFocus();
      ::PostMessageW(focus ? focus : found, WM_KEYDOWN, key, 1);
      ::PostMessageW(focus ? focus : found, WM_KEYUP, key, 0xC0000001);
    } else {
      ::KillTimer(nullptr, id);
      forced = true;
      ::EndDialog(found, IDABORT);
    }
  }
};

class Win32AboutBoxTest : public Win32PageWindowTest, public ::testing::WithParamInterface<WPARAM> {};

TEST_P(Win32AboutBoxTest, ClosesOnTheKeyAndShowsTheTextsCentredOnThePage) {
  AboutDriver::key = GetParam();
  AboutDriver::screenshot = GetParam() == VK_ESCAPE;
  AboutDriver::forced = false;
  AboutDriver::dialog = nullptr;
  AboutBoxTexts texts{"About Bellnest", "Bellnest", "Version 1.3.7",
                      "Microsoft\xC2\xAE Outlook\xC2\xAE COM add-in to extend reminders to non-default folders.",
                      "Quillfen Systems, Inc.\r\nsupport@quillfen.com",
                      "Warning: This computer program is protected by copyright law and international treaties. "
                      "Unauthorized reproduction or distribution of this program, or any portion of it, may result in "
                      "severe civil and criminal penalties, and will be prosecuted to the maximum extent possible under "
                      "the law."};
  // What the dialog looks like while it is up.
  struct Seen {
    RECT client{}, frame{};
    LOGFONTW titleFont{};
    std::string title, company;
  };
  static Seen seen;
  seen = {};
  ::SetTimer(nullptr, 0, 200, [](HWND, UINT, UINT_PTR id, DWORD) {
    HWND found = ::FindWindowW(kAboutBoxClass, L"About Bellnest");
    if (!found) return;
    ::KillTimer(nullptr, id);
    ::GetClientRect(found, &seen.client);
    ::GetWindowRect(found, &seen.frame);
    HWND title = ::GetDlgItem(found, 203);
    ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(title, WM_GETFONT, 0, 0)), sizeof seen.titleFont,
                 &seen.titleFont);
    seen.title = TextOf(title);
    seen.company = TextOf(::GetDlgItem(found, 205));
  });
  AboutDriver::pressTimer = ::SetTimer(nullptr, 0, 500, &AboutDriver::Tick);
  const UINT_PTR forceTimer = ::SetTimer(nullptr, 0, 5000, &AboutDriver::Tick);
  Win32Ui ui;
  ui.SetPageWindow(window_.Window());
  ui.ShowAboutBox(texts);
  ::KillTimer(nullptr, forceTimer);
  EXPECT_NE(AboutDriver::dialog, nullptr);
  EXPECT_FALSE(AboutDriver::forced) << "the key did not close the dialog";
  EXPECT_EQ((std::vector<long>{seen.client.right, seen.client.bottom}), (std::vector<long>{382, 269}));
  EXPECT_EQ(seen.titleFont.lfWeight, FW_BOLD);
  EXPECT_EQ(seen.titleFont.lfHeight, -13);
  EXPECT_EQ(seen.title, "Bellnest");
  EXPECT_EQ(seen.company, texts.Company);
  RECT page;
  ::GetWindowRect(window_.Window(), &page);
  EXPECT_NEAR((seen.frame.left + seen.frame.right) / 2, (page.left + page.right) / 2, 1);
  EXPECT_NEAR((seen.frame.top + seen.frame.bottom) / 2, (page.top + page.bottom) / 2, 1);
}

INSTANTIATE_TEST_SUITE_P(Keys, Win32AboutBoxTest, ::testing::Values(VK_RETURN, VK_ESCAPE),
                         [](const auto& info) { return info.param == VK_RETURN ? "Enter" : "Esc"; });

TEST(Win32UiVersion, TheLibrarysVersionResourceGivesMajorMinorRevisionAndDescription) {
  Win32Ui ui;
  Result<VersionResource> version = ui.LibraryVersion();
  ASSERT_TRUE(version.Ok()) << version.Error().Description;
  EXPECT_EQ((std::vector<int32_t>{version.Value().Major, version.Value().Minor, version.Value().Revision}),
            (std::vector<int32_t>{2, 7, 31}));
  EXPECT_EQ(version.Value().FileDescription, "Test program \xC2\xAE of the Windows world");
}

}  // namespace
}  // namespace bellnest::win32
