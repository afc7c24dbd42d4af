// The version resource of a module, read back as the About dialog and the add-in's registration show it.
#include "platform/win32/win32_version.h"

#include <vector>

#include "platform/win32/win32_codec.h"

namespace bellnest::win32 {

namespace {

ErrorInfo VersionError(const char* what) {
  const DWORD code = ::GetLastError();
  return ErrorInfo{code ? static_cast<int32_t>(HRESULT_FROM_WIN32(code)) : err::kFileNotFound, what, kProjectName};
}

}  // namespace

Result<VersionResource> ModuleVersion(HMODULE module) {
  wchar_t path[MAX_PATH] = {};
  if (!::GetModuleFileNameW(module, path, MAX_PATH)) return VersionError("Cannot find the library's file");
  DWORD ignored = 0;
  const DWORD size = ::GetFileVersionInfoSizeW(path, &ignored);
  if (!size) return VersionError("The library has no version resource");
  std::vector<char> block(size);
  if (!::GetFileVersionInfoW(path, 0, size, block.data())) return VersionError("Cannot read the library's version resource");

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (!::VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) || !fixed) {
    return VersionError("The library's version resource has no version number");
  }
  VersionResource version;
  // major.minor.0.revision: the third field is not shown.
  version.Major = HIWORD(fixed->dwFileVersionMS);
  version.Minor = LOWORD(fixed->dwFileVersionMS);
  version.Revision = LOWORD(fixed->dwFileVersionLS);

  struct Translation {
    WORD language, codePage;
  }* translations = nullptr;
  if (::VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translations), &length) &&
      translations && length >= sizeof(Translation)) {
    wchar_t query[64];
    ::wsprintfW(query, L"\\StringFileInfo\\%04x%04x\\FileDescription", translations[0].language,
                translations[0].codePage);
    wchar_t* description = nullptr;
    if (::VerQueryValueW(block.data(), query, reinterpret_cast<void**>(&description), &length) && description) {
      version.FileDescription = WideToUtf8(description);
    }
  }
  return version;
}

}  // namespace bellnest::win32
