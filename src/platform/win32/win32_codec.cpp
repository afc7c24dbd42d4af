// CP_ACP and CP_UTF8 through UTF-16, as Windows converts: MultiByteToWideChar one way,
// WideCharToMultiByte the other. Lengths are explicit so embedded NULs survive.
#include "platform/win32/win32_codec.h"

#include <climits>

#include "platform/win32/windows_api.h"

namespace bellnest::win32 {

namespace {

// Longer texts than an int can count do not occur here (registry values, paths, log entries);
// they convert to nothing rather than to a silently cut text.
bool Countable(size_t size) { return size <= static_cast<size_t>(INT_MAX); }

std::wstring ToWide(UINT codePage, std::string_view bytes) {
  if (bytes.empty() || !Countable(bytes.size())) return {};
  const int size = static_cast<int>(bytes.size());
  const int length = ::MultiByteToWideChar(codePage, 0, bytes.data(), size, nullptr, 0);
  if (length <= 0) return {};
  std::wstring wide(static_cast<size_t>(length), L'\0');
  ::MultiByteToWideChar(codePage, 0, bytes.data(), size, wide.data(), length);
  return wide;
}

std::string FromWide(UINT codePage, DWORD flags, std::wstring_view wide) {
  if (wide.empty() || !Countable(wide.size())) return {};
  const int size = static_cast<int>(wide.size());
  const int length = ::WideCharToMultiByte(codePage, flags, wide.data(), size, nullptr, 0, nullptr, nullptr);
  if (length <= 0) return {};
  std::string bytes(static_cast<size_t>(length), '\0');
  ::WideCharToMultiByte(codePage, flags, wide.data(), size, bytes.data(), length, nullptr, nullptr);
  return bytes;
}

}  // namespace

std::string AnsiCodec::ToAnsi(std::string_view utf8) {
  return FromWide(CP_ACP, WC_NO_BEST_FIT_CHARS, ToWide(CP_UTF8, utf8));
}

std::string AnsiCodec::FromAnsi(std::string_view ansi) { return WideToUtf8(ToWide(CP_ACP, ansi)); }

std::wstring Utf8ToWide(std::string_view utf8) { return ToWide(CP_UTF8, utf8); }

std::string WideToUtf8(std::wstring_view wide) { return FromWide(CP_UTF8, 0, wide); }

}  // namespace bellnest::win32
