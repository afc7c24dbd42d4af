// The native shell maps Windows paths onto the Linux disk and answers the kernel32 and shfolder
// calls as Windows does, including the corners the local data folder and the log rely on.
#include "sim/native_shell.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "sim/code_page.h"
#include "sim/native_world.h"

namespace bellnest::sim {
namespace {

namespace fs = std::filesystem;

class NativeShellTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(shell_.MakeFolders("C:\\Users\\pat\\Documents"));
    ASSERT_TRUE(shell_.WriteFile("C:\\Users\\pat\\notes.txt", "hello"));
  }
  void TearDown() override { EXPECT_EQ(shell_.OpenFindHandleCount(), 0u); }

  NativeWorld world_;
  NativeShell& shell_ = world_.Shell();
  const fs::path drive_ = world_.Root() / "c";
};

TEST_F(NativeShellTest, WindowsPathsLandUnderTheDriveFolder) {
  EXPECT_EQ(*shell_.PosixPath("C:\\Users\\pat\\notes.txt"), drive_ / "Users/pat/notes.txt");
  EXPECT_EQ(*shell_.PosixPath("c:/users/PAT/NOTES.TXT"), drive_ / "Users/pat/notes.txt");
  EXPECT_EQ(*shell_.PosixPath("C:\\Users\\.\\pat\\..\\pat\\New File.txt"), drive_ / "Users/pat/New File.txt");
  EXPECT_EQ(*shell_.PosixPath("C:\\Caf\xe9"), drive_ / "Caf\xc3\xa9");  // ANSI name, UTF-8 on disk
  EXPECT_FALSE(shell_.PosixPath("\\\\server\\share\\x").has_value());
  EXPECT_FALSE(shell_.PosixPath("C:\\a|b").has_value());
}

TEST_F(NativeShellTest, RelativePathsStartFromTheCurrentDirectory) {
  ASSERT_TRUE(shell_.SetCurrentDirectory("c:\\users\\pat"));
  EXPECT_EQ(shell_.CurrentDirectory(), "C:\\users\\pat");  // the case given, as Windows keeps it
  EXPECT_EQ(*shell_.PosixPath("notes.txt"), drive_ / "Users/pat/notes.txt");
  EXPECT_EQ(*shell_.PosixPath("C:Documents"), drive_ / "Users/pat/Documents");
  EXPECT_EQ(*shell_.PosixPath("\\Windows"), drive_ / "Windows");
  EXPECT_EQ(*shell_.PosixPath("..\\..\\..\\x"), drive_ / "x");
  EXPECT_FALSE(shell_.SetCurrentDirectory("C:\\Users\\pat\\notes.txt"));
  EXPECT_EQ(shell_.CurrentDirectory(), "C:\\users\\pat");
}

TEST_F(NativeShellTest, AttributesTellFoldersFromFiles) {
  EXPECT_EQ(shell_.GetFileAttributesA("C:\\"), shell::kFileAttributeDirectory);
  EXPECT_EQ(shell_.GetFileAttributesA("C:\\Users"), shell::kFileAttributeDirectory);
  EXPECT_EQ(shell_.GetFileAttributesA("C:\\Users\\"), shell::kFileAttributeDirectory);
  const uint32_t file = shell_.GetFileAttributesA("C:\\Users\\pat\\notes.txt");
  EXPECT_NE(file, shell::kInvalidFileAttributes);
  EXPECT_EQ(file & shell::kFileAttributeDirectory, 0u);
  EXPECT_EQ(shell_.GetFileAttributesA("C:\\Users\\pat\\notes.txt\\"), shell::kInvalidFileAttributes);
  EXPECT_EQ(shell_.GetFileAttributesA("C:\\Missing"), shell::kInvalidFileAttributes);
  EXPECT_EQ(shell_.GetFileAttributesA("D:\\"), shell::kInvalidFileAttributes);  // no drive D
  EXPECT_EQ(shell_.GetFileAttributesA(""), shell::kInvalidFileAttributes);
}

TEST_F(NativeShellTest, FindFirstFileFindsEntriesButNotADriveRootOrATrailingBackslash) {
  for (const char* present : {"C:\\Users\\pat\\notes.txt", "C:\\USERS", "C:\\Users\\pat\\*.txt", "C:\\Users\\*"}) {
    const intptr_t handle = shell_.FindFirstFileA(present);
    EXPECT_NE(handle, shell::kInvalidHandleValue) << present;
    EXPECT_TRUE(shell_.FindClose(handle));
    EXPECT_FALSE(shell_.FindClose(handle));
  }
  for (const char* absent : {"C:\\", "C:\\Users\\", "C:\\Missing", "C:\\Users\\pat\\*.doc", "D:\\x"}) {
    EXPECT_EQ(shell_.FindFirstFileA(absent), shell::kInvalidHandleValue) << absent;
  }
  EXPECT_FALSE(shell_.FindClose(shell::kInvalidHandleValue));
  const intptr_t open = shell_.FindFirstFileA("C:\\Users");
  EXPECT_EQ(shell_.OpenFindHandleCount(), 1u);
  shell_.FindClose(open);
}

TEST_F(NativeShellTest, CreateDirectoryMakesOneLevelOnly) {
  EXPECT_TRUE(shell_.CreateDirectoryA("C:\\Users\\pat\\New\\"));
  EXPECT_TRUE(fs::is_directory(drive_ / "Users/pat/New"));
  EXPECT_FALSE(shell_.CreateDirectoryA("C:\\Users\\pat\\new"));   // exists
  EXPECT_FALSE(shell_.CreateDirectoryA("C:\\Users\\pat\\A\\B"));  // parent missing
  EXPECT_FALSE(shell_.CreateDirectoryA("C:\\"));
  EXPECT_FALSE(shell_.CreateDirectoryA("C:\\Users\\pat\\notes.txt"));
  shell_.FailCall(ShellCall::CreateDirectory);
  EXPECT_FALSE(shell_.CreateDirectoryA("C:\\Users\\pat\\Other"));
  EXPECT_FALSE(fs::exists(drive_ / "Users/pat/Other"));
}

TEST_F(NativeShellTest, AppendingCreatesThenExtendsAFile) {
  ASSERT_TRUE(shell_.AppendToFile("C:\\Users\\pat\\log.txt", "one\r\n").Ok());
  ASSERT_TRUE(shell_.AppendToFile("c:\\users\\pat\\LOG.TXT", "two\r\n").Ok());
  EXPECT_EQ(*shell_.ReadFile("C:\\Users\\pat\\log.txt"), "one\r\ntwo\r\n");
  EXPECT_EQ(shell_.FileLength("C:\\Users\\pat\\log.txt").Value(), 10);
  EXPECT_EQ(shell_.AppendToFile("C:\\Users\\pat\\Missing\\log.txt", "x").Error().Number, err::kPathNotFound);
  EXPECT_EQ(shell_.AppendToFile("C:\\Users\\pat\\Documents", "x").Error().Number, err::kPathFileAccess);
  EXPECT_FALSE(fs::exists(drive_ / "Users/pat/Missing"));
}

TEST_F(NativeShellTest, LengthAndDeletionOfMissingFilesAreFileNotFound) {
  EXPECT_EQ(shell_.FileLength("C:\\Users\\pat\\none.txt").Error().Number, err::kFileNotFound);
  EXPECT_EQ(shell_.FileLength("C:\\Users\\pat").Error().Number, err::kFileNotFound);
  EXPECT_EQ(shell_.DeleteFile("C:\\Users\\pat\\none.txt").Error().Number, err::kFileNotFound);
  EXPECT_EQ(shell_.DeleteFile("C:\\Users\\pat\\Documents").Error().Number, err::kFileNotFound);
  ASSERT_TRUE(shell_.DeleteFile("C:\\Users\\pat\\NOTES.txt").Ok());
  EXPECT_FALSE(fs::exists(drive_ / "Users/pat/notes.txt"));
}

TEST_F(NativeShellTest, InjectedFileFailuresLeaveFilesAlone) {
  shell_.FailCall(ShellCall::DeleteFile);
  shell_.FailCall(ShellCall::AppendToFile);
  shell_.FailCall(ShellCall::FileLength);
  EXPECT_FALSE(shell_.DeleteFile("C:\\Users\\pat\\notes.txt").Ok());
  EXPECT_FALSE(shell_.AppendToFile("C:\\Users\\pat\\notes.txt", "x").Ok());
  EXPECT_FALSE(shell_.FileLength("C:\\Users\\pat\\notes.txt").Ok());
  EXPECT_EQ(*shell_.ReadFile("C:\\Users\\pat\\notes.txt"), "hello");
  shell_.FailCall(ShellCall::FileLength, false);
  EXPECT_EQ(shell_.FileLength("C:\\Users\\pat\\notes.txt").Value(), 5);
}

TEST_F(NativeShellTest, TheShellFolderIsMadeOnlyWhenAskedTo) {
  shell_.SetLocalAppData("C:\\Profiles\\pat\\Local");
  std::string path = "unchanged";
  EXPECT_EQ(shell_.SHGetFolderPathA(0, shell::kCsidlLocalAppData, 0, 0, &path), kSFalse);
  EXPECT_EQ(path, "unchanged");
  EXPECT_FALSE(fs::exists(drive_ / "Profiles"));
  EXPECT_EQ(shell_.SHGetFolderPathA(0, shell::kCsidlLocalAppData | shell::kCsidlFlagCreate, 0, 0, &path), 0);
  EXPECT_EQ(path, "C:\\Profiles\\pat\\Local");
  EXPECT_TRUE(fs::is_directory(drive_ / "Profiles/pat/Local"));
  EXPECT_EQ(shell_.SHGetFolderPathA(0, 0x001A, 0, 0, &path), kEInvalidArg);  // another folder
  shell_.SetFolderPathResult(kEFail);
  path = "unchanged";
  EXPECT_EQ(shell_.SHGetFolderPathA(0, shell::kCsidlLocalAppData | shell::kCsidlFlagCreate, 0, 0, &path), kEFail);
  EXPECT_EQ(path, "unchanged");
}

TEST_F(NativeShellTest, VersionQueryChecksTheRecordSize) {
  OsVersionInfo info;
  EXPECT_FALSE(shell_.GetVersionExA(&info));  // size left 0
  info.Size = 100;
  EXPECT_FALSE(shell_.GetVersionExA(&info));
  info.Size = shell::kOsVersionInfoSize;
  ASSERT_TRUE(shell_.GetVersionExA(&info));
  EXPECT_EQ(info.PlatformId, shell::kVerPlatformWin32Nt);
  shell_.SetPlatform(shell::kVerPlatformWin32Windows);
  ASSERT_TRUE(shell_.GetVersionExA(&info));
  EXPECT_EQ(info.PlatformId, shell::kVerPlatformWin32Windows);
  EXPECT_EQ(info.MajorVersion, 4u);
  shell_.SetVersionQueryFails(true);
  EXPECT_FALSE(shell_.GetVersionExA(&info));
}

TEST(NativeShell, WithoutARootFolderThereAreNoDrives) {
  Windows1252Codec codec;
  NativeShell shell({}, codec);
  EXPECT_EQ(shell.GetFileAttributesA("C:\\"), shell::kInvalidFileAttributes);
  EXPECT_FALSE(shell.CreateDirectoryA("C:\\Bellnest"));
  EXPECT_FALSE(shell.AppendToFile("C:\\Bellnest.Log", "x").Ok());
  EXPECT_FALSE(fs::exists("c"));  // nothing landed in the working directory
}

TEST(NativeWorld, StartsAsAFreshUsersMachineAndCleansUpItsFolder) {
  fs::path root;
  {
    NativeWorld world({.Root = {}, .UserName = "Jos\xc3\xa9"});
    root = world.Root();
    EXPECT_TRUE(fs::is_directory(root / "c/Users/Jos\xc3\xa9/AppData/Local"));
    EXPECT_EQ(world.Shell().LocalAppData(), "C:\\Users\\Jos\xe9\\AppData\\Local");
    EXPECT_EQ(world.Shell().CurrentDirectory(), "C:\\Users\\Jos\xe9");
    EXPECT_EQ(world.Shell().GetFileAttributesA(world.Shell().LibraryFolder()), shell::kFileAttributeDirectory);
    const auto appData = world.Registry().GetValue(
        kHkeyCurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", "Local AppData");
    ASSERT_TRUE(appData.has_value());
    EXPECT_EQ(appData->Data, std::string("C:\\Users\\Jos\xe9\\AppData\\Local") + '\0');
    const Platform seams = world.Seams();
    EXPECT_EQ(seams.Registry, &world.Registry());
    EXPECT_EQ(seams.Shell, &world.Shell());
    EXPECT_EQ(seams.Clock, &world.Clock());
    EXPECT_EQ(seams.Codec, &world.Codec());
  }
  EXPECT_FALSE(fs::exists(root));
}

TEST(NativeWorld, LoadsARegFileOverItsDefaults) {
  NativeWorld world;
  const fs::path file = world.Root() / "profile.reg";
  {
    std::ofstream out(file, std::ios::binary);
    out << "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Quillfen\\Bellnest]\r\n\"IncludeSubfolders\"=dword:1\r\n";
  }
  ASSERT_TRUE(world.LoadRegFile(file).Ok());
  EXPECT_EQ(world.Registry().GetValue(kHkeyCurrentUser, "Software\\Quillfen\\Bellnest", "IncludeSubfolders")->Data,
            std::string("\x01\0\0\0", 4));
  EXPECT_TRUE(world.Registry().KeyExists(kHkeyCurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion"));
}

}  // namespace
}  // namespace bellnest::sim
