// The in-memory registry answers like advapi32: handles, key paths, value sizes, deletion and
// the result codes the core's registry code meets on Windows.
#include "sim/memory_registry.h"

#include <gtest/gtest.h>

#include <vector>

namespace bellnest::sim {
namespace {

const std::string kProduct = "Software\\Quillfen\\Bellnest";

std::string Bytes(const std::vector<uint8_t>& data) { return std::string(data.begin(), data.end()); }

class MemoryRegistryTest : public testing::Test {
 protected:
  RegKey Open(const std::string& path, int32_t expected = reg::kSuccess) {
    RegKey key = 0xDEAD;
    EXPECT_EQ(registry_.RegOpenKeyA(kHkeyCurrentUser, path, &key), expected) << path;
    return key;
  }
  RegKey Create(const std::string& path) {
    RegKey key = 0;
    EXPECT_EQ(registry_.RegCreateKeyA(kHkeyCurrentUser, path, &key), reg::kSuccess) << path;
    return key;
  }
  int32_t Set(RegKey key, const std::string& name, uint32_t type, const std::string& data) {
    return registry_.RegSetValueExA(key, name, type, reinterpret_cast<const uint8_t*>(data.data()),
                                    static_cast<uint32_t>(data.size()));
  }

  MemoryRegistry registry_;
};

TEST_F(MemoryRegistryTest, OpenedAndCreatedKeysGetFreshHandlesUntilClosed) {
  const RegKey created = Create(kProduct);
  const RegKey opened = Open(kProduct);
  EXPECT_NE(created, 0u);
  EXPECT_NE(created, opened);
  EXPECT_EQ(registry_.OpenHandleCount(), 2u);
  EXPECT_EQ(registry_.RegCloseKey(created), reg::kSuccess);
  EXPECT_EQ(registry_.RegCloseKey(created), reg::kInvalidHandle);
  EXPECT_EQ(registry_.RegCloseKey(opened), reg::kSuccess);
  EXPECT_EQ(registry_.OpenHandleCount(), 0u);
  // Predefined roots are always open and closing them succeeds.
  EXPECT_EQ(registry_.RegCloseKey(kHkeyCurrentUser), reg::kSuccess);
  EXPECT_EQ(registry_.RegCloseKey(kHkeyLocalMachine), reg::kSuccess);
}

TEST_F(MemoryRegistryTest, HandleZeroAndClosedHandlesAreInvalidForEveryFunction) {
  const RegKey closed = Create(kProduct);
  ASSERT_EQ(registry_.RegCloseKey(closed), reg::kSuccess);
  for (RegKey bad : {RegKey{0}, closed, RegKey{0x12345}}) {
    RegKey result = 0xDEAD;
    uint32_t size = 0;
    EXPECT_EQ(registry_.RegOpenKeyA(bad, "x", &result), reg::kInvalidHandle);
    EXPECT_EQ(result, 0u);
    EXPECT_EQ(registry_.RegCreateKeyA(bad, "x", &result), reg::kInvalidHandle);
    EXPECT_EQ(registry_.RegQueryValueExA(bad, "v", nullptr, nullptr, &size), reg::kInvalidHandle);
    EXPECT_EQ(Set(bad, "v", reg::kSz, "a"), reg::kInvalidHandle);
    EXPECT_EQ(registry_.RegDeleteKeyA(bad, "x"), reg::kInvalidHandle);
    EXPECT_EQ(registry_.RegCloseKey(bad), reg::kInvalidHandle);
  }
  EXPECT_EQ(registry_.KeyPaths(kHkeyCurrentUser),
            (std::vector<std::string>{"Software", "Software\\Quillfen", kProduct}));
}

TEST_F(MemoryRegistryTest, OpeningAMissingKeyFailsWithFileNotFoundAndHandleZero) {
  EXPECT_EQ(Open(kProduct, reg::kFileNotFound), 0u);
  EXPECT_EQ(registry_.OpenHandleCount(), 0u);
  EXPECT_TRUE(registry_.KeyPaths(kHkeyCurrentUser).empty());
}

TEST_F(MemoryRegistryTest, CreatingMakesEveryMissingKeyAlongThePath) {
  registry_.RegCloseKey(Create("Software\\Quillfen\\Bellnest\\Outlook\\Default"));
  EXPECT_EQ(registry_.KeyPaths(kHkeyCurrentUser),
            (std::vector<std::string>{"Software", "Software\\Quillfen", kProduct, kProduct + "\\Outlook",
                                      kProduct + "\\Outlook\\Default"}));
}

TEST_F(MemoryRegistryTest, KeyNamesMatchWhateverTheCaseAndKeepTheirFirstCase) {
  registry_.RegCloseKey(Create("Software\\Quillfen\\Bellnest"));
  registry_.RegCloseKey(Create("SOFTWARE\\quillfen\\BELLNEST\\Caf\xe9"));
  const RegKey key = Open("software\\QUILLFEN\\bellnest\\CAF\xc9");  // É matches é
  EXPECT_NE(key, 0u);
  registry_.RegCloseKey(key);
  EXPECT_EQ(registry_.SubKeyNames(kHkeyCurrentUser, "Software\\Quillfen"), std::vector<std::string>{"Bellnest"});
  EXPECT_EQ(registry_.SubKeyNames(kHkeyCurrentUser, kProduct), std::vector<std::string>{"Caf\xe9"});
}

TEST_F(MemoryRegistryTest, ATrailingBackslashNamesTheSameKey) {
  const RegKey product = Create(kProduct);
  ASSERT_EQ(Set(product, "IncludeSubfolders", reg::kDword, Bytes({1, 0, 0, 0})), reg::kSuccess);
  registry_.RegCloseKey(product);
  // A profile key built from an empty profile name is the product key itself.
  const RegKey same = Open(kProduct + "\\");
  uint32_t type = 0;
  EXPECT_EQ(registry_.RegQueryValueExA(same, "IncludeSubfolders", &type, nullptr, nullptr), reg::kSuccess);
  EXPECT_EQ(type, reg::kDword);
  registry_.RegCloseKey(same);
  EXPECT_EQ(registry_.KeyPaths(kHkeyCurrentUser).size(), 3u);
}

TEST_F(MemoryRegistryTest, ALeadingBackslashOrAnEmptyKeyNameIsABadPath) {
  RegKey key = 0xDEAD;
  EXPECT_EQ(registry_.RegCreateKeyA(kHkeyCurrentUser, "\\Software", &key), kErrorBadPathname);
  EXPECT_EQ(key, 0u);
  EXPECT_EQ(registry_.RegCreateKeyA(kHkeyCurrentUser, "Software\\\\Quillfen", &key), kErrorBadPathname);
  EXPECT_EQ(registry_.RegOpenKeyA(kHkeyCurrentUser, "\\Software", &key), kErrorBadPathname);
  EXPECT_TRUE(registry_.KeyPaths(kHkeyCurrentUser).empty());
}

TEST_F(MemoryRegistryTest, AnEmptySubKeyAnswersTheHandlePassedIn) {
  RegKey key = 0;
  EXPECT_EQ(registry_.RegOpenKeyA(kHkeyCurrentUser, "", &key), reg::kSuccess);
  EXPECT_EQ(key, kHkeyCurrentUser);
  const RegKey product = Create(kProduct);
  EXPECT_EQ(registry_.RegCreateKeyA(product, "", &key), reg::kSuccess);
  EXPECT_EQ(key, product);
  EXPECT_EQ(registry_.OpenHandleCount(), 1u);
  registry_.RegCloseKey(product);
}

TEST_F(MemoryRegistryTest, QueryReportsTypeAndSizeThenCopiesExactBytes) {
  const RegKey key = Create(kProduct);
  // Three characters passed without their NUL: the NUL after them in the buffer is stored too,
  // as NT does.
  ASSERT_EQ(Set(key, "ReminderFolders", reg::kSz, "abc"), reg::kSuccess);

  uint32_t type = 0;
  uint32_t size = 0;
  ASSERT_EQ(registry_.RegQueryValueExA(key, "reminderfolders", &type, nullptr, &size), reg::kSuccess);
  EXPECT_EQ(type, reg::kSz);
  EXPECT_EQ(size, 4u);

  uint8_t small[2] = {0, 0};
  size = sizeof small;
  EXPECT_EQ(registry_.RegQueryValueExA(key, "ReminderFolders", &type, small, &size), reg::kMoreData);
  EXPECT_EQ(size, 4u);

  uint8_t buffer[8] = {};
  size = sizeof buffer;
  ASSERT_EQ(registry_.RegQueryValueExA(key, "ReminderFolders", &type, buffer, &size), reg::kSuccess);
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), size), std::string("abc\0", 4));

  // Binary data is stored exactly as given, whatever follows it.
  const std::string bytes = "xyz";
  ASSERT_EQ(registry_.RegSetValueExA(key, "Blob", reg::kBinary, reinterpret_cast<const uint8_t*>(bytes.data()), 3),
            reg::kSuccess);
  size = 0;
  ASSERT_EQ(registry_.RegQueryValueExA(key, "Blob", &type, nullptr, &size), reg::kSuccess);
  EXPECT_EQ(size, 3u);

  EXPECT_EQ(registry_.RegQueryValueExA(key, "StoreID", &type, nullptr, &size), reg::kFileNotFound);
  EXPECT_EQ(registry_.RegQueryValueExA(key, "ReminderFolders", &type, buffer, nullptr), reg::kInvalidParameter);
  registry_.RegCloseKey(key);
}

TEST_F(MemoryRegistryTest, SettingReplacesTypeAndBytesAndKeepsTheValueName) {
  const RegKey key = Create(kProduct);
  ASSERT_EQ(Set(key, "StoreID", reg::kSz, std::string("0000\0", 5)), reg::kSuccess);
  ASSERT_EQ(Set(key, "STOREID", reg::kBinary, Bytes({0xFF, 0x00})), reg::kSuccess);
  ASSERT_EQ(Set(key, "", reg::kSz, ""), reg::kSuccess);
  registry_.RegCloseKey(key);
  const std::vector<RegValue> values = registry_.Values(kHkeyCurrentUser, kProduct);
  ASSERT_EQ(values.size(), 2u);
  EXPECT_EQ(values[0].Name, "StoreID");
  EXPECT_EQ(values[0].Type, reg::kBinary);
  EXPECT_EQ(values[0].Data, Bytes({0xFF, 0x00}));
  EXPECT_EQ(values[1].Name, "");
  EXPECT_EQ(values[1].Data, "");
}

TEST_F(MemoryRegistryTest, DeletingAKeyRefusesOneWithSubkeys) {
  registry_.RegCloseKey(Create(kProduct + "\\Outlook"));
  EXPECT_EQ(registry_.RegDeleteKeyA(kHkeyCurrentUser, kProduct), reg::kAccessDenied);
  EXPECT_EQ(registry_.RegDeleteKeyA(kHkeyCurrentUser, kProduct + "\\Missing"), reg::kFileNotFound);
  EXPECT_EQ(registry_.RegDeleteKeyA(kHkeyCurrentUser, kProduct + "\\outlook"), reg::kSuccess);
  EXPECT_FALSE(registry_.KeyExists(kHkeyCurrentUser, kProduct + "\\Outlook"));
  EXPECT_TRUE(registry_.KeyExists(kHkeyCurrentUser, kProduct));
  // A profile key with an empty profile name deletes the product key once it has no subkeys.
  EXPECT_EQ(registry_.RegDeleteKeyA(kHkeyCurrentUser, kProduct + "\\"), reg::kSuccess);
  EXPECT_FALSE(registry_.KeyExists(kHkeyCurrentUser, kProduct));
}

TEST_F(MemoryRegistryTest, AHandleToADeletedKeyAnswersKeyDeleted) {
  const RegKey key = Create(kProduct + "\\Outlook");
  ASSERT_EQ(registry_.RegDeleteKeyA(kHkeyCurrentUser, kProduct + "\\Outlook"), reg::kSuccess);
  uint32_t size = 0;
  EXPECT_EQ(registry_.RegQueryValueExA(key, "v", nullptr, nullptr, &size), kErrorKeyDeleted);
  EXPECT_EQ(Set(key, "v", reg::kSz, "a"), kErrorKeyDeleted);
  EXPECT_EQ(registry_.RegCloseKey(key), reg::kSuccess);
  EXPECT_FALSE(registry_.KeyExists(kHkeyCurrentUser, kProduct + "\\Outlook"));
}

TEST_F(MemoryRegistryTest, AnEmptySubKeyDeletesTheKeyItselfButNeverARoot) {
  const RegKey key = Create(kProduct);
  EXPECT_EQ(registry_.RegDeleteKeyA(key, ""), reg::kSuccess);
  EXPECT_FALSE(registry_.KeyExists(kHkeyCurrentUser, kProduct));
  registry_.RegCloseKey(key);
  EXPECT_EQ(registry_.RegDeleteKeyA(kHkeyCurrentUser, ""), reg::kAccessDenied);
}

TEST_F(MemoryRegistryTest, InjectedFaultsFailTheChosenCallsOnly) {
  registry_.InjectFault(RegCall::SetValue, reg::kAccessDenied);
  registry_.InjectFault(RegCall::OpenKey, reg::kAccessDenied, /*skip=*/1, /*times=*/1);
  const RegKey key = Create(kProduct);
  EXPECT_EQ(Set(key, "v", reg::kSz, "a"), reg::kAccessDenied);
  EXPECT_FALSE(registry_.GetValue(kHkeyCurrentUser, kProduct, "v").has_value());

  RegKey opened = 0;
  EXPECT_EQ(registry_.RegOpenKeyA(kHkeyCurrentUser, kProduct, &opened), reg::kSuccess);
  registry_.RegCloseKey(opened);
  opened = 0xDEAD;
  EXPECT_EQ(registry_.RegOpenKeyA(kHkeyCurrentUser, kProduct, &opened), reg::kAccessDenied);
  EXPECT_EQ(opened, 0u);
  EXPECT_EQ(registry_.RegOpenKeyA(kHkeyCurrentUser, kProduct, &opened), reg::kSuccess);
  registry_.RegCloseKey(opened);
  EXPECT_EQ(registry_.CallCount(RegCall::OpenKey), 3u);

  registry_.ClearFaults();
  EXPECT_EQ(Set(key, "v", reg::kSz, "a"), reg::kSuccess);
  registry_.RegCloseKey(key);
  EXPECT_EQ(registry_.OpenHandleCount(), 0u);
}

TEST_F(MemoryRegistryTest, DirectAccessReadsWritesAndRemovesTrees) {
  ASSERT_TRUE(registry_.SetValue(kHkeyCurrentUser, kProduct + "\\P1", "StoreID", reg::kSz, "AB"));
  ASSERT_TRUE(registry_.SetValue(kHkeyCurrentUser, kProduct + "\\P2", "StoreID", reg::kSz, "CD"));
  EXPECT_EQ(registry_.GetValue(kHkeyCurrentUser, kProduct + "\\p1", "storeid")->Data, "AB");
  EXPECT_FALSE(registry_.SetValue(kHkeyCurrentUser, "\\Bad", "v", reg::kSz, "x"));
  EXPECT_TRUE(registry_.DeleteValue(kHkeyCurrentUser, kProduct + "\\P2", "StoreID"));
  EXPECT_FALSE(registry_.DeleteValue(kHkeyCurrentUser, kProduct + "\\P2", "StoreID"));
  const RegKey deep = Create(kProduct + "\\P1");
  EXPECT_TRUE(registry_.DeleteTree(kHkeyCurrentUser, kProduct));
  EXPECT_EQ(registry_.KeyPaths(kHkeyCurrentUser), (std::vector<std::string>{"Software", "Software\\Quillfen"}));
  uint32_t size = 0;
  EXPECT_EQ(registry_.RegQueryValueExA(deep, "StoreID", nullptr, nullptr, &size), kErrorKeyDeleted);
  registry_.RegCloseKey(deep);
  EXPECT_FALSE(registry_.DeleteTree(kHkeyCurrentUser, ""));
}

}  // namespace
}  // namespace bellnest::sim
