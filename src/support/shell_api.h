// The shell and file seam: the shell folder query, the version query, the kernel32 file calls
// of the local data folder, and the run-time's file services the log uses (append, measure,
// delete) and the library's own folder. Paths are Windows paths in ANSI bytes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "host/error_info.h"

namespace bellnest {

namespace shell {
inline constexpr int32_t kCsidlLocalAppData = 0x001C;
inline constexpr int32_t kCsidlFlagCreate = 0x8000;
inline constexpr uint32_t kVerPlatformWin32s = 0;
inline constexpr uint32_t kVerPlatformWin32Windows = 1;
inline constexpr uint32_t kVerPlatformWin32Nt = 2;
inline constexpr uint32_t kOsVersionInfoSize = 148;
inline constexpr uint32_t kFileAttributeDirectory = 0x10;
inline constexpr uint32_t kInvalidFileAttributes = 0xFFFFFFFFu;
inline constexpr intptr_t kInvalidHandleValue = -1;
inline constexpr int32_t kMaxPath = 260;
}  // namespace shell

struct OsVersionInfo {
  uint32_t Size = 0;  // the caller sets it to kOsVersionInfoSize
  uint32_t MajorVersion = 0;
  uint32_t MinorVersion = 0;
  uint32_t BuildNumber = 0;
  uint32_t PlatformId = 0;
};

class ShellFileApi {
 public:
  virtual ~ShellFileApi() = default;
  // SHGetFolderPathA; returns an HRESULT and, on success, the path (at most MAX_PATH - 1 bytes).
  virtual int32_t SHGetFolderPathA(intptr_t owner, int32_t folder, intptr_t token, uint32_t flags,
                                   std::string* path) = 0;
  // GetVersionExA; fails when info->Size is not a size it knows.
  virtual bool GetVersionExA(OsVersionInfo* info) = 0;
  // FindFirstFileA; kInvalidHandleValue when nothing matches.
  virtual intptr_t FindFirstFileA(const std::string& path) = 0;
  virtual bool FindClose(intptr_t handle) = 0;
  virtual uint32_t GetFileAttributesA(const std::string& path) = 0;
  // CreateDirectoryA with default security; false when it exists or cannot be made.
  virtual bool CreateDirectoryA(const std::string& path) = 0;
  // Run-time file services: Open For Append + Print, FileLen, Kill.
  virtual Status AppendToFile(const std::string& path, std::string_view bytes) = 0;
  virtual Result<int64_t> FileLength(const std::string& path) = 0;
  virtual Status DeleteFile(const std::string& path) = 0;
  // The folder that holds the control library's own file, without a trailing backslash.
  virtual std::string LibraryFolder() = 0;
};

// The current local date and time as text in the user's short-date and long-time format.
class ClockApi {
 public:
  virtual ~ClockApi() = default;
  virtual std::string NowText() = 0;
};

// Conversion between the core's UTF-8 and the ANSI code page of the registry and file calls.
class TextCodec {
 public:
  virtual ~TextCodec() = default;
  virtual std::string ToAnsi(std::string_view utf8) = 0;
  virtual std::string FromAnsi(std::string_view ansi) = 0;
};

}  // namespace bellnest
