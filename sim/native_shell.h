// The native world's shell and file calls: Windows paths mapped onto a folder of the Linux disk
// the way Wine maps drives (C:\Users\pat becomes <root>/c/Users/pat), with the answers of the
// kernel32 and shfolder functions the local data folder and the log rely on.
//
// Paths are ANSI bytes in the Windows-1252 code page and name files in UTF-8 on disk. Either
// slash separates; "." and ".." are resolved; drive letters and names match case-insensitively
// (an existing entry is found whatever its case, a new one takes the case given); relative
// paths and "\..." start from a configurable current directory. As on Windows, FindFirstFileA
// finds nothing for a path that ends in a backslash (a drive root is found only through its
// attributes), and SHGetFolderPathA creates the folder only when CSIDL_FLAG_CREATE is given.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "support/shell_api.h"

namespace bellnest::sim {

inline constexpr int32_t kSFalse = 1;
inline constexpr int32_t kEFail = static_cast<int32_t>(0x80004005);
inline constexpr int32_t kEInvalidArg = static_cast<int32_t>(0x80070057);

// The file calls that can be made to fail on demand.
enum class ShellCall { CreateDirectory, AppendToFile, FileLength, DeleteFile };

class NativeShell final : public ShellFileApi {
 public:
  // Files live under root; codec names them on disk. Drive C is added at once.
  NativeShell(std::filesystem::path root, TextCodec& codec, std::string userName = "pat");

  // The shell and file seam.
  int32_t SHGetFolderPathA(intptr_t owner, int32_t folder, intptr_t token, uint32_t flags, std::string* path) override;
  bool GetVersionExA(OsVersionInfo* info) override;
  intptr_t FindFirstFileA(const std::string& path) override;
  bool FindClose(intptr_t handle) override;
  uint32_t GetFileAttributesA(const std::string& path) override;
  bool CreateDirectoryA(const std::string& path) override;
  Status AppendToFile(const std::string& path, std::string_view bytes) override;
  Result<int64_t> FileLength(const std::string& path) override;
  Status DeleteFile(const std::string& path) override;
  std::string LibraryFolder() override { return libraryFolder_; }

  // Configuration. Defaults: local AppData C:\Users\<user>\AppData\Local, shell call working,
  // the NT platform (Windows XP), library folder C:\Program Files\Quillfen\Bellnest, current
  // directory C:\.
  void SetLocalAppData(std::string path) { localAppData_ = std::move(path); }
  const std::string& LocalAppData() const { return localAppData_; }
  // A result other than 0 makes SHGetFolderPathA fail with it.
  void SetFolderPathResult(int32_t hresult) { folderPathResult_ = hresult; }
  // kVerPlatformWin32Nt (Windows XP) or kVerPlatformWin32Windows (Windows 98).
  void SetPlatform(uint32_t platformId) { platformId_ = platformId; }
  void SetVersionQueryFails(bool fails) { versionQueryFails_ = fails; }
  void SetLibraryFolder(std::string path) { libraryFolder_ = std::move(path); }
  // False when the path is not a present folder.
  bool SetCurrentDirectory(const std::string& path);
  std::string CurrentDirectory() const;
  // Makes a drive present (an empty folder for it under root).
  bool AddDrive(char letter);
  void FailCall(ShellCall call, bool fails = true);

  // For tests and tools.
  size_t OpenFindHandleCount() const { return findHandles_.size(); }
  struct FolderPathCall {
    intptr_t Owner = 0;
    int32_t Folder = 0;
    intptr_t Token = 0;
    uint32_t Flags = 0;
    bool operator==(const FolderPathCall&) const = default;
  };
  const std::vector<FolderPathCall>& FolderPathCalls() const { return folderPathCalls_; }
  // Where a Windows path lands on disk (existing names in their own case); nullopt for a path
  // that cannot be mapped (a UNC path, a bad character).
  std::optional<std::filesystem::path> PosixPath(const std::string& path) const;
  // Creates every missing folder of the path; false when that fails or the drive is absent.
  bool MakeFolders(const std::string& path);
  bool WriteFile(const std::string& path, std::string_view bytes);
  std::optional<std::string> ReadFile(const std::string& path) const;

 private:
  struct WindowsPath {
    char Drive = 'C';
    std::vector<std::string> Names;
    bool TrailingSeparator = false;
  };

  std::optional<WindowsPath> Parse(const std::string& path, bool wildcards = false) const;
  std::filesystem::path Map(const WindowsPath& path) const;
  std::filesystem::path DriveFolder(char drive) const;
  bool Fails(ShellCall call) const { return failing_.count(call) > 0; }

  std::filesystem::path root_;
  TextCodec& codec_;
  WindowsPath current_;
  std::string localAppData_;
  std::string libraryFolder_;
  int32_t folderPathResult_ = 0;
  uint32_t platformId_ = shell::kVerPlatformWin32Nt;
  bool versionQueryFails_ = false;
  std::set<ShellCall> failing_;
  std::map<intptr_t, std::string> findHandles_;
  std::vector<FolderPathCall> folderPathCalls_;
  intptr_t nextFindHandle_ = 0x1000;
};

}  // namespace bellnest::sim
