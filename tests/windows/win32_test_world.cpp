// The Windows world of the shared support suite: the real registry and files of the Wine
// prefix, reached for arranging and inspecting through the plain Win32 calls, never the seams.
#include "windows/win32_test_world.h"

#include <filesystem>
#include <system_error>

#include "platform/win32/win32_codec.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/windows_api.h"
#include "support/shared_state.h"

namespace bellnest::win32 {

namespace {

constexpr const char* kScratchKeyRoot = "Software\\Quillfen\\Bellnest Tests";
constexpr const char* kScratchFolderName = "Bellnest Tests";

std::string Ansi(const std::string& text) { return AnsiCodec().ToAnsi(text); }

std::wstring Wide(const std::string& text) { return Utf8ToWide(text); }

}  // namespace

std::string ScratchName() {
  std::string name = "process " + std::to_string(::GetCurrentProcessId());
  if (const auto* test = ::testing::UnitTest::GetInstance()->current_test_info()) {
    name = std::string(test->test_suite_name()) + "." + test->name() + " " + name;
  }
  // Key and file names take neither backslashes nor the parameter's slashes.
  for (char& c : name) {
    if (c == '\\' || c == '/') c = '_';
  }
  return name;
}

std::wstring ReadValue(HKEY root, const std::wstring& key, const wchar_t* name) {
  union {
    wchar_t text[1024];
    DWORD number;
  } data = {};
  DWORD size = sizeof data;
  DWORD type = 0;
  if (::RegGetValueW(root, key.c_str(), name, RRF_RT_REG_SZ | RRF_RT_REG_DWORD, &type, &data, &size) != ERROR_SUCCESS) {
    return L"<missing>";
  }
  return type == REG_DWORD ? std::to_wstring(data.number) : std::wstring(data.text);
}

bool KeyExists(HKEY root, const std::wstring& key) {
  HKEY opened = nullptr;
  if (::RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return false;
  ::RegCloseKey(opened);
  return true;
}

bool DeleteKeyTree(RegKey root, const std::string& keyPath) {
  // With a sub key named, the key itself goes as well.
  const LONG status = ::RegDeleteTreeW(ToHkey(root), Wide(keyPath).c_str());
  return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

bool DeleteFolderTree(const std::string& path) {
  std::error_code error;
  std::filesystem::remove_all(std::filesystem::path(Wide(path)), error);
  return !error && ::GetFileAttributesW(Wide(path).c_str()) == INVALID_FILE_ATTRIBUTES;
}

Win32TestWorld::~Win32TestWorld() {
  if (!scratchKey_.empty()) DeleteKeyTree(kHkeyCurrentUser, scratchKey_);
  // Gone with the last test that used it; refused while others still have theirs.
  ::RegDeleteKeyA(HKEY_CURRENT_USER, kScratchKeyRoot);
  if (!scratchFolder_.empty()) DeleteFolderTree(scratchFolder_);
}

std::string Win32TestWorld::ScratchKeyPath() {
  if (scratchKey_.empty()) {
    scratchKey_ = std::string(kScratchKeyRoot) + "\\" + ScratchName();
    DeleteKeyTree(kHkeyCurrentUser, scratchKey_);
  }
  return scratchKey_;
}

std::string Win32TestWorld::ScratchFolder() {
  if (scratchFolder_.empty()) {
    char temp[MAX_PATH + 1] = {};
    const DWORD length = ::GetTempPathA(sizeof temp, temp);
    std::string parent = AnsiCodec().FromAnsi(std::string(temp, length)) + kScratchFolderName;
    ::CreateDirectoryW(Wide(parent).c_str(), nullptr);
    scratchFolder_ = parent + "\\" + ScratchName();
    DeleteFolderTree(scratchFolder_);
    ::CreateDirectoryW(Wide(scratchFolder_).c_str(), nullptr);
  }
  return scratchFolder_;
}

std::optional<RawRegValue> Win32TestWorld::ReadRawValue(RegKey root, const std::string& keyPath,
                                                        const std::string& valueName) {
  HKEY opened = nullptr;
  if (::RegOpenKeyExA(ToHkey(root), Ansi(keyPath).c_str(), 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  ScopedRegKey key(opened);
  const std::string name = Ansi(valueName);
  DWORD type = 0;
  DWORD size = 0;
  if (::RegQueryValueExA(key.Get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  std::string bytes(size + 1, '\0');
  DWORD got = size + 1;
  if (::RegQueryValueExA(key.Get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(bytes.data()), &got) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  bytes.resize(got);
  return RawRegValue{type, bytes};
}

bool Win32TestWorld::WriteRawValue(RegKey root, const std::string& keyPath, const std::string& valueName, uint32_t type,
                                   std::string_view bytes) {
  HKEY created = nullptr;
  if (::RegCreateKeyExA(ToHkey(root), Ansi(keyPath).c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &created,
                        nullptr) != ERROR_SUCCESS) {
    return false;
  }
  ScopedRegKey key(created);
  // A non-NUL byte after the data: RegSetValueExA would otherwise store a NUL that follows a
  // string given without one, and "exactly these bytes" is the point here.
  std::string data(bytes);
  data.push_back('\x01');
  return ::RegSetValueExA(key.Get(), Ansi(valueName).c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                          static_cast<DWORD>(bytes.size())) == ERROR_SUCCESS;
}

bool Win32TestWorld::KeyExists(RegKey root, const std::string& keyPath) {
  return win32::KeyExists(ToHkey(root), Wide(keyPath));
}

bool Win32TestWorld::CreateFileOfSize(const std::string& path, size_t size) {
  ScopedKernelHandle file(
      ::CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  const std::string bytes(size, 'x');
  DWORD written = 0;
  return ::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

std::optional<std::string> Win32TestWorld::ReadFileBytes(const std::string& path) {
  ScopedKernelHandle file(::CreateFileW(Wide(path).c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return std::nullopt;
  std::string bytes;
  char buffer[65536];
  DWORD got = 0;
  while (::ReadFile(file.Get(), buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
  return bytes;
}

void Win32Test::SetUp() {
  ResetSharedState();
  platform_ = std::make_unique<ScopedPlatform>(world_.Seams());
}

void Win32Test::TearDown() {
  EXPECT_EQ(world_.OpenKeyHandles(), 0u) << "a registry key was left open";
  EXPECT_EQ(world_.OpenFindHandles(), 0u) << "a file search was left open";
  platform_.reset();
  ResetSharedState();
}

std::unique_ptr<SupportWorld> MakeWin32World() { return std::make_unique<Win32TestWorld>(); }

INSTANTIATE_TEST_SUITE_P(Win32, SupportSuite, ::testing::Values(WorldMaker{"Win32", MakeWin32World}), WorldMakerName);

}  // namespace bellnest::win32
