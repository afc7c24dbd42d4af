// The page's child controls in a window of the COM control: the label with its tool tip and
// access key, the folder tree, the two option check boxes and the two buttons, laid out from
// the page's design in twips through the screen's DPI, created in tab order. The control's
// window calls Create once and forwards its messages to OnMessage; the page core talks to the
// controls through the seams Controls() returns.
#pragma once

#include <functional>
#include <memory>

#include "page/user_control.h"
#include "platform/win32/win32_tree_view.h"
#include "platform/win32/windows_api.h"

namespace bellnest::win32 {

// A rectangle given in twips, in pixels at the given DPI (twips * dpi / 1440).
RECT TwipsToPixels(int left, int top, int width, int height, int dpiX, int dpiY);
// The screen's DPI, horizontal and vertical.
POINT ScreenDpi();
// The font the About dialog is designed in: MS Sans Serif, 8 points at the given DPI (the
// stock GUI font when it cannot be made).
HFONT CreateDesignFont(int dpiY);
// The system's dialog font (the message font, a TrueType font sized for the screen's DPI), or
// the stock GUI font.
HFONT CreateDialogFont();
// Deletes a font the two above made.
void DeleteDesignFont(HFONT font);

// An option check box: a Value put that changes the mark raises Click, as a user's click does.
class Win32CheckBox final : public CheckBox {
 public:
  explicit Win32CheckBox(HWND window) : hwnd_(window) {}
  Result<int16_t> Value() override;
  Status PutValue(int16_t value) override;
  void SetClickHandler(std::function<void()> handler) override { click_ = std::move(handler); }
  HWND Window() const { return hwnd_; }
  // The button reported a user's click (BN_CLICKED); the mark has already changed.
  void OnClicked() const;

 private:
  HWND hwnd_;
  std::function<void()> click_;
};

class Win32PageWindow {
 public:
  // Control ids within the page window.
  enum ControlId : int { kLabel = 100, kTree, kSubfolders, kDefaultFolders, kAbout, kHelp };
  // The page's designed size, 5160 by 5295 twips.
  static constexpr int kWidthTwips = 5160;
  static constexpr int kHeightTwips = 5295;

  // Creates the controls in parent; empty when a control cannot be created.
  static std::unique_ptr<Win32PageWindow> Create(HWND parent);
  ~Win32PageWindow();
  Win32PageWindow(const Win32PageWindow&) = delete;
  Win32PageWindow& operator=(const Win32PageWindow&) = delete;

  // The seams for the page core; the container is the COM control's to give.
  PageControls Controls() const;
  std::shared_ptr<Win32TreeView> Tree() const { return tree_; }
  HWND Parent() const { return parent_; }
  HWND Label() const { return label_; }
  HWND AboutButton() const { return about_; }
  HWND HelpButton() const { return help_; }
  HWND ToolTips() const { return tips_; }

  // Called on a click of A&bout or &Help.
  void SetButtonHandlers(std::function<void()> onAbout, std::function<void()> onHelp);

  // Every message of the parent window goes through here first; true when it was the page's
  // (WM_COMMAND from its buttons and check boxes, WM_NOTIFY from its tree), with result set.
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  // An access key (Alt+letter) pressed on the page: F focuses the tree, B and H press the
  // buttons. True when the key is the page's.
  bool OnMnemonic(wchar_t key);

  // The controls' font: the container's (which stays the container's) or, with null, the
  // page's own, the system's dialog font. The controls are laid out again for it.
  void SetFont(HFONT font);
  // Places the controls in a page of this size: at the designed size as designed (twips at the
  // screen's DPI); room beyond it goes to the tree, with the buttons kept at its right and the
  // check boxes below it. A caption wider than its designed control widens the control, as far
  // as the page allows.
  void Layout(int width, int height);

 private:
  Win32PageWindow() = default;

  HWND parent_ = nullptr;
  HWND label_ = nullptr;
  HWND about_ = nullptr;
  HWND help_ = nullptr;
  HWND tips_ = nullptr;
  HFONT font_ = nullptr;  // the page's own
  SIZE size_{};
  std::shared_ptr<Win32TreeView> tree_;
  std::shared_ptr<Win32CheckBox> subfolders_;
  std::shared_ptr<Win32CheckBox> defaultFolders_;
  std::function<void()> onAbout_;
  std::function<void()> onHelp_;
};

}  // namespace bellnest::win32
