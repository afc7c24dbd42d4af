// What only the real registry can show: handles as advapi32 sees them, names with an embedded
// NUL, and a profile name outside ASCII as Windows itself names the key.
#include "platform/win32/win32_registry.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/win32/win32_codec.h"
#include "platform/win32/windows_api.h"
#include "support/registry.h"
#include "support/shared_state.h"
#include "windows/win32_test_world.h"

namespace bellnest::win32 {
namespace {

using namespace std::string_literals;

TEST_F(Win32Test, HandlesTheSeamDidNotHandOutAreRefused) {
  RegistryApi& registry = Registry();
  // A key another part of the process opened itself must not be closed or used through the seam.
  HKEY foreign = nullptr;
  ASSERT_EQ(::RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, &foreign), ERROR_SUCCESS);
  ScopedRegKey owned(foreign);
  const RegKey number = FromHkey(foreign);
  uint32_t type = 0;
  uint32_t size = 0;
  RegKey sub = 0;
  EXPECT_EQ(registry.RegCloseKey(number), reg::kInvalidHandle);
  EXPECT_EQ(registry.RegQueryValueExA(number, "", &type, nullptr, &size), reg::kInvalidHandle);
  EXPECT_EQ(registry.RegOpenKeyA(number, "Microsoft", &sub), reg::kInvalidHandle);
  EXPECT_EQ(sub, 0u);
  EXPECT_EQ(registry.RegSetValueExA(0x1234, "Value", reg::kDword, nullptr, 0), reg::kInvalidHandle);
  // Still open: the refused close did not reach advapi32.
  HKEY microsoft = nullptr;
  EXPECT_EQ(::RegOpenKeyExA(foreign, "Microsoft", 0, KEY_READ, &microsoft), ERROR_SUCCESS);
  if (microsoft) ::RegCloseKey(microsoft);
}

TEST_F(Win32Test, OpeningAnEmptySubKeyNeedsItsOwnClose) {
  RegistryApi& registry = Registry();
  RegKey software = 0;  // the root given as its 32-bit value opens the user's hive
  ASSERT_EQ(registry.RegOpenKeyA(kHkeyCurrentUser, "Software", &software), reg::kSuccess);
  EXPECT_FALSE(IsPredefinedKey(software));
  EXPECT_EQ(World().OpenKeyHandles(), 1u);
  RegKey same = 0;
  ASSERT_EQ(registry.RegOpenKeyA(software, "", &same), reg::kSuccess);
  EXPECT_EQ(same, software);  // advapi32 answers the handle it was given
  EXPECT_EQ(registry.RegCloseKey(same), reg::kSuccess);
  RegKey microsoft = 0;
  EXPECT_EQ(registry.RegOpenKeyA(software, "Microsoft", &microsoft), reg::kSuccess) << "closed with the copy";
  registry.RegCloseKey(microsoft);
  EXPECT_EQ(registry.RegCloseKey(software), reg::kSuccess);
  EXPECT_EQ(registry.RegCloseKey(software), reg::kInvalidHandle);  // already closed
}

TEST_F(Win32Test, NamesWithAnEmbeddedNulAreRefusedRatherThanCut) {
  const std::string key = World().ScratchKeyPath();
  WriteRegistryValue(kHkeyCurrentUser, key, "Value\0Hidden"s, int32_t{1}, reg::kDword);
  EXPECT_FALSE(World().ReadRawValue(kHkeyCurrentUser, key, "Value").has_value());
  WriteRegistryValue(kHkeyCurrentUser, key + "\\Sub\0Other"s, "Value", int32_t{1}, reg::kDword);
  EXPECT_FALSE(World().KeyExists(kHkeyCurrentUser, key + "\\Sub"));
}

TEST_F(Win32Test, ProfileNameOutsideAsciiNamesTheKeyInUnicode) {
  ASSERT_EQ(::GetACP(), 1252u) << "the prefix runs another code page";
  const std::string profileKey = std::string(kProductKeyPath) + "\\Ren\u00e9e";
  const std::wstring wideKey = L"Software\\Quillfen\\Bellnest\\Ren\u00e9e";
  DeleteKeyTree(kHkeyCurrentUser, profileKey);

  ASSERT_TRUE(WriteRegistryValue(kHkeyCurrentUser, profileKey, "StoreID", std::string("Ren\u00e9e's store"), reg::kSz));
  EXPECT_EQ(ReadRegistryValue(kHkeyCurrentUser, profileKey, "StoreID"), Variant(std::string("Ren\u00e9e's store")));

  // Windows itself, asked in UTF-16, finds the key and the value under their real names.
  EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, wideKey, L"StoreID"), L"Ren\u00e9e's store");
  EXPECT_TRUE(DeleteKeyTree(kHkeyCurrentUser, profileKey));
}

}  // namespace
}  // namespace bellnest::win32
