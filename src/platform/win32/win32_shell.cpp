// kernel32 and shfolder behind the shell and file seam. File failures become the run-time's
// errors (53 File not found, 75 Path/File access error) as its Open, FileLen and Kill raise them.
#include "platform/win32/win32_shell.h"

#include <vector>

namespace bellnest::win32 {

namespace {

bool HasNul(const std::string& text) { return text.find('\0') != std::string::npos; }

bool IsNotFound(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

// The system folder, so that a DLL of the same name beside Outlook is never the one loaded.
std::string SystemFolderFile(const char* name) {
  char folder[MAX_PATH] = {};
  const UINT length = ::GetSystemDirectoryA(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};
  std::string path(folder, length);
  if (path.back() != '\\') path += '\\';
  return path + name;
}

// Any function of this library, to find the module that holds the code.
void ModuleAnchor() {}

}  // namespace

Win32Shell::~Win32Shell() {
  for (const intptr_t search : searches_) ::FindClose(reinterpret_cast<HANDLE>(search));
}

Win32Shell::FolderPathFunction Win32Shell::FolderPath() {
  if (folderPathLooked_) return folderPath_;
  folderPathLooked_ = true;
  for (const char* name : {"shfolder.dll", "shell32.dll"}) {
    const std::string file = SystemFolderFile(name);
    if (file.empty()) continue;
    ScopedModule module(::LoadLibraryA(file.c_str()));
    if (!module) continue;
    auto function = reinterpret_cast<FolderPathFunction>(
        reinterpret_cast<void*>(::GetProcAddress(module.Get(), "SHGetFolderPathA")));
    if (!function) continue;
    folderModule_ = std::move(module);
    folderPath_ = function;
    break;
  }
  return folderPath_;
}

int32_t Win32Shell::SHGetFolderPathA(intptr_t owner, int32_t folder, intptr_t token, uint32_t flags,
                                     std::string* path) {
  if (!path) return E_INVALIDARG;
  FolderPathFunction function = FolderPath();
  if (!function) return HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
  char buffer[MAX_PATH] = {};
  const HRESULT hr = function(reinterpret_cast<HWND>(owner), folder, reinterpret_cast<HANDLE>(token), flags, buffer);
  if (SUCCEEDED(hr)) path->assign(buffer, ::strnlen(buffer, MAX_PATH));
  return hr;
}

bool Win32Shell::GetVersionExA(OsVersionInfo* info) {
  if (!info) return false;
  // Room for the extended record; the size field, as the caller set it, decides which one
  // Windows fills (and a size it does not know fails the call).
  OSVERSIONINFOEXA version = {};
  version.dwOSVersionInfoSize = info->Size;
  if (info->Size > sizeof version) return false;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  // The platform test asks for the platform id, which the deprecation does not touch.
  if (!::GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&version))) return false;
#pragma GCC diagnostic pop
  info->MajorVersion = version.dwMajorVersion;
  info->MinorVersion = version.dwMinorVersion;
  info->BuildNumber = version.dwBuildNumber;
  info->PlatformId = version.dwPlatformId;
  return true;
}

intptr_t Win32Shell::FindFirstFileA(const std::string& path) {
  if (HasNul(path)) return shell::kInvalidHandleValue;
  WIN32_FIND_DATAA found = {};
  const HANDLE search = ::FindFirstFileA(path.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return shell::kInvalidHandleValue;
  const auto handle = reinterpret_cast<intptr_t>(search);
  searches_.insert(handle);
  return handle;
}

bool Win32Shell::FindClose(intptr_t handle) {
  if (searches_.erase(handle) == 0) {
    ::SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  return ::FindClose(reinterpret_cast<HANDLE>(handle)) != FALSE;
}

uint32_t Win32Shell::GetFileAttributesA(const std::string& path) {
  if (HasNul(path)) return shell::kInvalidFileAttributes;
  return ::GetFileAttributesA(path.c_str());
}

bool Win32Shell::CreateDirectoryA(const std::string& path) {
  if (HasNul(path)) return false;
  return ::CreateDirectoryA(path.c_str(), nullptr) != FALSE;
}

Status Win32Shell::AppendToFile(const std::string& path, std::string_view bytes) {
  if (HasNul(path)) return RuntimeError(err::kPathFileAccess);
  // Others may read the log while it is written, not write or delete it.
  ScopedKernelHandle file(::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return RuntimeError(::GetLastError() == ERROR_PATH_NOT_FOUND ? err::kPathNotFound : err::kPathFileAccess);
  if (!::SetFilePointerEx(file.Get(), LARGE_INTEGER{}, nullptr, FILE_END)) return RuntimeError(err::kPathFileAccess);
  while (!bytes.empty()) {
    const DWORD chunk = bytes.size() > 0x10000000u ? 0x10000000u : static_cast<DWORD>(bytes.size());
    DWORD written = 0;
    if (!::WriteFile(file.Get(), bytes.data(), chunk, &written, nullptr) || written == 0) {
      return RuntimeError(err::kPathFileAccess);
    }
    bytes.remove_prefix(written);
  }
  return {};
}

Result<int64_t> Win32Shell::FileLength(const std::string& path) {
  if (HasNul(path)) return RuntimeError(err::kFileNotFound);
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) {
    return RuntimeError(IsNotFound(::GetLastError()) ? err::kFileNotFound : err::kPathFileAccess);
  }
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return RuntimeError(err::kFileNotFound);
  return static_cast<int64_t>((static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
}

Status Win32Shell::DeleteFile(const std::string& path) {
  if (HasNul(path)) return RuntimeError(err::kFileNotFound);
  if (::DeleteFileA(path.c_str())) return {};
  return RuntimeError(IsNotFound(::GetLastError()) ? err::kFileNotFound : err::kPathFileAccess);
}

std::string Win32Shell::LibraryFolder() {
  HMODULE module = nullptr;
  if (!::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCSTR>(&ModuleAnchor), &module)) {
    return {};
  }
  // GetModuleFileNameA cuts a long path to the buffer and says so only by filling it.
  std::vector<char> buffer(MAX_PATH);
  for (;;) {
    const DWORD length = ::GetModuleFileNameA(module, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) {
      std::string file(buffer.data(), length);
      const size_t slash = file.find_last_of('\\');
      return slash == std::string::npos ? std::string() : file.substr(0, slash);
    }
    if (buffer.size() >= 32768) return {};
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace bellnest::win32
