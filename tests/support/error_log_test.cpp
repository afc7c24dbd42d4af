// The log file as a user or support engineer finds it: the exact entry layout, where the file
// is, how it is trimmed, and that a failure to write it never reaches the caller. Also how a
// procedure's error trap decides what gets reported.
#include "support/error_log.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "common/world_fixture.h"
#include "support/error_trap.h"

namespace bellnest {
namespace {

namespace fs = std::filesystem;

const std::string kFolder = "C:\\Users\\pat\\AppData\\Local\\Bellnest";
const std::string kLog = kFolder + "\\Bellnest.Log";
const ErrorInfo kNotFound{-2147221233, "The requested object could not be found.", "QFSMAPI.QFSSession"};

const std::string kInitHandlerEntry =
    "An Error occurred: 12/5/2026 8:58:32 PM\r\n"
    "Error #:-2147221233\r\n"
    "The requested object could not be found.\r\n"
    "Source:QFSMAPI.QFSSession\r\n"
    "Module:basPPOutlook\r\n"
    "Procedure:InitHandler\r\n"
    "Error in InitHandler\r\n"
    "\r\n";

class ErrorLog : public testing_support::WorldTest {
 protected:
  ErrorLog() {
    world_.Clock().Set({2026, 12, 5, 20, 58, 32});
    shell_.MakeFolders(kFolder);
    State().LocalDataFolder = kFolder;
  }
  std::optional<std::string> LogText(const std::string& path = kLog) { return shell_.ReadFile(path); }
  void LogInitHandler() { LogError(kNotFound, "basPPOutlook", "InitHandler", "Error in InitHandler"); }
};

TEST_F(ErrorLog, TheFirstEntryCreatesTheFileWithEightLines) {
  ASSERT_FALSE(LogText().has_value());
  LogInitHandler();
  EXPECT_EQ(LogText(), kInitHandlerEntry);
}

TEST_F(ErrorLog, AConditionWithoutAnErrorCarriesNumberZeroAndEmptyLines) {
  LogError(ErrorInfo{}, "basPPOutlook", "InitHandler", "Could not log on to the RDO session.");
  EXPECT_EQ(LogText(),
            "An Error occurred: 12/5/2026 8:58:32 PM\r\n"
            "Error #:0\r\n"
            "\r\n"
            "Source:\r\n"
            "Module:basPPOutlook\r\n"
            "Procedure:InitHandler\r\n"
            "Could not log on to the RDO session.\r\n"
            "\r\n");
}

TEST_F(ErrorLog, EntriesFollowOneAnotherSeparatedByTheBlankLine) {
  LogInitHandler();
  world_.Clock().Set({2026, 12, 6, 9, 1, 2});
  LogError(RuntimeError(err::kObjectNotSet), "clsPPSearchFolders", "AddFolderToDefaultReminders",
           "Error in AddFolderToDefaultReminders");
  EXPECT_EQ(LogText(), kInitHandlerEntry +
                           "An Error occurred: 12/6/2026 9:01:02 AM\r\n"
                           "Error #:91\r\n"
                           "Object variable or With block variable not set\r\n"
                           "Source:PPBellnest\r\n"
                           "Module:clsPPSearchFolders\r\n"
                           "Procedure:AddFolderToDefaultReminders\r\n"
                           "Error in AddFolderToDefaultReminders\r\n"
                           "\r\n");
}

TEST_F(ErrorLog, TextIsWrittenInTheAnsiCodePage) {
  LogError(ErrorInfo{13,
                     "Ordner \xc2\xbbGesch\xc3\xa4"
                     "ftlich\xc2\xab fehlt",
                     "Caf\xc3\xa9"},
           "basPPPickFolders", "LoadReminderFolders", "Error in LoadReminderFolders");
  const std::string text = *LogText();
  EXPECT_NE(text.find("\r\nOrdner \xbbGesch\xe4"
                      "ftlich\xab fehlt\r\nSource:Caf\xe9\r\n"),
            std::string::npos)
      << text;
}

TEST_F(ErrorLog, AFileOfExactlyTheLimitIsAppendedTo) {
  const std::string old(kLogSizeLimit, 'x');
  ASSERT_TRUE(shell_.WriteFile(kLog, old));
  LogInitHandler();
  EXPECT_EQ(LogText(), old + kInitHandlerEntry);
}

TEST_F(ErrorLog, AFileOneByteOverTheLimitIsReplacedByTheNewEntry) {
  ASSERT_TRUE(shell_.WriteFile(kLog, std::string(kLogSizeLimit + 1, 'x')));
  LogInitHandler();
  EXPECT_EQ(LogText(), kInitHandlerEntry);
}

TEST_F(ErrorLog, ATooLargeFileThatCannotBeDeletedIsAppendedToAnyway) {
  const std::string old(kLogSizeLimit + 1, 'x');
  ASSERT_TRUE(shell_.WriteFile(kLog, old));
  shell_.FailCall(sim::ShellCall::DeleteFile);
  LogInitHandler();
  EXPECT_EQ(LogText(), old + kInitHandlerEntry);
}

TEST_F(ErrorLog, AMissingFolderLosesTheEntrySilently) {
  State().LocalDataFolder = "C:\\Users\\pat\\AppData\\Local\\Gone";
  LogInitHandler();
  EXPECT_FALSE(fs::exists(world_.Root() / "c/Users/pat/AppData/Local/Gone"));
  shell_.FailCall(sim::ShellCall::AppendToFile);
  State().LocalDataFolder = kFolder;
  LogInitHandler();
  EXPECT_FALSE(LogText().has_value());
}

TEST_F(ErrorLog, AFolderWithItsBackslashGetsNoSecondOne) {
  State().LocalDataFolder = kFolder + "\\";  // as GetLocalDataFolder returns a folder it created
  EXPECT_EQ(LogFilePath(), kLog);
  LogInitHandler();
  EXPECT_EQ(LogText(), kInitHandlerEntry);
}

TEST_F(ErrorLog, AnEmptyFolderWritesTheBareNameInTheCurrentDirectory) {
  State().LocalDataFolder = "";
  EXPECT_EQ(LogFilePath(), "Bellnest.Log");
  LogInitHandler();
  EXPECT_EQ(LogText("C:\\Users\\pat\\Bellnest.Log"), kInitHandlerEntry);
}

TEST_F(ErrorLog, FileLargerThanIsFalseForAbsentFilesAndFolders) {
  ASSERT_TRUE(shell_.WriteFile("C:\\Users\\pat\\ten.txt", "0123456789"));
  EXPECT_FALSE(FileLargerThan("C:\\Users\\pat\\ten.txt", 10));
  EXPECT_TRUE(FileLargerThan("C:\\Users\\pat\\ten.txt", 9));
  EXPECT_FALSE(FileLargerThan("C:\\Users\\pat\\none.txt", 0));
  EXPECT_FALSE(FileLargerThan("C:\\Users\\pat", 0));
}

// The trap of one procedure, as it decides what reaches the log.
class ErrorTrapReport : public ErrorLog {
 protected:
  ErrorTrap trap_{"basPPOutlook", "InitHandler"};
};

TEST_F(ErrorTrapReport, AFailingTestCountsAsTrueAndItsErrorIsReported) {
  bool guardedStepRan = false;
  if (trap_.Test(Result<bool>(kNotFound))) guardedStepRan = true;
  EXPECT_TRUE(guardedStepRan);
  EXPECT_FALSE(trap_.Test(false));
  EXPECT_TRUE(trap_.ReportIfPending("Error in InitHandler"));
  EXPECT_EQ(LogText(), kInitHandlerEntry);
}

TEST_F(ErrorTrapReport, ANewerErrorReplacesThePendingOneAndReportingClearsIt) {
  std::string target = "kept";
  EXPECT_FALSE(trap_.Take(Result<std::string>(RuntimeError(err::kObjectNotSet)), target));
  EXPECT_FALSE(trap_.Take(Result<std::string>(kNotFound), target));
  EXPECT_EQ(target, "kept");
  trap_.Report("Error in InitHandler");
  EXPECT_EQ(LogText(), kInitHandlerEntry);
  EXPECT_FALSE(trap_.Pending());
  EXPECT_FALSE(trap_.ReportIfPending("Error in InitHandler"));
  EXPECT_EQ(LogText(), kInitHandlerEntry);
}

TEST_F(ErrorTrapReport, ReportWithNothingPendingLogsNumberZero) {
  trap_.Report("Outlook is offline.");
  const std::string text = *LogText();
  EXPECT_NE(text.find("\r\nError #:0\r\n\r\nSource:\r\nModule:basPPOutlook\r\nProcedure:InitHandler\r\n"
                      "Outlook is offline.\r\n\r\n"),
            std::string::npos)
      << text;
}

TEST_F(ErrorTrapReport, NothingPendingMeansNothingLogged) {
  std::string target;
  EXPECT_TRUE(trap_.Take(Result<std::string>(std::string("value")), target));
  EXPECT_EQ(target, "value");
  EXPECT_FALSE(trap_.ReportIfPending("Error in InitHandler"));
  EXPECT_FALSE(LogText().has_value());
}

}  // namespace
}  // namespace bellnest
