// basLocalSettings over the shell and file seam. Errors are ignored step by step.
#include "support/local_data_folder.h"

#include "support/platform.h"
#include "support/registry.h"

namespace bellnest {

std::string GetLocalDataFolder() {
  TextCodec& codec = Codec();
  if (!IsWindowsNT()) return codec.FromAnsi(Shell().LibraryFolder());

  std::string buffer;
  const int32_t hr = Shell().SHGetFolderPathA(0, shell::kCsidlLocalAppData | shell::kCsidlFlagCreate, 0, 0, &buffer);
  std::string path;
  if (hr == 0) {
    path = codec.FromAnsi(buffer.substr(0, buffer.find('\0')));
  } else {
    path = ToText(ReadRegistryValue(kHkeyCurrentUser, kShellFoldersKey, "Local AppData")).ValueOr({});
  }
  path = AddBackslash(path) + kProductFolderName;
  if (!PathIsPresent(path, kPathFolder)) CreateFolderPath(path);
  return path;
}

bool IsWindowsNT() {
  OsVersionInfo info;
  info.Size = shell::kOsVersionInfoSize;
  return Shell().GetVersionExA(&info) && info.PlatformId == shell::kVerPlatformWin32Nt;
}

std::string AddBackslash(const std::string& path) {
  if (path.empty() || path.back() == '\\') return path;
  return path + '\\';
}

bool PathIsPresent(const std::string& path, int32_t kind) {
  ShellFileApi& files = Shell();
  const std::string ansi = Codec().ToAnsi(path);
  const intptr_t search = files.FindFirstFileA(ansi);
  bool present = search != shell::kInvalidHandleValue;
  // A drive root or a path with a trailing backslash is found only by its attributes.
  if (!present) present = files.GetFileAttributesA(ansi) != shell::kInvalidFileAttributes;

  bool answer = false;
  if (present) {
    if (kind == kPathAny) {
      answer = true;
    } else if (kind == kPathFile || kind == kPathFolder) {
      const uint32_t attributes = files.GetFileAttributesA(ansi);
      const bool folder = (attributes & shell::kFileAttributeDirectory) != 0;
      answer = kind == kPathFile ? !folder : folder;
    }
  }
  files.FindClose(search);
  return answer;
}

void CreateFolderPath(std::string& path) {
  path = AddBackslash(path);
  ShellFileApi& files = Shell();
  TextCodec& codec = Codec();
  for (size_t p = 0; p < path.size(); ++p) {
    if (path[p] == '\\') files.CreateDirectoryA(codec.ToAnsi(path.substr(0, p + 1)));
  }
}

}  // namespace bellnest
