// What the Windows benchmark programs share: a millisecond clock, the median of runs, and the
// DLLs of this build tree registered per user as the installer does.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "platform/win32/windows_api.h"

namespace bellnest::bench {

inline double Milliseconds() {
  LARGE_INTEGER now, frequency;
  ::QueryPerformanceCounter(&now);
  ::QueryPerformanceFrequency(&frequency);
  return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

inline double Median(std::vector<double> runs) {
  std::sort(runs.begin(), runs.end());
  const size_t n = runs.size();
  return n == 0 ? 0 : n % 2 ? runs[n / 2] : (runs[n / 2 - 1] + runs[n / 2]) / 2;
}

// DllInstall(install, "user") of a DLL of this build tree (a Unix path) or of a Windows path;
// the DLL is not left loaded.
inline bool InstallPerUser(const wchar_t* dllPath, bool install) {
  std::wstring path = dllPath[0] == L'/' ? std::wstring(L"Z:") + dllPath : std::wstring(dllPath);
  std::replace(path.begin(), path.end(), L'/', L'\\');
  HMODULE library = ::LoadLibraryW(path.c_str());
  if (!library) return false;
  using Install = HRESULT(STDAPICALLTYPE*)(BOOL, LPCWSTR);
  auto install_ = reinterpret_cast<Install>(reinterpret_cast<void*>(::GetProcAddress(library, "DllInstall")));
  const bool ok = install_ && SUCCEEDED(install_(install, L"user"));
  ::FreeLibrary(library);
  return ok;
}

}  // namespace bellnest::bench
