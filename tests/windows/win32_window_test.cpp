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

bool PumpUntil(const std::function<bool()>& done, int timeoutMs, const std::function<bool(const MSG&)>& translate) {
  const DWORD start = ::GetTickCount();
  while (!done()) {
    if (static_cast<int>(::GetTickCount() - start) > timeoutMs) return false;
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (translate && translate(message)) continue;
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
    if (!done()) ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  return true;
}

void PostClick(HWND window, POINT at) {
  POINT screen = at;
  ::ClientToScreen(window, &screen);
  ::SetCursorPos(screen.x, screen.y);
  ::PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
  ::PostMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
}

void PostKey(HWND window, WPARAM key, wchar_t character) {
  ::PostMessageW(window, WM_KEYDOWN, key, 1);
  if (character) ::PostMessageW(window, WM_CHAR, character, 1);
  ::PostMessageW(window, WM_KEYUP, key, 0xC0000001);
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
  RECT r;
  if (!::GetWindowRect(window, &r)) return false;
  const int width = r.right - r.left;
  const int height = r.bottom - r.top;
  BITMAPINFOHEADER header = {};
  header.biSize = sizeof header;
  header.biWidth = width;
  header.biHeight = height;
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biSizeImage = ((width * 3 + 3) / 4) * 4 * height;  // rows padded to four bytes
  HDC screen = ::GetDC(nullptr);
  HDC memory = ::CreateCompatibleDC(screen);
  void* bits = nullptr;
  HBITMAP bitmap =
      ::CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = ::SelectObject(memory, bitmap);
  bool written = ::BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY) != FALSE;
  ::SelectObject(memory, old);
  const DWORD offset = sizeof(BITMAPFILEHEADER) + sizeof header;
  const BITMAPFILEHEADER file = {0x4D42, offset + header.biSizeImage, 0, 0, offset};
  ::CreateDirectoryA("screenshots", nullptr);
  FILE* out = written ? std::fopen(("screenshots\\" + name + ".bmp").c_str(), "wb") : nullptr;
  written = out && std::fwrite(&file, sizeof file, 1, out) == 1 && std::fwrite(&header, sizeof header, 1, out) == 1 &&
            std::fwrite(bits, header.biSizeImage, 1, out) == 1;
  if (out) std::fclose(out);
  ::DeleteObject(bitmap);
  ::DeleteDC(memory);
  ::ReleaseDC(nullptr, screen);
  return written;
}

}  // namespace bellnest::win32
