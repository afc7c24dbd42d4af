// The support services against a whole world: registry values as another program stores and
// sees them, the path procedures on real folders, and the log file's bytes. Every expectation
// is what Windows does; the simulated world must meet the same ones.
#include "common/support_suite.h"

#include <ostream>
#include <vector>

#include "host/error_info.h"
#include "support/error_log.h"
#include "support/local_data_folder.h"
#include "support/registry.h"
#include "support/shared_state.h"

namespace bellnest {

std::string WorldMakerName(const ::testing::TestParamInfo<WorldMaker>& info) { return info.param.Name; }
void PrintTo(const WorldMaker& maker, std::ostream* out) { *out << maker.Name; }

void SupportSuite::SetUp() {
  ResetSharedState();
  world_ = GetParam().Make();
  ASSERT_NE(world_, nullptr);
  platform_ = std::make_unique<ScopedPlatform>(world_->Seams());
}

void SupportSuite::TearDown() {
  if (world_) {
    EXPECT_EQ(world_->OpenKeyHandles(), 0u) << "a registry key was left open";
    EXPECT_EQ(world_->OpenFindHandles(), 0u) << "a file search was left open";
  }
  platform_.reset();
  world_.reset();
  ResetSharedState();
}

namespace {

using namespace std::string_literals;

std::string Bytes(std::initializer_list<uint8_t> bytes) { return std::string(bytes.begin(), bytes.end()); }

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(text.substr(start, end - start));
  }
  lines.push_back(text.substr(start));
  return lines;
}

// ---- Registry values ----------------------------------------------------------------------

TEST_P(SupportSuite, WritesStoreAnsiTextWithOneNulAndReplaceTheValueAndItsType) {
  const std::string key = World().ScratchKeyPath();
  // The write gives the characters as the length; Windows NT's RegSetValueExA then stores the
  // NUL that follows them in memory as well, for every caller that leaves it out.
  std::string folders;  // a folder set of three hundred entry identifiers, past any small buffer
  for (int i = 0; i < 300; ++i) folders += "0000000038A1BB1005E5101AA1BB08002B2A56C2" + std::to_string(1000 + i) + ",";
  const std::pair<std::string, std::string> cases[] = {
      {"abc", "abc\0"s}, {"Ren\u00e9e \u20ac", "Ren\351e \x80\0"s}, {folders, folders + '\0'}};
  for (const auto& [text, bytes] : cases) {
    ASSERT_TRUE(WriteRegistryValue(kHkeyCurrentUser, key, "StoreID", text, reg::kSz));
    const auto raw = World().ReadRawValue(kHkeyCurrentUser, key, "StoreID");
    ASSERT_TRUE(raw.has_value());
    EXPECT_EQ(raw->Type, reg::kSz);
    EXPECT_EQ(raw->Bytes, bytes);
    EXPECT_EQ(ReadRegistryValue(kHkeyCurrentUser, key, "StoreID"), Variant(text));
  }
  WriteRegistryValue(kHkeyCurrentUser, key, "StoreID", int32_t{1}, reg::kDword);
  const auto raw = World().ReadRawValue(kHkeyCurrentUser, key, "StoreID");
  ASSERT_TRUE(raw.has_value());
  EXPECT_EQ(raw->Type, reg::kDword);
  EXPECT_EQ(raw->Bytes, Bytes({1, 0, 0, 0}));
}

struct StoredString {
  std::string Stored;
  std::string Read;
};

TEST_P(SupportSuite, StringsStoredByAnotherProgramReadBackWithoutOneTrailingNul) {
  const std::string key = World().ScratchKeyPath();
  const StoredString cases[] = {
      {"C:\\Data\0"s, "C:\\Data"},   // stored with its terminating NUL, as most programs do
      {"C:\\Data"s, "C:\\Data"},     // stored without it
      {""s, ""},                     // empty: a string, not a missing value
      {"\0"s, ""},                   // only the NUL
      {"ab\0\0"s, "ab\0"s},          // only one NUL is dropped
      {"Ren\351e\0"s, "Ren\u00e9e"}  // ANSI bytes become core text
  };
  for (const StoredString& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.Stored));
    ASSERT_TRUE(World().WriteRawValue(kHkeyCurrentUser, key, "Value", reg::kSz, c.Stored));
    EXPECT_EQ(ReadRegistryValue(kHkeyCurrentUser, key, "Value"), Variant(c.Read));
  }
}

struct DwordCase {
  Variant Written;
  std::string Stored;
  int32_t Read;
};

TEST_P(SupportSuite, DwordsAreStoredAsFourLittleEndianBytes) {
  const std::string key = World().ScratchKeyPath();
  const DwordCase cases[] = {
      {int32_t{1}, Bytes({1, 0, 0, 0}), 1},
      {int32_t{0}, Bytes({0, 0, 0, 0}), 0},
      {int32_t{-2}, Bytes({0xFE, 0xFF, 0xFF, 0xFF}), -2},
      {int32_t{0x12345678}, Bytes({0x78, 0x56, 0x34, 0x12}), 0x12345678},
      {true, Bytes({0xFF, 0xFF, 0xFF, 0xFF}), -1},     // CLng(True)
      {std::string("7"), Bytes({7, 0, 0, 0}), 7},      // numeric text converts
      {std::string("seven"), Bytes({0, 0, 0, 0}), 0},  // text that cannot convert stores 0
  };
  for (const DwordCase& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.Stored));
    ASSERT_TRUE(WriteRegistryValue(kHkeyCurrentUser, key, "IncludeSubfolders", c.Written, reg::kDword));
    const auto raw = World().ReadRawValue(kHkeyCurrentUser, key, "IncludeSubfolders");
    ASSERT_TRUE(raw.has_value());
    EXPECT_EQ(raw->Type, reg::kDword);
    EXPECT_EQ(raw->Bytes, c.Stored);
    EXPECT_EQ(ReadRegistryValue(kHkeyCurrentUser, key, "IncludeSubfolders"), Variant(c.Read));
  }
}

TEST_P(SupportSuite, MissingValuesAndOtherTypesReadAsEmptyAndMalformedDwordsAsTheBytesSay) {
  const std::string key = World().ScratchKeyPath();
  EXPECT_TRUE(IsEmpty(ReadRegistryValue(kHkeyCurrentUser, key, "IncludeSubfolders")));
  EXPECT_TRUE(IsEmpty(ReadRegistryValue(kHkeyCurrentUser, key + "\\Missing", "Other")));
  struct Stored {
    const char* Name;
    uint32_t Type;
    std::string Bytes;
  };
  const Stored others[] = {
      {"Binary", reg::kBinary, Bytes({1, 0, 0, 0})},
      {"Expand", reg::kExpandSz, "%TEMP%\\x\0"s},
      {"Multi", reg::kMultiSz, "a\0b\0\0"s},
      {"Qword", reg::kQword, Bytes({1, 0, 0, 0, 0, 0, 0, 0})},
      {"None", reg::kNone, ""s},
  };
  for (const Stored& s : others) {
    ASSERT_TRUE(World().WriteRawValue(kHkeyCurrentUser, key, s.Name, s.Type, s.Bytes));
    EXPECT_TRUE(IsEmpty(ReadRegistryValue(kHkeyCurrentUser, key, s.Name))) << s.Name;
  }
  EXPECT_TRUE(IsEmpty(ReadRegistryValue(kHkeyCurrentUser, key, "IncludeSubfolders")));  // a missing value of a present key

  // A REG_DWORD of the wrong length: a short one fills the low bytes, a long one does not fit
  // the four-byte buffer and reads as missing; neither is an error anyone sees.
  ASSERT_TRUE(World().WriteRawValue(kHkeyCurrentUser, key, "Short", reg::kDword, Bytes({0x34, 0x12})));
  EXPECT_EQ(ReadRegistryValue(kHkeyCurrentUser, key, "Short"), Variant(int32_t{0x1234}));
  ASSERT_TRUE(World().WriteRawValue(kHkeyCurrentUser, key, "Long", reg::kDword, Bytes({1, 0, 0, 0, 0, 0, 0, 0})));
  EXPECT_TRUE(IsEmpty(ReadRegistryValue(kHkeyCurrentUser, key, "Long")));
  ASSERT_TRUE(World().WriteRawValue(kHkeyCurrentUser, key, "Zero", reg::kDword, ""s));
  EXPECT_EQ(ReadRegistryValue(kHkeyCurrentUser, key, "Zero"), Variant(int32_t{0}));
}

TEST_P(SupportSuite, KeyPathsIgnoreCaseAndAreMadeAlongTheWayButNeverEmpty) {
  const std::string key = World().ScratchKeyPath();
  ASSERT_FALSE(World().KeyExists(kHkeyCurrentUser, key));
  ASSERT_TRUE(WriteRegistryValue(kHkeyCurrentUser, "\\" + key + "\\One\\Two", "StoreID", std::string("00AB"), reg::kSz));
  EXPECT_TRUE(World().KeyExists(kHkeyCurrentUser, key + "\\One"));
  EXPECT_EQ(ReadRegistryValue(kHkeyCurrentUser, key + "\\ONE\\two", "storeid"), Variant(std::string("00AB")));
  // Writing under another case changes the one value rather than adding a second.
  WriteRegistryValue(kHkeyCurrentUser, key + "\\one\\TWO", "STOREID", std::string("00CD"), reg::kSz);
  const auto raw = World().ReadRawValue(kHkeyCurrentUser, key + "\\One\\Two", "StoreID");
  ASSERT_TRUE(raw.has_value());
  EXPECT_EQ(raw->Bytes, "00CD\0"s);
  // Types other than string and DWORD are not written, but the key is made.
  EXPECT_TRUE(WriteRegistryValue(kHkeyCurrentUser, key + "\\Three", "Value", std::string("abc"), reg::kBinary));
  EXPECT_TRUE(World().KeyExists(kHkeyCurrentUser, key + "\\Three"));
  EXPECT_FALSE(World().ReadRawValue(kHkeyCurrentUser, key + "\\Three", "Value").has_value());
  const std::string name = "Bellnest empty path " + key.substr(key.find_last_of('\\') + 1);
  EXPECT_FALSE(WriteRegistryValue(kHkeyCurrentUser, "", name, int32_t{1}, reg::kDword));
  EXPECT_FALSE(World().ReadRawValue(kHkeyCurrentUser, "", name).has_value());
}

// ---- The registry seam's own contract, which the support code builds on -------------------

TEST_P(SupportSuite, RegistrySeamAnswersWithWindowsResultCodes) {
  RegistryApi& registry = Registry();
  const std::string key = World().ScratchKeyPath();

  RegKey handle = 12345;
  EXPECT_EQ(registry.RegOpenKeyA(kHkeyCurrentUser, key, &handle), reg::kFileNotFound);
  EXPECT_EQ(handle, 0u);  // a failed open leaves the handle 0
  EXPECT_EQ(registry.RegCloseKey(0), reg::kInvalidHandle);
  uint32_t type = 0;
  uint32_t size = 0;
  EXPECT_EQ(registry.RegQueryValueExA(0, "Value", &type, nullptr, &size), reg::kInvalidHandle);

  ASSERT_TRUE(World().WriteRawValue(kHkeyCurrentUser, key + "\\Child", "Value", reg::kSz, "abcdef\0"s));
  ASSERT_EQ(registry.RegOpenKeyA(kHkeyCurrentUser, key + "\\Child", &handle), reg::kSuccess);
  ASSERT_NE(handle, 0u);
  EXPECT_EQ(registry.RegQueryValueExA(handle, "Value", &type, nullptr, &size), reg::kSuccess);
  EXPECT_EQ(type, reg::kSz);
  EXPECT_EQ(size, 7u);
  uint8_t small[3] = {};
  size = sizeof small;
  EXPECT_EQ(registry.RegQueryValueExA(handle, "Value", &type, small, &size), reg::kMoreData);
  EXPECT_EQ(size, 7u);
  EXPECT_EQ(registry.RegQueryValueExA(handle, "Missing", &type, nullptr, &size), reg::kFileNotFound);
  EXPECT_EQ(registry.RegCloseKey(handle), reg::kSuccess);

  // A key with subkeys is refused; a leaf goes.
  EXPECT_EQ(registry.RegDeleteKeyA(kHkeyCurrentUser, key), reg::kAccessDenied);
  EXPECT_TRUE(World().KeyExists(kHkeyCurrentUser, key + "\\Child"));
  EXPECT_EQ(registry.RegDeleteKeyA(kHkeyCurrentUser, key + "\\Child"), reg::kSuccess);
  EXPECT_FALSE(World().KeyExists(kHkeyCurrentUser, key + "\\Child"));
  EXPECT_TRUE(World().KeyExists(kHkeyCurrentUser, key));
  EXPECT_EQ(registry.RegDeleteKeyA(kHkeyCurrentUser, key + "\\Child"), reg::kFileNotFound);
}

// ---- Local data folder --------------------------------------------------------------------

TEST_P(SupportSuite, PathIsPresentTellsFilesFromFolders) {
  const std::string folder = World().ScratchFolder();
  const std::string file = folder + "\\Bellnest.Log";
  ASSERT_TRUE(World().CreateFileOfSize(file, 10));
  const std::string missing = folder + "\\Missing";

  struct Case {
    std::string Path;
    bool Any, File, Folder;
  };
  const Case cases[] = {
      {folder, true, false, true}, {folder + "\\", true, false, true},  // found only through its attributes
      {file, true, true, false},   {missing, false, false, false},     {missing + "\\Deeper", false, false, false},
      {"C:\\", true, false, true},  // a drive root
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Path);
    EXPECT_EQ(PathIsPresent(c.Path, kPathAny), c.Any);
    EXPECT_EQ(PathIsPresent(c.Path, kPathFile), c.File);
    EXPECT_EQ(PathIsPresent(c.Path, kPathFolder), c.Folder);
    EXPECT_FALSE(PathIsPresent(c.Path, 3));  // an unknown kind
  }
}

TEST_P(SupportSuite, CreateFolderPathCreatesEveryMissingLevel) {
  const std::string folder = World().ScratchFolder();
  std::string path = folder + "\\One\\Two\\Three";
  CreateFolderPath(path);
  EXPECT_EQ(path, folder + "\\One\\Two\\Three\\");
  EXPECT_TRUE(PathIsPresent(folder + "\\One\\Two\\Three", kPathFolder));

  // Again on what is there: nothing fails, nothing changes.
  CreateFolderPath(path);
  EXPECT_EQ(path, folder + "\\One\\Two\\Three\\");
  EXPECT_TRUE(PathIsPresent(path, kPathFolder));
}

TEST_P(SupportSuite, LocalDataFolderIsTheProductFolderInLocalAppData) {
  ASSERT_TRUE(IsWindowsNT());
  std::string localAppData;
  ASSERT_EQ(Shell().SHGetFolderPathA(0, shell::kCsidlLocalAppData | shell::kCsidlFlagCreate, 0, 0, &localAppData), 0);
  const std::string expected = AddBackslash(Codec().FromAnsi(localAppData)) + kProductFolderName;

  const std::string first = GetLocalDataFolder();
  // Ends in a backslash only when this call had to create the folder.
  EXPECT_TRUE(first == expected || first == expected + "\\") << first;
  EXPECT_TRUE(PathIsPresent(expected, kPathFolder));
  EXPECT_EQ(GetLocalDataFolder(), expected);
}

// ---- Log file -----------------------------------------------------------------------------

const ErrorInfo kStartUpFailure{-2147221233, "The operation failed.", "QFSMAPI.QFSSession"};

// An entry's lines after its date line, and the blank line that ends it.
std::vector<std::string> EntryLines(const std::string& bytes) {
  std::vector<std::string> lines = SplitLines(bytes);
  EXPECT_EQ(lines.size(), 9u) << bytes;  // eight lines, each ended, then nothing
  if (lines.empty() || lines[0].rfind("An Error occurred: ", 0) != 0 || lines[0].size() <= 19) {
    ADD_FAILURE() << "no date line: " << bytes;
    return lines;
  }
  lines.erase(lines.begin());
  return lines;
}

TEST_P(SupportSuite, EntriesAreWrittenAndAppendedInTheAnsiCodePage) {
  const std::string folder = World().ScratchFolder();
  State().LocalDataFolder = folder + "\\";  // a trailing backslash is not doubled
  const std::string log = folder + "\\Bellnest.Log";
  ASSERT_FALSE(World().ReadFileBytes(log).has_value());
  LogError(kStartUpFailure, "basPPOutlook", "InitHandler", "Error in InitHandler");
  const auto first = World().ReadFileBytes(log);
  ASSERT_TRUE(first.has_value());
  EXPECT_EQ(EntryLines(*first),
            (std::vector<std::string>{"Error #:-2147221233", "The operation failed.", "Source:QFSMAPI.QFSSession",
                                      "Module:basPPOutlook", "Procedure:InitHandler", "Error in InitHandler", "", ""}));
  LogError(ErrorInfo{}, "basPPPickFolders", "LoadFolders", "Profil Ren\u00e9e");
  const auto both = World().ReadFileBytes(log);
  ASSERT_TRUE(both.has_value());
  ASSERT_EQ(both->compare(0, first->size(), *first), 0) << "the first entry changed";
  EXPECT_EQ(EntryLines(both->substr(first->size())),
            (std::vector<std::string>{"Error #:0", "", "Source:", "Module:basPPPickFolders", "Procedure:LoadFolders",
                                      "Profil Ren\351e", "", ""}));
}

TEST_P(SupportSuite, LogOfExactlyTheLimitIsAppendedToAndOneByteMoreIsStartedAfresh) {
  const std::string folder = World().ScratchFolder();
  State().LocalDataFolder = folder;
  const std::string log = folder + "\\Bellnest.Log";
  const std::string entryStart = "An Error occurred: ";

  ASSERT_TRUE(World().CreateFileOfSize(log, kLogSizeLimit));
  LogError(kStartUpFailure, "basPPOutlook", "InitHandler", "Error in InitHandler");
  auto bytes = World().ReadFileBytes(log);
  ASSERT_TRUE(bytes.has_value());
  ASSERT_GT(bytes->size(), static_cast<size_t>(kLogSizeLimit));
  EXPECT_EQ(bytes->find_first_not_of('x'), static_cast<size_t>(kLogSizeLimit));
  EXPECT_EQ(bytes->compare(kLogSizeLimit, entryStart.size(), entryStart), 0);

  ASSERT_TRUE(World().CreateFileOfSize(log, kLogSizeLimit + 1));
  LogError(kStartUpFailure, "basPPOutlook", "InitHandler", "Error in InitHandler");
  bytes = World().ReadFileBytes(log);
  ASSERT_TRUE(bytes.has_value());
  EXPECT_EQ(bytes->find('x'), std::string::npos) << "the old log was not deleted";
  const std::vector<std::string> lines = SplitLines(*bytes);
  ASSERT_EQ(lines.size(), 9u);
  EXPECT_EQ(lines[0].rfind(entryStart, 0), 0u);
  EXPECT_EQ(lines[6], "Error in InitHandler");
}

TEST_P(SupportSuite, EntryForAMissingFolderIsLostQuietly) {
  const std::string folder = World().ScratchFolder();
  State().LocalDataFolder = folder + "\\Missing";
  LogError(kStartUpFailure, "basPPOutlook", "InitHandler", "Error in InitHandler");
  EXPECT_FALSE(World().ReadFileBytes(folder + "\\Missing\\Bellnest.Log").has_value());
  EXPECT_FALSE(PathIsPresent(folder + "\\Missing", kPathAny));
}

// ---- Code page ----------------------------------------------------------------------------

TEST_P(SupportSuite, CodePageIsWindows1252WithoutLookAlikes) {
  TextCodec& codec = Codec();
  struct Case {
    std::string Core;
    std::string Ansi;
  };
  const Case both[] = {
      {"Ren\u00e9e", "Ren\351e"},
      {"\u20ac \u2019 \u0178", "\x80 \x92 \x9F"},
      {"a\0b"s, "a\0b"s},  // NULs are characters like any other
      {"", ""},
  };
  for (const Case& c : both) {
    EXPECT_EQ(codec.ToAnsi(c.Core), c.Ansi);
    EXPECT_EQ(codec.FromAnsi(c.Ansi), c.Core);
  }
  // Characters 1252 lacks become "?", not the nearest letter, so no name turns into another.
  EXPECT_EQ(codec.ToAnsi("\u0141\u00f3d\u017a \u4e2d"), "?\363d? ?");
  // The five bytes 1252 leaves undefined come back as the C1 controls of the same number.
  EXPECT_EQ(codec.FromAnsi("\x81\x8D"), "\u0081\u008D");
}

}  // namespace
}  // namespace bellnest
