// Where the product keeps its log on each kind of machine and what is created there, in the
// situations only the simulated shell can stage (the support suite pins the path helpers and
// the usual case natively and under Wine).
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
  fs::path Disk(const char* relative) { return world_.Root() / "c" / relative; }
};

TEST_F(LocalDataFolder, OnNtItIsMadeUnderLocalAppDataWithABackslashOrFoundWithout) {
  EXPECT_EQ(GetLocalDataFolder(), "C:\\Users\\pat\\AppData\\Local\\Bellnest\\");
  // No owner window, local AppData (made when missing), no token, its current path.
  const sim::NativeShell::FolderPathCall expected{0, 0x801C, 0, 0};
  EXPECT_EQ(shell_.FolderPathCalls(), std::vector{expected});
  EXPECT_TRUE(fs::is_directory(Disk("Users/pat/AppData/Local/Bellnest")));
  EXPECT_EQ(GetLocalDataFolder(), "C:\\Users\\pat\\AppData\\Local\\Bellnest");
  // The shell creates a missing LocalAppData folder.
  shell_.SetLocalAppData("C:\\Documents and Settings\\pat\\Local Settings\\Application Data");
  EXPECT_EQ(GetLocalDataFolder(), "C:\\Documents and Settings\\pat\\Local Settings\\Application Data\\Bellnest\\");
  EXPECT_TRUE(fs::is_directory(Disk("Documents and Settings/pat/Local Settings/Application Data/Bellnest")));
}

TEST_F(LocalDataFolder, AFailingShellFallsBackToTheShellFoldersValueAndThenToTheCurrentDirectory) {
  shell_.SetFolderPathResult(sim::kEFail);
  ASSERT_TRUE(registry_.SetValue(kHkeyCurrentUser, kShellFoldersKey, "Local AppData", reg::kSz,
                                 std::string("C:\\Data\\J\xfcrgen\\Local") + '\0'));
  EXPECT_EQ(GetLocalDataFolder(), "C:\\Data\\J\xc3\xbcrgen\\Local\\Bellnest\\");
  EXPECT_TRUE(fs::is_directory(Disk("Data/J\xc3\xbcrgen/Local/Bellnest")));
  EXPECT_EQ(registry_.OpenHandleCount(), 0u);
  ASSERT_TRUE(registry_.DeleteValue(kHkeyCurrentUser, kShellFoldersKey, "Local AppData"));
  EXPECT_EQ(GetLocalDataFolder(), "Bellnest\\");
  EXPECT_TRUE(fs::is_directory(Disk("Users/pat/Bellnest")));
}

TEST_F(LocalDataFolder, OnWindows9xOrAFailingVersionQueryItIsTheLibraryFolderAndNothingIsCreated) {
  shell_.SetPlatform(shell::kVerPlatformWin32Windows);
  shell_.SetLibraryFolder("C:\\Program Files\\Quillfen\\Bellnest");
  EXPECT_FALSE(IsWindowsNT());
  EXPECT_EQ(GetLocalDataFolder(), "C:\\Program Files\\Quillfen\\Bellnest");
  EXPECT_FALSE(fs::exists(Disk("Users/pat/AppData/Local/Bellnest")));
  EXPECT_FALSE(fs::exists(Disk("Program Files/Quillfen/Bellnest/Bellnest")));
  shell_.SetPlatform(shell::kVerPlatformWin32Nt);
  EXPECT_TRUE(IsWindowsNT());
  shell_.SetVersionQueryFails(true);
  EXPECT_FALSE(IsWindowsNT());
}

TEST_F(LocalDataFolder, AFolderThatCannotBeMadeIsReturnedAnyway) {
  shell_.FailCall(sim::ShellCall::CreateDirectory);
  EXPECT_EQ(GetLocalDataFolder(), "C:\\Users\\pat\\AppData\\Local\\Bellnest\\");
  EXPECT_FALSE(fs::exists(Disk("Users/pat/AppData/Local/Bellnest")));
}

}  // namespace
}  // namespace bellnest
