// The Windows world's user-interface services: message boxes owned by the page's top-level
// window, HTML Help from hhctrl.ocx (loaded at first use, kept while a help window it made is
// open: that window runs its code), finding and closing the help
// window, one pass of the message pump, the tick count, the library's own version resource,
// and the About dialog as a real modal dialog centred on the page.
#pragma once

#include "platform/win32/windows_api.h"
#include "support/ui_api.h"

namespace bellnest::win32 {

using HtmlHelpAFunction = HWND(WINAPI*)(HWND, LPCSTR, UINT, DWORD_PTR);

class Win32Ui final : public UiApi {
 public:
  Win32Ui() = default;
  // Lets go of hhctrl.ocx unless a window of its is still open.
  ~Win32Ui() override;
  Win32Ui(const Win32Ui&) = delete;
  Win32Ui& operator=(const Win32Ui&) = delete;

  // The page's window: the About dialog is centred on it, and until the container's window is
  // known message boxes are owned by its top-level window. Without one they belong to the desktop.
  void SetPageWindow(HWND page) { page_ = page; }
  // The container's window the page is (or will be) in: its top-level window, the dialog the
  // page is a tab of, owns the message boxes and the About dialog, which are modal to it.
  void SetContainerWindow(HWND container) { container_ = container; }

  int32_t MsgBox(const std::string& prompt, int32_t style, const std::string& title) override;
  intptr_t HtmlHelpA(intptr_t caller, const std::string& file, uint32_t command, uintptr_t data) override;
  intptr_t FindWindowA(const std::string& className, const std::string& windowName) override;
  intptr_t SendMessageTimeoutA(intptr_t window, uint32_t message, uintptr_t wParam, intptr_t lParam, uint32_t flags,
                               uint32_t timeoutMs, uintptr_t* result) override;
  void DoEvents() override;
  uint32_t GetTickCount() override { return ::GetTickCount(); }
  void ShowAboutBox(const AboutBoxTexts& texts) override;
  Result<VersionResource> LibraryVersion() override;

 private:
  HWND Owner() const;

  HWND page_ = nullptr;
  HWND container_ = nullptr;
  ScopedModule helpLibrary_;
  HtmlHelpAFunction htmlHelp_ = nullptr;
};

}  // namespace bellnest::win32
