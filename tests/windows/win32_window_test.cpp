// The test window and its helpers.
#include "windows/win32_window_test.h"

#include <cstdio>
#include <cstring>

namespace bellnest::win32 {

HWND CreateTestWindow(const wchar_t* className, WNDPROC proc, int clientWidth, int clientHeight, void* createParam) {
  WNDCLASSW windowClass = {};
  windowClass.lpfnWndProc = proc;
  windowClass.hInstance = ::GetModuleHandleW(nullptr);
  windowClass.lpszClassName = className;
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
  ::RegisterClassW(&windowClass);  // fails harmlessly when registered before
  const DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
  RECT frame{0, 0, clientWidth, clientHeight};
  ::AdjustWindowRectEx(&frame, style, FALSE, WS_EX_CONTROLPARENT);
  return ::CreateWindowExW(WS_EX_CONTROLPARENT, className, L"Bellnest", style, 40, 40, frame.right - frame.left,
                           frame.bottom - frame.top, nullptr, nullptr, ::GetModuleHandleW(nullptr), createParam);
}

TestPageWindow::TestPageWindow() {
  // A client area the page's design size (5160 x 5295 twips) at 96 DPI.
  hwnd_ = CreateTestWindow(L"BellnestTestPage", &Proc, 344, 353, this);
  page_ = Win32PageWindow::Create(hwnd_);
  ::ShowWindow(hwnd_, SW_SHOW);
  ::UpdateWindow(hwnd_);
}

TestPageWindow::~TestPageWindow() {
  page_.reset();
  ::DestroyWindow(hwnd_);
}

LRESULT CALLBACK TestPageWindow::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
  }
  auto* self = reinterpret_cast<TestPageWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  LRESULT result = 0;
  if (self && self->page_ && self->page_->OnMessage(message, wParam, lParam, result)) return result;
  return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

POINT CheckBoxPoint(HWND tree, HTREEITEM item) {
  RECT r{};
  std::memcpy(&r, &item, sizeof item);  // TVM_GETITEMRECT takes the item in the rectangle
  ::SendMessageW(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&r));
  for (int x = 0; x < r.left; ++x) {
    TVHITTESTINFO hit = {};
    hit.pt = {x, (r.top + r.bottom) / 2};
    ::SendMessageW(tree, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    if (hit.flags & TVHT_ONITEMSTATEICON) return {x + 4, hit.pt.y};
  }
  return {0, 0};
}

bool SaveScreenshot(HWND window, const std::string& name) {
  ::CreateDirectoryA("screenshots", nullptr);
  return standin::SaveBmp(window, "screenshots/" + name + ".bmp");
}

}  // namespace bellnest::win32
