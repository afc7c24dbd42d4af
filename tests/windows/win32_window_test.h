// What the window tests share (the Win32 controls' and the COM control's): top-level test
// windows, one holding the page's controls (its messages forwarded to them, as the COM
// control's window does), a message pump that runs until something happened, and screenshots
// written to the build tree.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/win32/win32_page_window.h"
#include "platform/win32/windows_api.h"
#include "standin/window_input.h"

namespace bellnest::win32 {

class TestPageWindow {
 public:
  TestPageWindow();
  ~TestPageWindow();
  HWND Window() const { return hwnd_; }
  Win32PageWindow& Page() { return *page_; }

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  HWND hwnd_ = nullptr;
  std::unique_ptr<Win32PageWindow> page_;
};

// A top-level window of its own class whose client area has the given size, not yet shown.
HWND CreateTestWindow(const wchar_t* className, WNDPROC proc, int clientWidth, int clientHeight,
                      void* createParam = nullptr);

// The pump and posted input, as the stand-in drives its dialog.
using standin::PostClick;
using standin::PostKey;
using standin::PumpUntil;
// Where a tree view item's check box is, found by hit-testing along its row ({0, 0}: none).
POINT CheckBoxPoint(HWND tree, HTREEITEM item);

// Writes what the screen shows of a window to screenshots\<name>.bmp in the working folder (the
// build tree); the build turns them into PNG files.
bool SaveScreenshot(HWND window, const std::string& name);

}  // namespace bellnest::win32
