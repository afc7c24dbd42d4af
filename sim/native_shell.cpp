// Windows paths over POSIX files. Every call maps its path afresh, so files made or removed
// behind the shell's back are seen at once.
#include "sim/native_shell.h"

#include <fstream>
#include <iterator>
#include <system_error>

#include "sim/code_page.h"

namespace bellnest::sim {

namespace fs = std::filesystem;

namespace {

constexpr uint32_t kFileAttributeArchive = 0x20;
constexpr int32_t kPathNotFoundHresult = static_cast<int32_t>(0x80070003);
constexpr int32_t kFileNameTooLongHresult = static_cast<int32_t>(0x800700CE);
constexpr int32_t kInvalidHandleHresult = static_cast<int32_t>(0x80070006);
constexpr uint32_t kOsVersionInfoExSize = 156;

bool HasWildcard(std::string_view name) { return name.find_first_of("*?") != std::string_view::npos; }

// Characters no file name may hold; the wildcards only in a search pattern.
bool IsValidName(std::string_view name, bool wildcards) {
  for (char c : name) {
    if (static_cast<uint8_t>(c) < 0x20 || std::string_view("<>:\"|").find(c) != std::string_view::npos) return false;
    if (!wildcards && (c == '*' || c == '?')) return false;
  }
  return true;
}

// '*' matches any run of characters, '?' one; both sides are upper-cased already. "*.*"
// matches every name, dotted or not, as it does on Windows.
bool Matches(std::string_view pattern, std::string_view name) {
  if (pattern == "*.*") return true;
  size_t p = 0, n = 0, starP = std::string_view::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == name[n])) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == '*') {
      starP = p++;
      starN = n;
    } else if (starP != std::string_view::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

bool IsDirectory(const fs::path& path) {
  std::error_code ec;
  return fs::is_directory(path, ec);
}

bool IsRegularFile(const fs::path& path) {
  std::error_code ec;
  return fs::is_regular_file(path, ec);
}

bool Exists(const fs::path& path) {
  std::error_code ec;
  return fs::exists(path, ec);
}

}  // namespace

NativeShell::NativeShell(fs::path root, TextCodec& codec, std::string userName)
    : root_(std::move(root)),
      codec_(codec),
      localAppData_("C:\\Users\\" + userName + "\\AppData\\Local"),
      libraryFolder_("C:\\Program Files\\Quillfen\\Bellnest") {
  AddDrive('C');
}

std::optional<NativeShell::WindowsPath> NativeShell::Parse(const std::string& path, bool wildcards) const {
  // Without a root folder there are no drives, rather than drives in the working directory.
  if (root_.empty()) return std::nullopt;
  // The A functions see the text up to its first NUL.
  std::string text = path.substr(0, path.find('\0'));
  for (char& c : text) {
    if (c == '/') c = '\\';
  }
  if (text.empty()) return std::nullopt;
  if (text.size() >= 2 && text[0] == '\\' && text[1] == '\\') return std::nullopt;  // UNC: no network here

  WindowsPath out;
  out.Drive = current_.Drive;
  size_t pos = 0;
  const auto letter = static_cast<uint8_t>(text[0]);
  if (text.size() >= 2 && text[1] == ':' && ((letter >= 'A' && letter <= 'Z') || (letter >= 'a' && letter <= 'z'))) {
    out.Drive = static_cast<char>(letter & ~0x20);
    pos = 2;
    // "X:name" is relative to the current directory when that is on drive X.
    if ((pos >= text.size() || text[pos] != '\\') && out.Drive == current_.Drive) out.Names = current_.Names;
  } else if (text[0] != '\\') {
    out.Names = current_.Names;
  }

  std::vector<std::string> names;
  size_t start = pos;
  while (start <= text.size()) {
    const size_t end = text.find('\\', start);
    const std::string name = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (name == "..") {
      if (!out.Names.empty()) out.Names.pop_back();
    } else if (!name.empty() && name != ".") {
      if (!IsValidName(name, wildcards)) return std::nullopt;
      out.Names.push_back(name);
    }
    if (end == std::string::npos) break;
    start = end + 1;
  }
  for (size_t i = 0; i + 1 < out.Names.size(); ++i) {
    if (HasWildcard(out.Names[i])) return std::nullopt;
  }
  out.TrailingSeparator = text.back() == '\\';
  return out;
}

fs::path NativeShell::DriveFolder(char drive) const { return root_ / std::string(1, static_cast<char>(drive | 0x20)); }

fs::path NativeShell::Map(const WindowsPath& path) const {
  fs::path at = DriveFolder(path.Drive);
  for (const std::string& name : path.Names) {
    fs::path exact = at / codec_.FromAnsi(name);
    std::error_code ec;
    if (fs::exists(fs::symlink_status(exact, ec)) || !IsDirectory(at)) {
      at = std::move(exact);
      continue;
    }
    const std::string wanted = UpperAnsi(name);
    fs::path found;
    for (const fs::directory_entry& entry : fs::directory_iterator(at, ec)) {
      if (UpperAnsi(codec_.ToAnsi(entry.path().filename().string())) == wanted) {
        found = entry.path();
        break;
      }
    }
    at = found.empty() ? std::move(exact) : std::move(found);
  }
  return at;
}

std::optional<fs::path> NativeShell::PosixPath(const std::string& path) const {
  const auto parsed = Parse(path);
  if (!parsed) return std::nullopt;
  return Map(*parsed);
}

int32_t NativeShell::SHGetFolderPathA(intptr_t owner, int32_t folder, intptr_t token, uint32_t flags,
                                      std::string* path) {
  folderPathCalls_.push_back(FolderPathCall{owner, folder, token, flags});
  if (folderPathResult_ != 0) return folderPathResult_;
  // A token asks for another user's folder; this world knows only its one user and no token
  // handles, so any token is a bad handle.
  if (token != 0) return kInvalidHandleHresult;
  if (!path || (folder & 0xFF) != shell::kCsidlLocalAppData || flags > 1) return kEInvalidArg;
  if (GetFileAttributesA(localAppData_) != shell::kFileAttributeDirectory) {
    // The ANSI function answers S_FALSE for a folder that is not there and was not to be made.
    if ((folder & shell::kCsidlFlagCreate) == 0) return kSFalse;
    if (!MakeFolders(localAppData_)) return kPathNotFoundHresult;
  }
  if (localAppData_.size() >= static_cast<size_t>(shell::kMaxPath)) return kFileNameTooLongHresult;
  *path = localAppData_;
  return 0;
}

bool NativeShell::GetVersionExA(OsVersionInfo* info) {
  if (!info || versionQueryFails_) return false;
  if (info->Size != shell::kOsVersionInfoSize && info->Size != kOsVersionInfoExSize) return false;
  info->PlatformId = platformId_;
  if (platformId_ == shell::kVerPlatformWin32Nt) {
    info->MajorVersion = 5;
    info->MinorVersion = 1;
    info->BuildNumber = 2600;
  } else {
    info->MajorVersion = 4;
    info->MinorVersion = 10;
    info->BuildNumber = 2222;
  }
  return true;
}

intptr_t NativeShell::FindFirstFileA(const std::string& path) {
  const auto parsed = Parse(path, true);
  // A drive root, or any path ending in a backslash, matches no directory entry.
  if (!parsed || parsed->Names.empty() || parsed->TrailingSeparator) return shell::kInvalidHandleValue;

  bool found = false;
  const std::string& last = parsed->Names.back();
  if (!HasWildcard(last)) {
    found = Exists(Map(*parsed));
  } else {
    WindowsPath parent = *parsed;
    parent.Names.pop_back();
    const fs::path folder = Map(parent);
    const std::string pattern = UpperAnsi(last);
    if (IsDirectory(folder)) {
      found = !parent.Names.empty() && (Matches(pattern, ".") || Matches(pattern, ".."));
      std::error_code ec;
      for (const fs::directory_entry& entry : fs::directory_iterator(folder, ec)) {
        if (found) break;
        found = Matches(pattern, UpperAnsi(codec_.ToAnsi(entry.path().filename().string())));
      }
    }
  }
  if (!found) return shell::kInvalidHandleValue;
  const intptr_t handle = nextFindHandle_;
  nextFindHandle_ += 4;
  findHandles_[handle] = path;
  return handle;
}

bool NativeShell::FindClose(intptr_t handle) { return findHandles_.erase(handle) > 0; }

uint32_t NativeShell::GetFileAttributesA(const std::string& path) {
  const auto parsed = Parse(path);
  if (!parsed) return shell::kInvalidFileAttributes;
  const fs::path target = Map(*parsed);
  if (IsDirectory(target)) return shell::kFileAttributeDirectory;
  // A file named with a trailing backslash is not found.
  if (!Exists(target) || parsed->TrailingSeparator) return shell::kInvalidFileAttributes;
  return kFileAttributeArchive;
}

bool NativeShell::CreateDirectoryA(const std::string& path) {
  if (Fails(ShellCall::CreateDirectory)) return false;
  const auto parsed = Parse(path);
  if (!parsed || parsed->Names.empty()) return false;
  const fs::path target = Map(*parsed);
  WindowsPath parent = *parsed;
  parent.Names.pop_back();
  if (Exists(target) || !IsDirectory(Map(parent))) return false;
  std::error_code ec;
  return fs::create_directory(target, ec) && !ec;
}

Status NativeShell::AppendToFile(const std::string& path, std::string_view bytes) {
  if (Fails(ShellCall::AppendToFile)) return RuntimeError(err::kPathFileAccess);
  const auto parsed = Parse(path);
  if (!parsed || parsed->Names.empty() || parsed->TrailingSeparator) return RuntimeError(err::kPathFileAccess);
  WindowsPath parent = *parsed;
  parent.Names.pop_back();
  if (!IsDirectory(Map(parent))) return RuntimeError(err::kPathNotFound);
  const fs::path target = Map(*parsed);
  if (IsDirectory(target)) return RuntimeError(err::kPathFileAccess);
  std::ofstream out(target, std::ios::binary | std::ios::app);
  if (out) out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (out) out.close();
  if (!out) return RuntimeError(err::kPathFileAccess);
  return {};
}

Result<int64_t> NativeShell::FileLength(const std::string& path) {
  if (Fails(ShellCall::FileLength)) return RuntimeError(err::kPathFileAccess);
  const auto parsed = Parse(path);
  if (!parsed) return RuntimeError(err::kFileNotFound);
  const fs::path target = Map(*parsed);
  std::error_code ec;
  const auto size = IsRegularFile(target) ? fs::file_size(target, ec) : 0;
  if (!IsRegularFile(target) || ec) return RuntimeError(err::kFileNotFound);
  return static_cast<int64_t>(size);
}

Status NativeShell::DeleteFile(const std::string& path) {
  if (Fails(ShellCall::DeleteFile)) return RuntimeError(err::kPathFileAccess);
  const auto parsed = Parse(path);
  if (!parsed) return RuntimeError(err::kFileNotFound);
  const fs::path target = Map(*parsed);
  if (!IsRegularFile(target)) return RuntimeError(err::kFileNotFound);
  std::error_code ec;
  if (!fs::remove(target, ec) || ec) return RuntimeError(err::kPathFileAccess);
  return {};
}

bool NativeShell::SetCurrentDirectory(const std::string& path) {
  auto parsed = Parse(path);
  if (!parsed || !IsDirectory(Map(*parsed))) return false;
  parsed->TrailingSeparator = false;
  current_ = std::move(*parsed);
  return true;
}

std::string NativeShell::CurrentDirectory() const {
  std::string text = std::string(1, current_.Drive) + ":\\";
  for (size_t i = 0; i < current_.Names.size(); ++i) text += (i ? "\\" : "") + current_.Names[i];
  return text;
}

bool NativeShell::AddDrive(char letter) {
  if (root_.empty()) return false;
  std::error_code ec;
  fs::create_directories(DriveFolder(letter), ec);
  return !ec;
}

void NativeShell::FailCall(ShellCall call, bool fails) {
  if (fails) {
    failing_.insert(call);
  } else {
    failing_.erase(call);
  }
}

bool NativeShell::MakeFolders(const std::string& path) {
  const auto parsed = Parse(path);
  if (!parsed || !IsDirectory(DriveFolder(parsed->Drive))) return false;
  WindowsPath prefix{parsed->Drive, {}, false};
  for (const std::string& name : parsed->Names) {
    prefix.Names.push_back(name);
    const fs::path folder = Map(prefix);
    if (IsDirectory(folder)) continue;
    std::error_code ec;
    if (!fs::create_directory(folder, ec) || ec) return false;
  }
  return true;
}

bool NativeShell::WriteFile(const std::string& path, std::string_view bytes) {
  const auto parsed = Parse(path);
  if (!parsed || parsed->Names.empty()) return false;
  std::ofstream out(Map(*parsed), std::ios::binary | std::ios::trunc);
  if (out) out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (out) out.close();
  return static_cast<bool>(out);
}

std::optional<std::string> NativeShell::ReadFile(const std::string& path) const {
  const auto parsed = Parse(path);
  if (!parsed || !IsRegularFile(Map(*parsed))) return std::nullopt;
  std::ifstream in(Map(*parsed), std::ios::binary);
  if (!in) return std::nullopt;
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

}  // namespace bellnest::sim
