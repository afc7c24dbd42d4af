// Registry access where only the simulated registry can go: a registry that fails call by call
// (the support suite pins the values themselves, natively and under Wine), what the query
// answers for other types, and values that cannot become the type asked for.
#include "support/registry.h"

#include <gtest/gtest.h>

#include "common/world_fixture.h"
#include "sim/memory_registry.h"

namespace bellnest {
namespace {

using sim::RegCall;

const std::string kProduct = "Software\\Quillfen\\Bellnest";
const std::string kProfile = kProduct + "\\Default Outlook Profile";

class RegistryAccess : public testing_support::WorldTest {
 protected:
  void TearDown() override { EXPECT_EQ(registry_.OpenHandleCount(), 0u); }
  std::optional<sim::RegValue> Stored(const std::string& path, const std::string& name) {
    return registry_.GetValue(kHkeyCurrentUser, path, name);
  }
};

TEST_F(RegistryAccess, OtherTypesQueryAsMinusOneAndValuesAreWrittenAsTheTypeAsked) {
  for (uint32_t type : {reg::kBinary, reg::kExpandSz, reg::kMultiSz, reg::kQword, reg::kNone}) {
    ASSERT_TRUE(registry_.SetValue(kHkeyCurrentUser, kProduct, "IncludeSubfolders", type, std::string("%X%\0", 4)));
    RegKey key = 0;
    ASSERT_EQ(registry_.RegOpenKeyA(kHkeyCurrentUser, kProduct, &key), reg::kSuccess);
    Variant value = std::string("unchanged");
    EXPECT_EQ(QueryRegistryValue(key, "IncludeSubfolders", value), -1) << type;
    EXPECT_EQ(value, Variant(std::string("unchanged")));
    registry_.RegCloseKey(key);
  }
  ASSERT_TRUE(WriteRegistryValue(kHkeyCurrentUser, kProfile, "A", int32_t{-5}, reg::kSz));
  ASSERT_TRUE(WriteRegistryValue(kHkeyCurrentUser, kProfile, "B", false, reg::kSz));
  EXPECT_EQ(Stored(kProfile, "A")->Data, std::string("-5\0", 3));
  EXPECT_EQ(Stored(kProfile, "B")->Data, std::string("False\0", 6));
  ASSERT_TRUE(WriteRegistryValue(kHkeyCurrentUser, kProfile, "C", Variant{}, reg::kDword));
  EXPECT_EQ(Stored(kProfile, "C")->Data, std::string(4, '\0'));
  // An object cannot become text: nothing is written.
  EXPECT_TRUE(WriteRegistryValue(kHkeyCurrentUser, kProfile, "StoreID", DispatchPtr{}, reg::kSz));
  EXPECT_FALSE(Stored(kProfile, "StoreID").has_value());
  // An empty path makes no key.
  const size_t creates = registry_.CallCount(RegCall::CreateKey);
  EXPECT_FALSE(WriteRegistryValue(kHkeyCurrentUser, "", "IncludeSubfolders", int32_t{1}, reg::kDword));
  EXPECT_EQ(registry_.CallCount(RegCall::CreateKey), creates);
}

// Failures of the registry are not reported: writes still answer true, reads answer Empty.
struct RegistryFault {
  const char* Label;
  RegCall Call;
  int Skip;  // calls of that kind that succeed first
};

class FailingRegistry : public RegistryAccess, public testing::WithParamInterface<RegistryFault> {};

TEST_P(FailingRegistry, ReadsEmptyWritesNothingAndLeavesNoHandleOpen) {
  const RegistryFault& c = GetParam();
  ASSERT_TRUE(registry_.SetValue(kHkeyCurrentUser, kProduct, "IncludeSubfolders", reg::kDword, {"\x01\0\0\0", 4}));
  ASSERT_TRUE(registry_.SetValue(kHkeyCurrentUser, kProfile, "ReminderFolders", reg::kSz, "AB;CD"));
  const bool writesFail = c.Call == RegCall::CreateKey || c.Call == RegCall::SetValue;
  const bool readsFail = c.Call == RegCall::OpenKey || c.Call == RegCall::QueryValue;
  for (int i = 0; i < 2; ++i) {
    registry_.InjectFault(c.Call, reg::kAccessDenied, c.Skip, /*times=*/1);
    const Variant read = i == 0 ? ReadRegistryValue(kHkeyCurrentUser, kProduct, "IncludeSubfolders")
                                : ReadRegistryValue(kHkeyCurrentUser, kProfile, "ReminderFolders");
    EXPECT_EQ(IsEmpty(read), readsFail) << i;
    registry_.ClearFaults();
    registry_.InjectFault(c.Call, reg::kAccessDenied, 0, /*times=*/1);
    EXPECT_TRUE(WriteRegistryValue(kHkeyCurrentUser, i == 0 ? kProduct : kProfile, "Written", int32_t{1}, reg::kDword));
    EXPECT_EQ(Stored(i == 0 ? kProduct : kProfile, "Written").has_value(), !writesFail) << i;
    registry_.ClearFaults();
  }
  // The stored values are untouched by the failures.
  EXPECT_EQ(ReadRegistryValue(kHkeyCurrentUser, kProduct, "IncludeSubfolders"), Variant(int32_t{1}));
  EXPECT_EQ(ReadRegistryValue(kHkeyCurrentUser, kProfile, "ReminderFolders"), Variant(std::string("AB;CD")));
}

INSTANTIATE_TEST_SUITE_P(RegistryAccess, FailingRegistry,
                         testing::Values(RegistryFault{"OpenKey", RegCall::OpenKey, 0},
                                         RegistryFault{"CreateKey", RegCall::CreateKey, 0},
                                         RegistryFault{"SizeQuery", RegCall::QueryValue, 0},
                                         RegistryFault{"DataQuery", RegCall::QueryValue, 1},
                                         RegistryFault{"SetValue", RegCall::SetValue, 0}),
                         [](const auto& info) { return std::string(info.param.Label); });

}  // namespace
}  // namespace bellnest
