// The page's window as a user meets it: its controls' texts in tab order, tool tips, check
// boxes and buttons clicked for real; the About dialog closed by Enter and by Esc, showing this
// program's version resource (with a screenshot in screenshots\ of the build tree).
#include "platform/win32/win32_page_window.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "page/about_dialog.h"
#include "platform/win32/win32_about_box.h"
#include "platform/win32/win32_codec.h"
#include "platform/win32/win32_ui.h"
#include "support/platform.h"
#include "windows/win32_test_world.h"
#include "windows/win32_window_test.h"

namespace bellnest::win32 {
namespace {

std::string TextOf(HWND window) {
  wchar_t text[512] = {};
  ::GetWindowTextW(window, text, 512);
  return WideToUtf8(text);
}

class Win32PageWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(window_.Window(), nullptr);
    if (ScreenDpi().x != 96 || ScreenDpi().y != 96) GTEST_SKIP() << "the sizes below are for 96 DPI";
  }
  TestPageWindow window_;
};

// Where the controls stand is checked in the COM container; here their texts and tab order.
TEST_F(Win32PageWindowTest, ControlsCarryTheirTextsInTabOrder) {
  Win32PageWindow& page = window_.Page();
  const std::pair<HWND, const char*> table[] = {
      {page.Label(), "Reminder enabled &folders"},
      {page.Tree()->Window(), ""},
      {::GetDlgItem(window_.Window(), Win32PageWindow::kSubfolders), "Include Subfolders"},
      {::GetDlgItem(window_.Window(), Win32PageWindow::kDefaultFolders), "Allow disabling default folders"},
      {page.AboutButton(), "A&bout"},
      {page.HelpButton(), "&Help"},
  };
  HWND previous = nullptr;
  for (const auto& [control, text] : table) {
    ASSERT_NE(control, nullptr) << text;
    EXPECT_EQ(TextOf(control), text);
    if (previous) {
      EXPECT_EQ(::GetWindow(previous, GW_HWNDNEXT), control) << text;  // tab order is window order
    }
    previous = control;
  }
}

// The tool tips of the label and A&bout come with comctl32 5 (a program without a manifest, as
// this one) and 6 (as in Outlook, whose manifest asks for it; here an activation context).
TEST_F(Win32PageWindowTest, ToolTipsComeWithCommonControls5And6) {
  const std::string manifest = ScratchName() + ".manifest";
  std::ofstream(manifest) << R"(<assembly xmlns="urn:schemas-microsoft-com:asm.v1" manifestVersion="1.0"><dependency>
<dependentAssembly><assemblyIdentity type="win32" name="Microsoft.Windows.Common-Controls" version="6.0.0.0"
processorArchitecture="*" publicKeyToken="6595b64144ccf1df" language="*"/></dependentAssembly></dependency></assembly>)";
  const std::wstring source = Utf8ToWide(manifest);
  ACTCTXW request{};
  request.cbSize = sizeof request;
  request.lpSource = source.c_str();
  HANDLE context = ::CreateActCtxW(&request);
  ::DeleteFileW(source.c_str());
  ASSERT_NE(context, INVALID_HANDLE_VALUE);
  for (const bool six : {false, true}) {
    ULONG_PTR cookie = 0;
    if (six) ::ActivateActCtx(context, &cookie);
    {
      TestPageWindow window;
      SIZE ideal{};  // a button of comctl32 6 answers, user32's does not
      EXPECT_EQ(::SendMessageW(window.Page().AboutButton(), BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&ideal)) != 0,
                six);
      EXPECT_EQ(::SendMessageW(window.Page().ToolTips(), TTM_GETTOOLCOUNT, 0, 0), 2) << "comctl32 " << (six ? 6 : 5);
    }
    if (cookie) ::DeactivateActCtx(0, cookie);
  }
  ::ReleaseActCtx(context);
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

// What the About dialog showed, read from a timer of its modal loop, which then presses the
// key under test (a later timer shuts the dialog by force if the key did not).
struct AboutSeen {
  static inline WPARAM key = 0;
  static inline UINT_PTR pressTimer = 0;
  static inline bool forced = false;
  static inline RECT client{}, frame{};
  static inline LONG titleWeight = 0, titleHeight = 0;
  static inline std::string version, description, company;

  static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD) {
    HWND dialog = standin::FindOwnWindow(kAboutBoxClass, L"About Bellnest");
    if (!dialog) return;
    if (id == pressTimer && !::IsWindowVisible(dialog)) return;
    ::KillTimer(nullptr, id);
    if (id != pressTimer) {
      forced = true;
      ::EndDialog(dialog, IDABORT);
      return;
    }
    ::GetClientRect(dialog, &client);
    ::GetWindowRect(dialog, &frame);
    LOGFONTW font = {};
    ::GetObjectW(reinterpret_cast<HFONT>(::SendDlgItemMessageW(dialog, 203, WM_GETFONT, 0, 0)), sizeof font, &font);
    titleWeight = font.lfWeight;
    titleHeight = font.lfHeight;
    version = TextOf(::GetDlgItem(dialog, 204));
    description = TextOf(::GetDlgItem(dialog, 201));
    company = TextOf(::GetDlgItem(dialog, 205));
    if (key == VK_ESCAPE) SaveScreenshot(dialog, "about");
    // To the control that has the dialog's focus: while other tests' windows come and go, the
    // dialog need not be the active window, and the thread's focus may be elsewhere.
    const HWND focus = ::GetFocus();
    PostKey(focus && ::IsChild(dialog, focus) ? focus : ::GetDlgItem(dialog, IDOK), key);
  }
};

class Win32AboutBoxTest : public Win32PageWindowTest, public ::testing::WithParamInterface<WPARAM> {};

// The page's About button through the core: texts from this program's version resource.
TEST_P(Win32AboutBoxTest, ClosesOnTheKeyShowingTheLibrarysVersionCentredOnThePage) {
  Win32Ui ui;
  ui.SetPageWindow(window_.Window());
  Platform platform;
  platform.Ui = &ui;
  ScopedPlatform installed(platform);
  AboutSeen::key = GetParam();
  AboutSeen::forced = false;
  AboutSeen::pressTimer = ::SetTimer(nullptr, 0, 300, &AboutSeen::Tick);
  const UINT_PTR forceTimer = ::SetTimer(nullptr, 0, 5000, &AboutSeen::Tick);
  frmPPAbout().Show();
  ::KillTimer(nullptr, forceTimer);

  EXPECT_FALSE(AboutSeen::forced) << "the key did not close the dialog";
  EXPECT_EQ(AboutSeen::version, "Version 2.7.31");  // major.minor.revision of 2.7.5.31
  EXPECT_EQ(AboutSeen::description, "Test program \xC2\xAE of the Windows world");
  EXPECT_EQ(AboutSeen::company, std::string("Quillfen Systems, Inc.\r\n") + kSupportAddress);
  EXPECT_EQ((std::vector<long>{AboutSeen::client.right, AboutSeen::client.bottom, AboutSeen::titleWeight,
                               AboutSeen::titleHeight}),
            (std::vector<long>{382, 269, FW_BOLD, -13}));  // 5730 x 4035 twips; 9.75 points bold
  RECT page;
  ::GetWindowRect(window_.Window(), &page);
  EXPECT_NEAR(AboutSeen::frame.left + AboutSeen::frame.right, page.left + page.right, 2);
  EXPECT_NEAR(AboutSeen::frame.top + AboutSeen::frame.bottom, page.top + page.bottom, 2);
}

INSTANTIATE_TEST_SUITE_P(Keys, Win32AboutBoxTest, ::testing::Values(VK_RETURN, VK_ESCAPE),
                         [](const auto& info) { return info.param == VK_RETURN ? "Enter" : "Esc"; });

}  // namespace
}  // namespace bellnest::win32
