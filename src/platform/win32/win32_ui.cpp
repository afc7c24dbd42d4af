// The Windows world's user-interface services.
#include "platform/win32/win32_ui.h"

#include <vector>

#include "platform/win32/win32_about_box.h"
#include "platform/win32/win32_codec.h"
#include "platform/win32/win32_tree_view.h"
#include "platform/win32/win32_version.h"

namespace bellnest::win32 {

namespace {

struct WindowSearch {
  HMODULE module;
  bool found;
};

BOOL CALLBACK FindWindowOfModule(HWND window, LPARAM param) noexcept {
  auto& search = *reinterpret_cast<WindowSearch*>(param);
  DWORD process = 0;
  ::GetWindowThreadProcessId(window, &process);
  search.found = process == ::GetCurrentProcessId() &&
                 reinterpret_cast<HMODULE>(::GetClassLongPtrW(window, GCLP_HMODULE)) == search.module;
  return !search.found;
}

// True when a top-level window of this process belongs to a class of that module.
bool HasWindowsOf(HMODULE module) {
  WindowSearch search{module, false};
  ::EnumWindows(&FindWindowOfModule, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

}  // namespace

Win32Ui::~Win32Ui() {
  // A help window outlives the page when it has another title or did not close in time. Its
  // window procedure is hhctrl.ocx's code: unloaded, the next message to it would crash the
  // host, so the library stays loaded for the rest of the process.
  if (helpLibrary_ && HasWindowsOf(helpLibrary_.Get())) (void)helpLibrary_.Release();
}

// Before in-place activation the page's own top-level window is the hidden window it is parked
// in: a box owned by it would leave the container's dialog enabled under it.
HWND Win32Ui::Owner() const {
  HWND anchor = container_ ? container_ : page_;
  return anchor ? ::GetAncestor(anchor, GA_ROOT) : nullptr;
}

int32_t Win32Ui::MsgBox(const std::string& prompt, int32_t style, const std::string& title) {
  // The style numbers (buttons, icon) and the answers are those of MessageBox.
  return ::MessageBoxW(Owner(), Utf8ToWide(prompt).c_str(), Utf8ToWide(title).c_str(), static_cast<UINT>(style));
}

intptr_t Win32Ui::HtmlHelpA(intptr_t caller, const std::string& file, uint32_t command, uintptr_t data) {
  if (!htmlHelp_) {
    if (!helpLibrary_) helpLibrary_.Reset(::LoadLibraryA("hhctrl.ocx"));
    if (!helpLibrary_) return 0;
    htmlHelp_ =
        reinterpret_cast<HtmlHelpAFunction>(reinterpret_cast<void*>(::GetProcAddress(helpLibrary_.Get(), "HtmlHelpA")));
    if (!htmlHelp_) return 0;
  }
  return reinterpret_cast<intptr_t>(
      htmlHelp_(reinterpret_cast<HWND>(caller), file.c_str(), command, static_cast<DWORD_PTR>(data)));
}

intptr_t Win32Ui::FindWindowA(const std::string& className, const std::string& windowName) {
  return reinterpret_cast<intptr_t>(::FindWindowA(className.c_str(), windowName.c_str()));
}

intptr_t Win32Ui::SendMessageTimeoutA(intptr_t window, uint32_t message, uintptr_t wParam, intptr_t lParam,
                                      uint32_t flags, uint32_t timeoutMs, uintptr_t* result) {
  DWORD_PTR answer = 0;
  const LRESULT sent = ::SendMessageTimeoutA(reinterpret_cast<HWND>(window), message, static_cast<WPARAM>(wParam),
                                             static_cast<LPARAM>(lParam), flags, timeoutMs, &answer);
  if (result) *result = static_cast<uintptr_t>(answer);
  return static_cast<intptr_t>(sent);
}

void Win32Ui::DoEvents() {
  // Everything queued now, once; a quit request is put back for the host's own loop.
  MSG message;
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      ::PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
}

void Win32Ui::ShowAboutBox(const AboutBoxTexts& texts) { RunAboutBox(Owner(), page_, texts); }

Result<VersionResource> Win32Ui::LibraryVersion() { return ModuleVersion(ThisModule()); }

}  // namespace bellnest::win32
