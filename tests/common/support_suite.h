// The support services tested against a whole world: the same registry, local data folder,
// log and code page cases run natively against the simulated registry and files, and under
// Wine against the real ones, with the same expectations. A world gives its seams and the few
// things a test must arrange or inspect from outside the seams; each test binary instantiates
// the suite with its own world:
//
//   INSTANTIATE_TEST_SUITE_P(Win32, SupportSuite, testing::Values(WorldMaker{"Win32", MakeWin32World}),
//                            WorldMakerName);
//
// Text crossing this interface is core text (UTF-8); paths are Windows paths.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "support/platform.h"

namespace bellnest {

struct RawRegValue {
  uint32_t Type = 0;
  std::string Bytes;  // exactly as stored, in the ANSI code page for strings
};

class SupportWorld {
 public:
  virtual ~SupportWorld() = default;

  // The registry, shell, clock and code page seams; installed for each test.
  virtual Platform Seams() = 0;

  // A key path under HKEY_CURRENT_USER that is absent when the test starts and belongs to this
  // test alone; the world removes it, with everything below it, when the test ends.
  virtual std::string ScratchKeyPath() = 0;
  // A present, empty folder that belongs to this test alone, removed when the test ends. No
  // trailing backslash.
  virtual std::string ScratchFolder() = 0;

  // Registry access that bypasses the seam, as another program would see and set values.
  // Absent when the key or value is missing.
  virtual std::optional<RawRegValue> ReadRawValue(RegKey root, const std::string& keyPath,
                                                  const std::string& valueName) = 0;
  // Stores exactly these bytes (nothing added), creating the key path when missing.
  virtual bool WriteRawValue(RegKey root, const std::string& keyPath, const std::string& valueName, uint32_t type,
                             std::string_view bytes) = 0;
  virtual bool KeyExists(RegKey root, const std::string& keyPath) = 0;

  // Files, bypassing the seam. Creating replaces any file of that name; the file holds size
  // bytes 'x'.
  virtual bool CreateFileOfSize(const std::string& path, size_t size) = 0;
  virtual std::optional<std::string> ReadFileBytes(const std::string& path) = 0;

  // Key handles and find handles obtained through the seams and not yet closed.
  virtual size_t OpenKeyHandles() = 0;
  virtual size_t OpenFindHandles() = 0;
};

struct WorldMaker {
  std::string Name;
  std::function<std::unique_ptr<SupportWorld>()> Make;
};

std::string WorldMakerName(const ::testing::TestParamInfo<WorldMaker>& info);
void PrintTo(const WorldMaker& maker, std::ostream* out);

// Each test gets a fresh world, its seams installed and the shared state at its start values;
// at its end no key or find handle may be left open.
class SupportSuite : public ::testing::TestWithParam<WorldMaker> {
 protected:
  void SetUp() override;
  void TearDown() override;

  SupportWorld& World() { return *world_; }

 private:
  std::unique_ptr<SupportWorld> world_;
  std::unique_ptr<ScopedPlatform> platform_;
};

}  // namespace bellnest
