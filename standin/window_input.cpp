// Posted input, the pump, and window pictures.
#include "standin/window_input.h"

#include <array>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace bellnest::standin {

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

namespace {

struct WindowSearch {
  const wchar_t* className;
  const wchar_t* title;
  HWND found;
};

BOOL CALLBACK MatchOwnWindow(HWND window, LPARAM data) {
  auto& s = *reinterpret_cast<WindowSearch*>(data);
  DWORD process = 0;
  ::GetWindowThreadProcessId(window, &process);
  if (process != ::GetCurrentProcessId()) return TRUE;
  wchar_t text[256] = {};
  if (s.className && (!::GetClassNameW(window, text, 256) || ::lstrcmpiW(text, s.className) != 0)) return TRUE;
  if (s.title && (::GetWindowTextW(window, text, 256) < 0 || ::lstrcmpW(text, s.title) != 0)) return TRUE;
  s.found = window;
  return FALSE;
}

}  // namespace

HWND FindOwnWindow(const wchar_t* className, const wchar_t* title) {
  WindowSearch search{className, title, nullptr};
  ::EnumWindows(MatchOwnWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

namespace {

bool PumpOnce(const std::function<bool(MSG&)>& translate) {
  MSG message;
  bool any = false;
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    any = true;
    if (translate && translate(message)) continue;
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  return any;
}

}  // namespace

bool PumpUntil(const std::function<bool()>& done, int timeoutMs, const std::function<bool(MSG&)>& translate) {
  const DWORD start = ::GetTickCount();
  while (!done()) {
    if (static_cast<int>(::GetTickCount() - start) > timeoutMs) return false;
    PumpOnce(translate);
    if (!done()) ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  return true;
}

void DrainMessages(const std::function<bool(MSG&)>& translate) {
  // Idle twice in a row: a posted message may post the next one.
  for (int idle = 0; idle < 2;) {
    if (PumpOnce(translate)) {
      idle = 0;
    } else {
      ++idle;
      ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
  }
}

namespace {

// A bottom-up 24-bit bitmap of the given size.
BITMAPINFOHEADER Bitmap24(int width, int height) {
  BITMAPINFOHEADER header{};
  header.biSize = sizeof header;
  header.biWidth = width;
  header.biHeight = height;
  header.biPlanes = 1;
  header.biBitCount = 24;
  return header;
}

// The window's pixels as bottom-up 24-bit rows padded to four bytes; empty on failure.
std::vector<uint8_t> Capture(HWND window, int& width, int& height) {
  RECT r;
  if (!::GetWindowRect(window, &r)) return {};
  width = r.right - r.left;
  height = r.bottom - r.top;
  BITMAPINFOHEADER header = Bitmap24(width, height);
  const size_t stride = ((static_cast<size_t>(width) * 3 + 3) / 4) * 4;
  std::vector<uint8_t> pixels(stride * static_cast<size_t>(height));
  HDC screen = ::GetDC(nullptr);
  HDC memory = ::CreateCompatibleDC(screen);
  void* bits = nullptr;
  HBITMAP bitmap = ::CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = ::SelectObject(memory, bitmap);
  const bool copied = bitmap && ::BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
  ::GdiFlush();
  if (copied) std::copy_n(static_cast<const uint8_t*>(bits), pixels.size(), pixels.begin());
  ::SelectObject(memory, old);
  if (bitmap) ::DeleteObject(bitmap);
  ::DeleteDC(memory);
  ::ReleaseDC(nullptr, screen);
  if (!copied) pixels.clear();
  return pixels;
}

uint32_t Crc32(const uint8_t* data, size_t size, uint32_t crc = 0) {
  static const std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t n = 0; n < 256; ++n) {
      uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  crc = ~crc;
  for (size_t i = 0; i < size; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

void PutBig32(std::string& out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((value >> shift) & 0xFF);
}

void Chunk(std::string& png, const char* type, const std::string& data) {
  PutBig32(png, static_cast<uint32_t>(data.size()));
  std::string body = std::string(type, 4) + data;
  png += body;
  PutBig32(png, Crc32(reinterpret_cast<const uint8_t*>(body.data()), body.size()));
}

}  // namespace

bool SaveBmp(HWND window, const std::filesystem::path& file) {
  int width = 0, height = 0;
  const std::vector<uint8_t> pixels = Capture(window, width, height);
  if (pixels.empty()) return false;
  BITMAPINFOHEADER header = Bitmap24(width, height);
  header.biSizeImage = static_cast<DWORD>(pixels.size());
  const DWORD offset = sizeof(BITMAPFILEHEADER) + sizeof header;
  const BITMAPFILEHEADER fileHeader = {0x4D42, offset + header.biSizeImage, 0, 0, offset};
  std::ofstream out(file, std::ios::binary);
  out.write(reinterpret_cast<const char*>(&fileHeader), sizeof fileHeader);
  out.write(reinterpret_cast<const char*>(&header), sizeof header);
  out.write(reinterpret_cast<const char*>(pixels.data()), static_cast<std::streamsize>(pixels.size()));
  return static_cast<bool>(out);
}

// PNG with stored (uncompressed) deflate blocks: no compression library needed, and a dialog
// is small enough.
bool SavePng(HWND window, const std::filesystem::path& file) {
  int width = 0, height = 0;
  const std::vector<uint8_t> pixels = Capture(window, width, height);
  if (pixels.empty()) return false;
  const size_t stride = ((static_cast<size_t>(width) * 3 + 3) / 4) * 4;
  std::string raw;  // filter byte 0, then RGB, top row first
  for (int y = height - 1; y >= 0; --y) {
    raw += '\0';
    const uint8_t* row = pixels.data() + stride * static_cast<size_t>(y);
    for (int x = 0; x < width; ++x) {
      raw += static_cast<char>(row[x * 3 + 2]);
      raw += static_cast<char>(row[x * 3 + 1]);
      raw += static_cast<char>(row[x * 3]);
    }
  }
  std::string zlib = "\x78\x01";
  uint32_t a = 1, b = 0;
  for (unsigned char c : raw) {
    a = (a + c) % 65521;
    b = (b + a) % 65521;
  }
  for (size_t pos = 0; pos < raw.size() || pos == 0;) {
    const size_t length = std::min<size_t>(65535, raw.size() - pos);
    const bool last = pos + length >= raw.size();
    zlib += static_cast<char>(last ? 1 : 0);
    zlib += static_cast<char>(length & 0xFF);
    zlib += static_cast<char>(length >> 8);
    zlib += static_cast<char>(~length & 0xFF);
    zlib += static_cast<char>((~length >> 8) & 0xFF);
    zlib.append(raw, pos, length);
    pos += length;
    if (last) break;
  }
  PutBig32(zlib, (b << 16) | a);
  std::string header;
  PutBig32(header, static_cast<uint32_t>(width));
  PutBig32(header, static_cast<uint32_t>(height));
  header += std::string("\x08\x02\x00\x00\x00", 5);  // 8-bit RGB
  std::string png = "\x89PNG\r\n\x1a\n";
  Chunk(png, "IHDR", header);
  Chunk(png, "IDAT", zlib);
  Chunk(png, "IEND", "");
  std::ofstream out(file, std::ios::binary);
  out << png;
  return static_cast<bool>(out);
}

}  // namespace bellnest::standin
