// The shell and file seam over shfolder/shell32 and kernel32: the local application-data
// folder, the version query, the find/attribute/create-directory calls of the local data
// folder, and the log's append, measure and delete as the run-time does them.
//
// Like the registry seam, FindClose closes only search handles this object handed out: the
// core closes its handle also when the search failed, and a made-up handle must not reach
// kernel32 inside the host process.
#pragma once

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>

#include "platform/win32/windows_api.h"
#include "support/shell_api.h"

namespace bellnest::win32 {

class Win32Shell final : public ShellFileApi {
 public:
  Win32Shell() = default;
  // Closes the searches left open.
  ~Win32Shell() override;
  Win32Shell(const Win32Shell&) = delete;
  Win32Shell& operator=(const Win32Shell&) = delete;

  int32_t SHGetFolderPathA(intptr_t owner, int32_t folder, intptr_t token, uint32_t flags, std::string* path) override;
  bool GetVersionExA(OsVersionInfo* info) override;
  intptr_t FindFirstFileA(const std::string& path) override;
  bool FindClose(intptr_t handle) override;
  uint32_t GetFileAttributesA(const std::string& path) override;
  bool CreateDirectoryA(const std::string& path) override;
  Status AppendToFile(const std::string& path, std::string_view bytes) override;
  Result<int64_t> FileLength(const std::string& path) override;
  Status DeleteFile(const std::string& path) override;
  std::string LibraryFolder() override;

  size_t OpenFindHandleCount() const { return searches_.size(); }

 private:
  using FolderPathFunction = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPSTR);
  // SHGetFolderPathA from shfolder.dll, the redistributable that has it on every Windows, or
  // from shell32.dll; loaded from the system folder on first use and kept.
  FolderPathFunction FolderPath();

  std::set<intptr_t> searches_;
  ScopedModule folderModule_;
  FolderPathFunction folderPath_ = nullptr;
  bool folderPathLooked_ = false;
};

}  // namespace bellnest::win32
