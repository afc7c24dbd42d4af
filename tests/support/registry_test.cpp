// Registry access as the options and the folder set use it: what is stored, what reads back,
// what reads as Empty, and that no key handle outlives a call, whatever the registry answers.
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
  void Store(const std::string& path, const std::string& name, uint32_t type, const std::string& data) {
    ASSERT_TRUE(registry_.SetValue(kHkeyCurrentUser, path, name, type, data));
  }
};

// The write passes the three characters without their NUL; Windows (and so the registry
// here) stores the NUL that follows them in memory, and the read drops it again.
TEST_F(RegistryAccess, AStringWrittenWithoutItsNulIsStoredWithTheOneThatFollowsAndReadsBack) {
  ASSERT_TRUE(WriteRegistryValue(kHkeyCurrentUser, kProfile, "StoreID", std::string("abc"), reg::kSz));
  const auto stored = Stored(kProfile, "StoreID");
  ASSERT_TRUE(stored.has_value());
  EXPECT_EQ(stored->Type, reg::kSz);
  EXPECT_EQ(stored->Data, std::string("abc\0", 4));
  EXPECT_EQ(ReadRegistryValue(kHkeyCurrentUser, kProfile, "StoreID"), Variant(std::string("abc")));
}

struct StringRead {
  const char* Label;
  std::string Stored;
  std::string Read;
};

class StoredStrings : public RegistryAccess, public testing::WithParamInterface<StringRead> {};

TEST_P(StoredStrings, ReadBackWithoutOneTerminatingNul) {
  Store(kProfile, "ReminderFolders", reg::kSz, GetParam().Stored);
  EXPECT_EQ(ReadRegistryValue(kHkeyCurrentUser, kProfile, "ReminderFolders"), Variant(GetParam().Read));
}

INSTANTIATE_TEST_SUITE_P(
    RegistryAccess, StoredStrings,
    testing::Values(StringRead{"WrittenByAnotherProgram", std::string("0000ABCD\0", 9), "0000ABCD"},
                    StringRead{"EmptyIsAnEmptyStringNotEmpty", "", ""},
                    StringRead{"OnlyTheNul", std::string("\0", 1), ""},
                    StringRead{"OnlyOneNulIsDropped", std::string("ab\0\0", 4), std::string("ab\0", 3)},
                    StringRead{"AnsiBecomesUnicode", "Caf\xe9 \x96 B\xfcro", "Caf\xc3\xa9 \xe2\x80\x93 B\xc3\xbcro"}),
    [](const testing::TestParamInfo<StringRead>& info) { return std::string(info.param.Label); });

TEST_F(RegistryAccess, ADwordReadsAsASignedInteger) {
  ASSERT_TRUE(WriteRegistryValue(kHkeyCurrentUser, kProduct, "IncludeSubfolders", int32_t{1}, reg::kDword));
  EXPECT_EQ(Stored(kProduct, "IncludeSubfolders")->Data, std::string("\x01\0\0\0", 4));
  EXPECT_EQ(ReadRegistryValue(kHkeyCurrentUser, kProduct, "IncludeSubfolders"), Variant(int32_t{1}));
  Store(kProduct, "DisableDefaultFolders", reg::kDword, "\xff\xff\xff\xff");
  EXPECT_EQ(ReadRegistryValue(kHkeyCurrentUser, kProduct, "DisableDefaultFolders"), Variant(int32_t{-1}));
}

struct DwordWrite {
  const char* Label;
  Variant Value;
  std::string Stored;
};

class DwordWrites : public RegistryAccess, public testing::WithParamInterface<DwordWrite> {};

TEST_P(DwordWrites, StoreTheConvertedNumberOrZero) {
  ASSERT_TRUE(WriteRegistryValue(kHkeyCurrentUser, kProduct, "IncludeSubfolders", GetParam().Value, reg::kDword));
  EXPECT_EQ(Stored(kProduct, "IncludeSubfolders")->Data, GetParam().Stored);
}

INSTANTIATE_TEST_SUITE_P(RegistryAccess, DwordWrites,
                         testing::Values(DwordWrite{"Zero", int32_t{0}, std::string(4, '\0')},
                                         DwordWrite{"NumericText", std::string("12"), std::string("\x0c\0\0\0", 4)},
                                         DwordWrite{"True", true, "\xff\xff\xff\xff"},
                                         DwordWrite{"Empty", Variant{}, std::string(4, '\0')},
                                         DwordWrite{"TextThatIsNoNumber", std::string("yes"), std::string(4, '\0')}),
                         [](const testing::TestParamInfo<DwordWrite>& info) { return std::string(info.param.Label); });

TEST_F(RegistryAccess, NumbersAndBooleansAreWrittenAsTheirText) {
  ASSERT_TRUE(WriteRegistryValue(kHkeyCurrentUser, kProfile, "A", int32_t{-5}, reg::kSz));
  ASSERT_TRUE(WriteRegistryValue(kHkeyCurrentUser, kProfile, "B", false, reg::kSz));
  EXPECT_EQ(Stored(kProfile, "A")->Data, std::string("-5\0", 3));
  EXPECT_EQ(Stored(kProfile, "B")->Data, std::string("False\0", 6));
}

TEST_F(RegistryAccess, MissingKeysAndValuesReadAsEmpty) {
  EXPECT_TRUE(IsEmpty(ReadRegistryValue(kHkeyCurrentUser, kProfile, "ReminderFolders")));
  Store(kProfile, "StoreID", reg::kSz, "AB");
  EXPECT_TRUE(IsEmpty(ReadRegistryValue(kHkeyCurrentUser, kProfile, "ReminderFolders")));
  EXPECT_TRUE(IsEmpty(ReadRegistryValue(kHkeyCurrentUser, "", "ReminderFolders")));
}

class OtherValueTypes : public RegistryAccess, public testing::WithParamInterface<uint32_t> {};

TEST_P(OtherValueTypes, ReadAsEmptyAndQueryAnswersMinusOne) {
  Store(kProduct, "IncludeSubfolders", GetParam(), std::string("%X%\0", 4));
  EXPECT_TRUE(IsEmpty(ReadRegistryValue(kHkeyCurrentUser, kProduct, "IncludeSubfolders")));
  RegKey key = 0;
  ASSERT_EQ(registry_.RegOpenKeyA(kHkeyCurrentUser, kProduct, &key), reg::kSuccess);
  Variant value = std::string("unchanged");
  EXPECT_EQ(QueryRegistryValue(key, "IncludeSubfolders", value), -1);
  EXPECT_EQ(value, Variant(std::string("unchanged")));
  registry_.RegCloseKey(key);
}

INSTANTIATE_TEST_SUITE_P(RegistryAccess, OtherValueTypes,
                         testing::Values(reg::kBinary, reg::kExpandSz, reg::kMultiSz, reg::kQword, reg::kNone));

TEST_F(RegistryAccess, ALeadingBackslashIsDroppedFromTheKeyPath) {
  ASSERT_TRUE(WriteRegistryValue(kHkeyCurrentUser, "\\" + kProduct, "IncludeSubfolders", int32_t{1}, reg::kDword));
  EXPECT_TRUE(Stored(kProduct, "IncludeSubfolders").has_value());
  EXPECT_EQ(registry_.KeyPaths(kHkeyCurrentUser).back(), kProduct);
}

TEST_F(RegistryAccess, AnEmptyKeyPathWritesNothingAndAnswersFalse) {
  const auto before = registry_.ExportRegText();
  EXPECT_FALSE(WriteRegistryValue(kHkeyCurrentUser, "", "IncludeSubfolders", int32_t{1}, reg::kDword));
  EXPECT_EQ(registry_.ExportRegText(), before);
  EXPECT_EQ(registry_.CallCount(RegCall::CreateKey), 0u);
}

TEST_F(RegistryAccess, WritingUnderAMissingKeyCreatesEveryKeyAbove) {
  ASSERT_FALSE(registry_.KeyExists(kHkeyCurrentUser, "Software\\Quillfen"));
  ASSERT_TRUE(WriteRegistryValue(kHkeyCurrentUser, kProfile, "StoreID", std::string("AB"), reg::kSz));
  for (const std::string& path : {std::string("Software\\Quillfen"), kProduct, kProfile}) {
    EXPECT_TRUE(registry_.KeyExists(kHkeyCurrentUser, path)) << path;
  }
}

TEST_F(RegistryAccess, NonAsciiNamesAndTextRoundTripThroughTheCodePage) {
  const std::string profile = kProduct +
                              "\\Gesch\xc3\xa4"
                              "ftlich";  // Geschäftlich
  const std::string text =
      "Caf\xc3\xa9 \xe2\x80\x93 \xc2\xbb"
      "B\xc3\xbcro\xc2\xab";  // Café – »Büro«
  ASSERT_TRUE(WriteRegistryValue(kHkeyCurrentUser, profile, "Ordner \xc3\x9c", text, reg::kSz));
  const auto stored = Stored(kProduct +
                                 "\\Gesch\xe4"
                                 "ftlich",
                             "Ordner \xdc");
  ASSERT_TRUE(stored.has_value());
  EXPECT_EQ(stored->Data, std::string("Caf\xe9 \x96 \xbb"
                                      "B\xfcro\xab\0",
                                      14));
  EXPECT_EQ(ReadRegistryValue(kHkeyCurrentUser, profile, "ordner \xc3\xbc"), Variant(text));
  // A character the code page lacks is stored as "?", as WideCharToMultiByte does.
  ASSERT_TRUE(WriteRegistryValue(kHkeyCurrentUser, profile, "Kanji", std::string("\xe6\x97\xa5"), reg::kSz));
  EXPECT_EQ(Stored(kProduct + "\\Gesch\xe4"
                              "ftlich",
                   "Kanji")
                ->Data,
            std::string("?\0", 2));
}

TEST_F(RegistryAccess, OtherValueTypesAreNotWrittenButTheKeyIsMade) {
  EXPECT_TRUE(WriteRegistryValue(kHkeyCurrentUser, kProfile, "Blob", std::string("x"), reg::kBinary));
  EXPECT_TRUE(registry_.KeyExists(kHkeyCurrentUser, kProfile));
  EXPECT_FALSE(Stored(kProfile, "Blob").has_value());
}

TEST_F(RegistryAccess, AnObjectCannotBecomeTextAndWritesNothing) {
  EXPECT_TRUE(WriteRegistryValue(kHkeyCurrentUser, kProfile, "StoreID", DispatchPtr{}, reg::kSz));
  EXPECT_FALSE(Stored(kProfile, "StoreID").has_value());
}

// Failures of the registry are not reported: writes still answer true, reads answer Empty.
struct RegistryFault {
  const char* Label;
  RegCall Call;
  int Skip;
};

class FailingRegistry : public RegistryAccess, public testing::WithParamInterface<RegistryFault> {};

TEST_P(FailingRegistry, ReadsEmptyWritesNothingAndLeavesNoHandleOpen) {
  Store(kProduct, "IncludeSubfolders", reg::kDword, std::string("\x01\0\0\0", 4));
  Store(kProfile, "ReminderFolders", reg::kSz, "AB;CD");
  registry_.InjectFault(GetParam().Call, reg::kAccessDenied, GetParam().Skip);

  EXPECT_TRUE(WriteRegistryValue(kHkeyCurrentUser, kProduct, "DisableDefaultFolders", int32_t{1}, reg::kDword));
  EXPECT_TRUE(WriteRegistryValue(kHkeyCurrentUser, kProfile, "StoreID", std::string("EF"), reg::kSz));
  const Variant option = ReadRegistryValue(kHkeyCurrentUser, kProduct, "IncludeSubfolders");
  const Variant folders = ReadRegistryValue(kHkeyCurrentUser, kProfile, "ReminderFolders");

  const bool writesFail = GetParam().Call == RegCall::CreateKey || GetParam().Call == RegCall::SetValue;
  EXPECT_EQ(Stored(kProduct, "DisableDefaultFolders").has_value(), !writesFail);
  EXPECT_EQ(Stored(kProfile, "StoreID").has_value(), !writesFail);
  const bool readsFail = GetParam().Call == RegCall::OpenKey || GetParam().Call == RegCall::QueryValue;
  EXPECT_EQ(IsEmpty(option), readsFail);
  EXPECT_EQ(IsEmpty(folders), readsFail);
  registry_.ClearFaults();
  // The stored values are untouched by the failures.
  EXPECT_EQ(ReadRegistryValue(kHkeyCurrentUser, kProduct, "IncludeSubfolders"), Variant(int32_t{1}));
  EXPECT_EQ(ReadRegistryValue(kHkeyCurrentUser, kProfile, "ReminderFolders"), Variant(std::string("AB;CD")));
}

INSTANTIATE_TEST_SUITE_P(RegistryAccess, FailingRegistry,
                         testing::Values(RegistryFault{"OpenKey", RegCall::OpenKey, 0},
                                         RegistryFault{"CreateKey", RegCall::CreateKey, 0},
                                         RegistryFault{"SizeQuery", RegCall::QueryValue, 0},
                                         RegistryFault{"SetValue", RegCall::SetValue, 0}),
                         [](const testing::TestParamInfo<RegistryFault>& info) {
                           return std::string(info.param.Label);
                         });

TEST_F(RegistryAccess, AFailingSecondQueryReadsAsEmpty) {
  Store(kProfile, "ReminderFolders", reg::kSz, "AB;CD");
  Store(kProduct, "IncludeSubfolders", reg::kDword, std::string("\x01\0\0\0", 4));
  registry_.InjectFault(RegCall::QueryValue, reg::kAccessDenied, /*skip=*/1, /*times=*/1);
  EXPECT_TRUE(IsEmpty(ReadRegistryValue(kHkeyCurrentUser, kProfile, "ReminderFolders")));
  registry_.InjectFault(RegCall::QueryValue, reg::kAccessDenied, /*skip=*/1, /*times=*/1);
  EXPECT_TRUE(IsEmpty(ReadRegistryValue(kHkeyCurrentUser, kProduct, "IncludeSubfolders")));
}

}  // namespace
}  // namespace bellnest
