// Where the product keeps its log on each kind of machine, what is created there, and the path
// helpers it stands on.
#include "support/local_data_folder.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "common/world_fixture.h"
#include "sim/native_shell.h"

namespace bellnest {
namespace {

namespace fs = std::filesystem;

class LocalDataFolder : public testing_support::WorldTest {
 protected:
  void TearDown() override { EXPECT_EQ(shell_.OpenFindHandleCount(), 0u); }

  bool IsFolder(const std::string& windowsPath) {
    return shell_.GetFileAttributesA(windowsPath) == shell::kFileAttributeDirectory;
  }
  fs::path Disk(const char* relative) { return world_.Root() / "c" / relative; }
};

TEST_F(LocalDataFolder, OnNtItIsCreatedUnderLocalAppDataAndEndsInABackslash) {
  ASSERT_FALSE(IsFolder("C:\\Users\\pat\\AppData\\Local\\Bellnest"));
  EXPECT_EQ(GetLocalDataFolder(), "C:\\Users\\pat\\AppData\\Local\\Bellnest\\");
  EXPECT_TRUE(fs::is_directory(Disk("Users/pat/AppData/Local/Bellnest")));
}

TEST_F(LocalDataFolder, WhenAlreadyPresentNothingIsMadeAndNoBackslashFollows) {
  ASSERT_TRUE(shell_.MakeFolders("C:\\Users\\pat\\AppData\\Local\\BELLNEST"));
  EXPECT_EQ(GetLocalDataFolder(), "C:\\Users\\pat\\AppData\\Local\\Bellnest");
  EXPECT_FALSE(fs::exists(Disk("Users/pat/AppData/Local/Bellnest")));  // the existing BELLNEST was used
}

TEST_F(LocalDataFolder, TheShellCreatesAMissingLocalAppDataFolder) {
  shell_.SetLocalAppData("C:\\Documents and Settings\\pat\\Local Settings\\Application Data");
  EXPECT_EQ(GetLocalDataFolder(), "C:\\Documents and Settings\\pat\\Local Settings\\Application Data\\Bellnest\\");
  EXPECT_TRUE(fs::is_directory(Disk("Documents and Settings/pat/Local Settings/Application Data/Bellnest")));
}

TEST_F(LocalDataFolder, AFailingShellFallsBackToTheShellFoldersValue) {
  shell_.SetFolderPathResult(sim::kEFail);
  ASSERT_TRUE(registry_.SetValue(kHkeyCurrentUser, kShellFoldersKey, "Local AppData", reg::kSz,
                                 std::string("C:\\Data\\J\xfcrgen\\Local") + '\0'));
  EXPECT_EQ(GetLocalDataFolder(), "C:\\Data\\J\xc3\xbcrgen\\Local\\Bellnest\\");
  EXPECT_TRUE(fs::is_directory(Disk("Data/J\xc3\xbcrgen/Local/Bellnest")));
  EXPECT_EQ(registry_.OpenHandleCount(), 0u);
}

TEST_F(LocalDataFolder, WithNeitherShellNorRegistryItIsBareBellnestInTheCurrentDirectory) {
  shell_.SetFolderPathResult(sim::kEFail);
  ASSERT_TRUE(registry_.DeleteValue(kHkeyCurrentUser, kShellFoldersKey, "Local AppData"));
  EXPECT_EQ(GetLocalDataFolder(), "Bellnest\\");
  EXPECT_TRUE(fs::is_directory(Disk("Users/pat/Bellnest")));
}

TEST_F(LocalDataFolder, OnWindows9xItIsTheLibraryFolderAndNothingIsCreated) {
  shell_.SetPlatform(shell::kVerPlatformWin32Windows);
  shell_.SetLibraryFolder("C:\\Program Files\\Quillfen\\Bellnest");
  EXPECT_FALSE(IsWindowsNT());
  EXPECT_EQ(GetLocalDataFolder(), "C:\\Program Files\\Quillfen\\Bellnest");
  EXPECT_FALSE(fs::exists(Disk("Users/pat/AppData/Local/Bellnest")));
  EXPECT_FALSE(fs::exists(Disk("Program Files/Quillfen/Bellnest/Bellnest")));
}

TEST_F(LocalDataFolder, AFailingVersionQueryIsNotNt) {
  EXPECT_TRUE(IsWindowsNT());
  shell_.SetVersionQueryFails(true);
  EXPECT_FALSE(IsWindowsNT());
  EXPECT_EQ(GetLocalDataFolder(), shell_.LibraryFolder());
}

TEST_F(LocalDataFolder, AFolderThatCannotBeMadeIsReturnedAnyway) {
  shell_.FailCall(sim::ShellCall::CreateDirectory);
  EXPECT_EQ(GetLocalDataFolder(), "C:\\Users\\pat\\AppData\\Local\\Bellnest\\");
  EXPECT_FALSE(fs::exists(Disk("Users/pat/AppData/Local/Bellnest")));
}

TEST(AddBackslash, AddsOneOnlyWhereItIsMissing) {
  EXPECT_EQ(AddBackslash("C:\\Users\\pat"), "C:\\Users\\pat\\");
  EXPECT_EQ(AddBackslash("C:\\Users\\pat\\"), "C:\\Users\\pat\\");
  EXPECT_EQ(AddBackslash("C:"), "C:\\");
  EXPECT_EQ(AddBackslash(""), "");
}

struct PresenceCase {
  const char* Path;
  bool Any;
  bool File;
  bool Folder;
};

class PathPresence : public LocalDataFolder, public testing::WithParamInterface<PresenceCase> {};

TEST_P(PathPresence, AnswersForEachKind) {
  ASSERT_TRUE(shell_.WriteFile("C:\\Users\\pat\\notes.txt", "x"));
  const PresenceCase& c = GetParam();
  EXPECT_EQ(PathIsPresent(c.Path, kPathAny), c.Any);
  EXPECT_EQ(PathIsPresent(c.Path, kPathFile), c.File);
  EXPECT_EQ(PathIsPresent(c.Path, kPathFolder), c.Folder);
  EXPECT_FALSE(PathIsPresent(c.Path, 3));
}

INSTANTIATE_TEST_SUITE_P(LocalDataFolder, PathPresence,
                         testing::Values(PresenceCase{"C:\\", true, false, true},  // found through its attributes
                                         PresenceCase{"C:\\Users\\pat", true, false, true},
                                         PresenceCase{"C:\\Users\\pat\\", true, false, true},
                                         PresenceCase{"c:\\users\\PAT\\Notes.txt", true, true, false},
                                         PresenceCase{"C:\\Users\\pat\\missing", false, false, false},
                                         PresenceCase{"D:\\", false, false, false},
                                         PresenceCase{"", false, false, false}));

TEST_F(LocalDataFolder, CreateFolderPathMakesEveryMissingLevelAndAddsTheBackslash) {
  std::string path = "C:\\Users\\pat\\One\\Two\\Three";
  CreateFolderPath(path);
  EXPECT_EQ(path, "C:\\Users\\pat\\One\\Two\\Three\\");
  EXPECT_TRUE(fs::is_directory(Disk("Users/pat/One/Two/Three")));
  std::string again = "C:\\Users\\pat\\One\\Two\\Three\\";
  CreateFolderPath(again);
  EXPECT_EQ(again, "C:\\Users\\pat\\One\\Two\\Three\\");
}

}  // namespace
}  // namespace bellnest
