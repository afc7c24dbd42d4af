// The control's own window: the page the child controls live in. It exists from the control's
// creation (parked in a hidden window, so the core can fill the tree before Outlook shows the
// page) and moves into the container's window at in-place activation. It hands the children's
// notifications to the page's controls, raises Paint and the focus events, and gives the
// keyboard its dialog behaviour inside Outlook's tabbed dialog (Tab, arrows, space, access keys).
#pragma once

#include <memory>
#include <vector>

#include "platform/win32/win32_page_window.h"
#include "platform/win32/window_class.h"
#include "platform/win32/windows_api.h"

namespace bellnest::com {

class PageWindowEvents {
 public:
  virtual ~PageWindowEvents() = default;
  // The COM object the window belongs to, held while the window handles a message: a handler
  // may run a modal dialog in which the container lets go of the object.
  virtual IUnknown& Owner() = 0;
  virtual void OnPagePaint() = 0;
  // The focus moved from outside the page onto it or one of its controls, or left the page.
  virtual void OnFocusEntered() = 0;
  virtual void OnFocusLeft() = 0;
};

class PageWindow {
 public:
  // The page's designed size, 5160 by 5295 twips.
  static constexpr int kWidthTwips = win32::Win32PageWindow::kWidthTwips;
  static constexpr int kHeightTwips = win32::Win32PageWindow::kHeightTwips;

  explicit PageWindow(PageWindowEvents& events);
  ~PageWindow();
  PageWindow(const PageWindow&) = delete;
  PageWindow& operator=(const PageWindow&) = delete;

  HWND Handle() const { return page_; }
  // The page's child controls; empty when they could not be created.
  win32::Win32PageWindow* Controls() const { return controls_.get(); }
  // Into the container's window at rect, shown; back to the hidden parking window.
  void Attach(HWND parent, const RECT& rect);
  void Detach();
  void Move(const RECT& rect);
  bool HasFocus() const;
  void FocusFirstControl();

  // A key message for a window of the page: true when the page used it. Tab off either end,
  // Ctrl+Tab, Esc and Enter (but on the page's own buttons) are left to the container.
  bool TranslateKey(const MSG& message);
  // The access key a key message asks for (Alt+letter or digit, lower case); 0 for any other
  // key, Alt with the numeric keypad's keys among them (they type a character by its code).
  static wchar_t AccessKeyOf(const MSG& message);
  // An access key of the page's controls; false when none has it.
  bool Mnemonic(wchar_t key);
  // Alt+letter for every access key on the page.
  std::vector<ACCEL> MnemonicAccelerators() const;
  // Draws the page (for a container that draws a control it has not activated).
  void Draw(HDC dc, const RECT& bounds);

 private:
  static WNDCLASSEXW PageClass();
  static WNDCLASSEXW ParkingClass();
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  void CheckFocus();

  PageWindowEvents& events_;
  // Registered while the page's windows exist.
  win32::WindowClassUse pageClass_;
  win32::WindowClassUse parkingClass_;
  HWND parking_ = nullptr;
  HWND page_ = nullptr;
  std::unique_ptr<win32::Win32PageWindow> controls_;
  bool focusInside_ = false;
};

}  // namespace bellnest::com
