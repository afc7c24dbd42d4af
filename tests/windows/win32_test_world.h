// The Windows world for the shared support suite, and the helpers the Wine-only tests share:
// scratch keys and folders that belong to one test process, and raw registry and file access
// that bypasses the seams.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "common/support_suite.h"
#include "platform/win32/win32_world.h"

namespace bellnest::win32 {

// Names unique to the running test and process, so that tests running side by side in the one
// Wine prefix (ctest -j) never meet.
std::string ScratchName();

// A string or DWORD registry value as text; "<missing>" when the key or value is not there.
std::wstring ReadValue(HKEY root, const std::wstring& key, const wchar_t* name = nullptr);
bool KeyExists(HKEY root, const std::wstring& key);
// Removes a key with everything below it; true when it is gone.
bool DeleteKeyTree(RegKey root, const std::string& keyPath);
// Removes a folder with everything in it; true when it is gone.
bool DeleteFolderTree(const std::string& path);

class Win32TestWorld final : public SupportWorld {
 public:
  Win32TestWorld() = default;
  ~Win32TestWorld() override;

  Platform Seams() override { return world_.Seams(); }
  std::string ScratchKeyPath() override;
  std::string ScratchFolder() override;
  std::optional<RawRegValue> ReadRawValue(RegKey root, const std::string& keyPath,
                                          const std::string& valueName) override;
  bool WriteRawValue(RegKey root, const std::string& keyPath, const std::string& valueName, uint32_t type,
                     std::string_view bytes) override;
  bool KeyExists(RegKey root, const std::string& keyPath) override;
  bool CreateFileOfSize(const std::string& path, size_t size) override;
  std::optional<std::string> ReadFileBytes(const std::string& path) override;
  size_t OpenKeyHandles() override { return world_.Registry().OpenHandleCount(); }
  size_t OpenFindHandles() override { return world_.Shell().OpenFindHandleCount(); }

  Win32World& Seamed() { return world_; }

 private:
  Win32World world_;
  std::string scratchKey_;
  std::string scratchFolder_;
};

std::unique_ptr<SupportWorld> MakeWin32World();

// Tests of what only the Windows world does: its seams installed, shared state reset, and no
// handle left open at the end.
class Win32Test : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  Win32TestWorld& World() { return world_; }

 private:
  Win32TestWorld world_;
  std::unique_ptr<ScopedPlatform> platform_;
};

}  // namespace bellnest::win32
