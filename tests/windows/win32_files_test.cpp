// What only the real shell and file system can show: the user's local application-data folder,
// file searches, and files held open by someone else, as a user viewing the log or a virus
// scanner holds them.
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

TEST_F(Win32Test, LogFolderIsMadeInTheUsersLocalAppData) {
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
  EXPECT_EQ(Lower(GetLocalDataFolder()), Lower(expected + "\\"));  // created by this call
  EXPECT_EQ(Lower(GetLocalDataFolder()), Lower(expected));
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

TEST_F(Win32Test, LogHeldOpenByAnotherProgramLosesNoData) {
  struct Case {
    const char* what;
    DWORD share;
    size_t size;
    bool appended;
  };
  // Held without sharing, the entry is lost quietly; held by a reader that lets others write
  // but not delete (as a log viewer might), an oversized log is appended to anyway.
  for (const Case& c : {Case{"no sharing", 0, 100, false},
                        Case{"oversized, undeletable", FILE_SHARE_READ | FILE_SHARE_WRITE, kLogSizeLimit + 1, true}}) {
    SCOPED_TRACE(c.what);
    State().LocalDataFolder = World().ScratchFolder();
    const std::string log = State().LocalDataFolder + "\\Bellnest.Log";
    ASSERT_TRUE(World().CreateFileOfSize(log, c.size));
    {
      ScopedKernelHandle held = HoldOpen(log, c.share);
      ASSERT_TRUE(held);
      LogError(ErrorInfo{91, "Object variable or With block variable not set", kProjectName}, "basPPOutlook",
               "ExitHandler", "Error in ExitHandler");
    }
    const std::string bytes = World().ReadFileBytes(log).value_or("");
    EXPECT_EQ(bytes.find_first_not_of('x'), c.appended ? c.size : std::string::npos);
    EXPECT_EQ(bytes.find("Procedure:ExitHandler\r\n") != std::string::npos, c.appended);
  }
}

}  // namespace
}  // namespace bellnest::win32
