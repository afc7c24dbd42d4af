// The page window and its keyboard handling.
#include "com/page_window.h"

#include <cwctype>
#include <string>

#include "com/com_object.h"

namespace bellnest::com {

namespace {

constexpr const wchar_t* kPageClass = L"BellnestPage";
constexpr const wchar_t* kParkingClass = L"BellnestParking";
// Posted after a child loses the focus: where it went is known only once the move is done.
constexpr UINT kCheckFocus = WM_APP + 1;

// The access key of a control's text: the character after a single '&', lower case; 0 if none.
wchar_t AccessKey(HWND control) {
  wchar_t text[256] = {};
  ::GetWindowTextW(control, text, 256);
  for (const wchar_t* p = text; *p; ++p) {
    if (*p != L'&') continue;
    if (p[1] == L'&') {
      ++p;
      continue;
    }
    return static_cast<wchar_t>(std::towlower(p[1]));
  }
  return 0;
}

}  // namespace

WNDCLASSEXW PageWindow::PageClass() {
  WNDCLASSEXW page{};
  page.cbSize = sizeof(page);
  page.style = CS_HREDRAW | CS_VREDRAW;
  page.lpfnWndProc = &PageWindow::WindowProc;
  page.hInstance = Module::Instance().Handle();
  page.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  page.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  page.lpszClassName = kPageClass;
  return page;
}

WNDCLASSEXW PageWindow::ParkingClass() {
  WNDCLASSEXW parking{};
  parking.cbSize = sizeof(parking);
  parking.lpfnWndProc = &::DefWindowProcW;
  parking.hInstance = Module::Instance().Handle();
  parking.lpszClassName = kParkingClass;
  return parking;
}

PageWindow::PageWindow(PageWindowEvents& events)
    : events_(events), pageClass_(PageClass()), parkingClass_(ParkingClass()) {
  HINSTANCE instance = Module::Instance().Handle();
  parking_ = ::CreateWindowExW(0, kParkingClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
  // Twips to pixels through the screen's DPI.
  HDC screen = ::GetDC(nullptr);
  const int width = ::MulDiv(kWidthTwips, ::GetDeviceCaps(screen, LOGPIXELSX), 1440);
  const int height = ::MulDiv(kHeightTwips, ::GetDeviceCaps(screen, LOGPIXELSY), 1440);
  ::ReleaseDC(nullptr, screen);
  page_ = ::CreateWindowExW(WS_EX_CONTROLPARENT, kPageClass, L"", WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, 0, 0,
                            width, height, parking_, nullptr, instance, this);
  if (page_) controls_ = win32::Win32PageWindow::Create(page_);
}

PageWindow::~PageWindow() {
  // Its owner is ending: what the controls' destruction sends the page goes nowhere further.
  if (page_) ::SetWindowLongPtrW(page_, GWLP_USERDATA, 0);
  controls_.reset();
  if (page_) ::DestroyWindow(page_);
  if (parking_) ::DestroyWindow(parking_);
}

void PageWindow::Attach(HWND parent, const RECT& rect) {
  ::SetParent(page_, parent);
  Move(rect);
  ::ShowWindow(page_, SW_SHOWNA);
}

void PageWindow::Detach() {
  ::ShowWindow(page_, SW_HIDE);
  ::SetParent(page_, parking_);
  focusInside_ = false;
}

void PageWindow::Move(const RECT& rect) {
  ::MoveWindow(page_, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, TRUE);
  if (controls_) controls_->Layout(rect.right - rect.left, rect.bottom - rect.top);
}

bool PageWindow::HasFocus() const {
  HWND focus = ::GetFocus();
  return focus && (focus == page_ || ::IsChild(page_, focus));
}

void PageWindow::FocusFirstControl() {
  if (HWND first = ::GetNextDlgTabItem(page_, nullptr, FALSE)) {
    ::SetFocus(first);
  } else {
    ::SetFocus(page_);
  }
}

bool PageWindow::TranslateKey(const MSG& message) {
  if (message.message < WM_KEYFIRST || message.message > WM_KEYLAST) return false;
  if (message.hwnd != page_ && !::IsChild(page_, message.hwnd)) return false;
  if (message.message == WM_SYSKEYDOWN || message.message == WM_SYSCHAR) return Mnemonic(AccessKeyOf(message));
  if (message.message == WM_KEYDOWN) {
    const bool control = ::GetKeyState(VK_CONTROL) < 0;
    switch (message.wParam) {
      case VK_RETURN: {
        // Enter presses the focused button of the page, as in any dialog; elsewhere it is the
        // dialog's OK.
        HWND focus = ::GetFocus();
        const bool button = focus && ::IsChild(page_, focus) &&
                            (::SendMessageW(focus, WM_GETDLGCODE, 0, 0) & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON));
        if (button) ::SendMessageW(focus, BM_CLICK, 0, 0);
        return button;
      }
      case VK_ESCAPE:
        return false;  // the dialog's Cancel
      case VK_PRIOR:
      case VK_NEXT:
        if (control) return false;  // the dialog's tabs
        break;
      case VK_TAB: {
        if (control) return false;  // Ctrl+Tab: the dialog's next tab
        // Off the last control (or back off the first) the focus leaves the page.
        const bool back = ::GetKeyState(VK_SHIFT) < 0;
        HWND focus = ::GetFocus();
        HWND first = ::GetNextDlgTabItem(page_, nullptr, FALSE);
        HWND last = ::GetNextDlgTabItem(page_, first, TRUE);
        if (!first || focus == (back ? first : last)) return false;
        break;
      }
      default:
        break;
    }
  }
  MSG copy = message;
  return ::IsDialogMessageW(page_, &copy) != FALSE;
}

wchar_t PageWindow::AccessKeyOf(const MSG& message) {
  const auto code = static_cast<wchar_t>(message.wParam);
  if (message.message == WM_SYSCHAR) return static_cast<wchar_t>(std::towlower(static_cast<wint_t>(code)));
  if (message.message != WM_SYSKEYDOWN) return 0;
  // Virtual keys of letters and digits are their upper-case characters; VK_NUMPAD0 and up
  // share their codes with lower-case letters and are no access keys.
  if ((code >= L'A' && code <= L'Z') || (code >= L'0' && code <= L'9')) {
    return static_cast<wchar_t>(std::towlower(static_cast<wint_t>(code)));
  }
  return 0;
}

bool PageWindow::Mnemonic(wchar_t key) { return key && controls_ && controls_->OnMnemonic(key); }

std::vector<ACCEL> PageWindow::MnemonicAccelerators() const {
  std::vector<ACCEL> keys;
  for (HWND child = ::GetWindow(page_, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    const wchar_t key = AccessKey(child);
    if (!key) continue;
    const WORD command = static_cast<WORD>(keys.size() + 1);
    keys.push_back(ACCEL{FALT | FVIRTKEY, static_cast<WORD>(std::towupper(key)), command});
  }
  return keys;
}

void PageWindow::Draw(HDC dc, const RECT& bounds) {
  ::FillRect(dc, &bounds, ::GetSysColorBrush(COLOR_BTNFACE));
  // Each control prints itself at its place, bottom of the z-order first: WM_PRINT's
  // PRF_CHILDREN is not honoured by every user32 (Wine's draws the page's face alone).
  for (HWND child = ::GetWindow(page_, GW_CHILD) ? ::GetWindow(::GetWindow(page_, GW_CHILD), GW_HWNDLAST) : nullptr;
       child; child = ::GetWindow(child, GW_HWNDPREV)) {
    if (!::IsWindowVisible(child)) continue;
    RECT r;
    ::GetWindowRect(child, &r);
    ::MapWindowPoints(nullptr, page_, reinterpret_cast<POINT*>(&r), 2);
    POINT origin{};
    ::OffsetViewportOrgEx(dc, bounds.left + r.left, bounds.top + r.top, &origin);
    ::SendMessageW(child, WM_PRINT, reinterpret_cast<WPARAM>(dc), PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND);
    ::SetViewportOrgEx(dc, origin.x, origin.y, nullptr);
  }
}

void PageWindow::CheckFocus() {
  const bool inside = HasFocus();
  if (inside && !focusInside_) {
    focusInside_ = true;
    events_.OnFocusEntered();
  } else if (!inside && focusInside_) {
    focusInside_ = false;
    events_.OnFocusLeft();
  }
}

LRESULT CALLBACK PageWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<PageWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!self || !self->page_) return ::DefWindowProcW(window, message, wParam, lParam);
  // The owner ends, if its container let go of it meanwhile, once the message is handled.
  const ComPtr<IUnknown> hold(&self->events_.Owner());
  // A window procedure is a COM-facing boundary too: nothing may unwind into user32.
  LRESULT result = 0;
  const HRESULT hr = Guarded("PageWindow.WindowProc", [&]() -> HRESULT {
    result = self->Handle(message, wParam, lParam);
    return S_OK;
  });
  return SUCCEEDED(hr) ? result : ::DefWindowProcW(window, message, wParam, lParam);
}

LRESULT PageWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  // Focus moves among the children are seen through their notifications (buttons without
  // BS_NOTIFY send none: a later notification or the page's own WM_SETFOCUS catches those).
  if (message == WM_COMMAND && lParam) {
    if (HIWORD(wParam) == BN_SETFOCUS) CheckFocus();
    if (HIWORD(wParam) == BN_KILLFOCUS) ::PostMessageW(page_, kCheckFocus, 0, 0);
  } else if (message == WM_NOTIFY && lParam) {
    const UINT code = reinterpret_cast<const NMHDR*>(lParam)->code;
    if (code == NM_SETFOCUS) CheckFocus();
    if (code == NM_KILLFOCUS) ::PostMessageW(page_, kCheckFocus, 0, 0);
  }
  LRESULT result = 0;
  if (controls_ && controls_->OnMessage(message, wParam, lParam, result)) return result;
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      ::BeginPaint(page_, &paint);
      ::EndPaint(page_, &paint);
      events_.OnPagePaint();
      return 0;
    }
    case WM_SETFOCUS:
      // The page itself takes no keys: its first control does.
      FocusFirstControl();
      CheckFocus();
      return 0;
    case kCheckFocus:
      CheckFocus();
      return 0;
    default:
      break;
  }
  return ::DefWindowProcW(page_, message, wParam, lParam);
}

}  // namespace bellnest::com
