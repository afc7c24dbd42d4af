// What only the real shell and file system can show: the user's local application-data folder
// and the log in it, the library's own folder, the version query, and files held open by
// someone else, as a user viewing the log or a virus scanner holds them.
#include <gtest/gtest.h>

#include <string>

#include "platform/win32/win32_codec.h"
#include "platform/win32/windows_api.h"
#include "support/error_log.h"
#include "support/local_data_folder.h"
#include "support/shared_state.h"
#include "windows/win32_test_world.h"

namespace bellnest::win32 {
namespace {

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string UserName() {
  char name[256] = {};
  DWORD size = sizeof name;
  return ::GetUserNameA(name, &size) ? AnsiCodec().FromAnsi(name) : std::string();
}

ScopedKernelHandle HoldOpen(const std::string& path, DWORD share) {
  return ScopedKernelHandle(
      ::CreateFileA(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

TEST_F(Win32Test, LogLandsInTheUsersLocalAppDataFolder) {
  const std::string user = UserName();
  ASSERT_FALSE(user.empty());
  const std::string expected = "C:\\users\\" + user + "\\AppData\\Local\\Bellnest";
  const std::string log = expected + "\\Bellnest.Log";
  // From scratch, as on a first start: without the folder, the call creates it.
  ::DeleteFileA(log.c_str());
  ::RemoveDirectoryA(expected.c_str());
  ASSERT_FALSE(PathIsPresent(expected, kPathAny)) << "something else is in " << expected;

  std::string shellFolder;
  ASSERT_EQ(Shell().SHGetFolderPathA(0, shell::kCsidlLocalAppData | shell::kCsidlFlagCreate, 0, 0, &shellFolder), 0);
  EXPECT_EQ(Lower(shellFolder) + "\\bellnest", Lower(expected));
  EXPECT_NE(Shell().SHGetFolderPathA(0, 0x7FFF, 0, 0, &shellFolder), 0);  // no such folder
  const std::string created = GetLocalDataFolder();
  EXPECT_EQ(Lower(created), Lower(expected + "\\"));
  const std::string found = GetLocalDataFolder();
  EXPECT_EQ(Lower(found), Lower(expected));

  State().LocalDataFolder = found;
  LogError(ErrorInfo{-2147221233, "Not found", "QFSMAPI.QFSSession"}, "basPPOutlook", "InitHandler",
           "Profil Ren\u00e9e");
  const auto bytes = World().ReadFileBytes(log);
  ASSERT_TRUE(bytes.has_value()) << "no log at " << log;
  EXPECT_EQ(bytes->rfind("An Error occurred: ", 0), 0u);
  EXPECT_NE(bytes->find("\r\nModule:basPPOutlook\r\nProcedure:InitHandler\r\nProfil Ren\351e\r\n\r\n"),
            std::string::npos)
      << *bytes;
  ::DeleteFileA(log.c_str());
}

TEST_F(Win32Test, LibraryFolderIsTheFolderOfTheModuleHoldingTheCode) {
  char exe[MAX_PATH] = {};
  const DWORD length = ::GetModuleFileNameA(nullptr, exe, MAX_PATH);
  ASSERT_GT(length, 0u);
  std::string folder(exe, length);
  folder.erase(folder.find_last_of('\\'));  // the test program links the code in

  const std::string library = Shell().LibraryFolder();
  EXPECT_EQ(library, folder);
  EXPECT_NE(library.back(), '\\');
  EXPECT_TRUE(PathIsPresent(library, kPathFolder));
}

TEST_F(Win32Test, VersionQueryKnowsTheTwoRecordSizesAndTheNtPlatform) {
  OsVersionInfo info;
  info.Size = shell::kOsVersionInfoSize;
  ASSERT_TRUE(Shell().GetVersionExA(&info));
  EXPECT_EQ(info.PlatformId, shell::kVerPlatformWin32Nt);
  EXPECT_GE(info.MajorVersion, 5u);
  info.Size = 156;  // OSVERSIONINFOEXA
  EXPECT_TRUE(Shell().GetVersionExA(&info));
  info.Size = 100;
  EXPECT_FALSE(Shell().GetVersionExA(&info));
  EXPECT_FALSE(Shell().GetVersionExA(nullptr));
}

TEST_F(Win32Test, FindCloseClosesOnlySearchesItStarted) {
  ShellFileApi& shell = Shell();
  const std::string folder = World().ScratchFolder();
  const intptr_t search = shell.FindFirstFileA(folder);
  ASSERT_NE(search, shell::kInvalidHandleValue);
  EXPECT_EQ(World().OpenFindHandles(), 1u);
  EXPECT_FALSE(shell.FindClose(shell::kInvalidHandleValue));
  EXPECT_FALSE(shell.FindClose(search + 4));
  EXPECT_TRUE(shell.FindClose(search));
  EXPECT_FALSE(shell.FindClose(search));
  EXPECT_EQ(shell.FindFirstFileA(folder + "\\missing"), shell::kInvalidHandleValue);
}

TEST_F(Win32Test, FileServicesFailWithTheRunTimesErrors) {
  ShellFileApi& shell = Shell();
  const std::string folder = World().ScratchFolder();
  const std::string file = folder + "\\Bellnest.Log";
  ASSERT_TRUE(World().CreateFileOfSize(file, 1234));

  EXPECT_EQ(shell.FileLength(file).ValueOr(-1), 1234);
  EXPECT_EQ(shell.FileLength(folder + "\\missing.log").Error().Number, err::kFileNotFound);
  EXPECT_EQ(shell.FileLength(folder + "\\missing\\x.log").Error().Number, err::kFileNotFound);
  EXPECT_EQ(shell.FileLength(folder).Error().Number, err::kFileNotFound);  // a folder has no length
  EXPECT_EQ(shell.DeleteFile(folder + "\\missing.log").Error().Number, err::kFileNotFound);
  EXPECT_EQ(shell.AppendToFile(folder + "\\missing\\x.log", "x").Error().Number, err::kPathNotFound);
  EXPECT_EQ(shell.AppendToFile(folder, "x").Error().Number, err::kPathFileAccess);

  {
    ScopedKernelHandle held = HoldOpen(file, FILE_SHARE_READ | FILE_SHARE_WRITE);
    ASSERT_TRUE(held);
    EXPECT_EQ(shell.DeleteFile(file).Error().Number, err::kPathFileAccess);
    EXPECT_EQ(shell.FileLength(file).ValueOr(-1), 1234);  // measuring needs no access to the data
  }
  EXPECT_TRUE(shell.DeleteFile(file).Ok());
  EXPECT_FALSE(PathIsPresent(file, kPathAny));
}

TEST_F(Win32Test, LogHeldOpenWithoutSharingLosesTheEntryQuietly) {
  const std::string folder = World().ScratchFolder();
  State().LocalDataFolder = folder;
  const std::string log = folder + "\\Bellnest.Log";
  ASSERT_TRUE(World().CreateFileOfSize(log, 100));
  {
    ScopedKernelHandle held = HoldOpen(log, 0);
    ASSERT_TRUE(held);
    LogError(ErrorInfo{91, "Object variable or With block variable not set", kProjectName}, "basPPOutlook",
             "ExitHandler", "Error in ExitHandler");
  }
  EXPECT_EQ(World().ReadFileBytes(log), std::string(100, 'x'));
}

TEST_F(Win32Test, OversizedLogThatCannotBeDeletedIsAppendedToAnyway) {
  const std::string folder = World().ScratchFolder();
  State().LocalDataFolder = folder;
  const std::string log = folder + "\\Bellnest.Log";
  ASSERT_TRUE(World().CreateFileOfSize(log, kLogSizeLimit + 1));
  {
    // A reader that lets others write but not delete, as a log viewer might.
    ScopedKernelHandle held = HoldOpen(log, FILE_SHARE_READ | FILE_SHARE_WRITE);
    ASSERT_TRUE(held);
    LogError(ErrorInfo{91, "Object variable or With block variable not set", kProjectName}, "basPPOutlook",
             "ExitHandler", "Error in ExitHandler");
  }
  const auto bytes = World().ReadFileBytes(log);
  ASSERT_TRUE(bytes.has_value());
  EXPECT_EQ(bytes->find_first_not_of('x'), static_cast<size_t>(kLogSizeLimit + 1));
  EXPECT_NE(bytes->find("Procedure:ExitHandler\r\n"), std::string::npos);
}

}  // namespace
}  // namespace bellnest::win32
