// The log file as a user or support engineer finds it, where only the simulated world can go:
// the exact entry with its date, a file that cannot be trimmed or written, and the bare name
// used before the local data folder is known (the support suite pins the rest natively and
// under Wine). Also how a procedure's error trap decides what gets reported.
#include "support/error_log.h"

#include <gtest/gtest.h>

#include "common/world_fixture.h"
#include "support/error_trap.h"

namespace bellnest {
namespace {

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

TEST_F(ErrorLog, EntriesCarryTheDateAndFollowOneAnotherSeparatedByTheBlankLine) {
  LogInitHandler();
  EXPECT_EQ(LogText(), kInitHandlerEntry);
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

TEST_F(ErrorLog, ATooLargeFileThatCannotBeDeletedIsAppendedToAnyway) {
  const std::string old(kLogSizeLimit + 1, 'x');
  ASSERT_TRUE(shell_.WriteFile(kLog, old));
  shell_.FailCall(sim::ShellCall::DeleteFile);
  LogInitHandler();
  EXPECT_EQ(LogText(), old + kInitHandlerEntry);
}

TEST_F(ErrorLog, AFileThatCannotBeWrittenLosesTheEntrySilently) {
  shell_.FailCall(sim::ShellCall::AppendToFile);
  LogInitHandler();
  EXPECT_FALSE(LogText().has_value());
}

TEST_F(ErrorLog, AnEmptyFolderWritesTheBareNameInTheCurrentDirectory) {
  State().LocalDataFolder = "";
  EXPECT_EQ(LogFilePath(), "Bellnest.Log");
  LogInitHandler();
  EXPECT_EQ(LogText("C:\\Users\\pat\\Bellnest.Log"), kInitHandlerEntry);
}

// The trap of one procedure, as it decides what reaches the log.
TEST_F(ErrorLog, AFailingTestCountsAsTrueAndTheLatestPendingErrorIsReportedOnce) {
  ErrorTrap trap{"basPPOutlook", "InitHandler"};
  std::string target = "kept";
  EXPECT_TRUE(trap.Take(Result<std::string>(std::string("value")), target));
  EXPECT_EQ(target, "value");
  EXPECT_FALSE(trap.ReportIfPending("Error in InitHandler"));  // nothing pending: nothing logged
  EXPECT_FALSE(LogText().has_value());
  EXPECT_FALSE(trap.Take(Result<std::string>(RuntimeError(err::kObjectNotSet)), target));
  EXPECT_EQ(target, "value");
  EXPECT_TRUE(trap.Test(Result<bool>(kNotFound)));  // the newer error replaces the pending one
  EXPECT_FALSE(trap.Test(false));
  EXPECT_TRUE(trap.ReportIfPending("Error in InitHandler"));
  EXPECT_EQ(LogText(), kInitHandlerEntry);
  EXPECT_FALSE(trap.Pending());
  EXPECT_FALSE(trap.ReportIfPending("Error in InitHandler"));
  trap.Report("Outlook is offline.");  // with nothing pending: number 0
  EXPECT_NE(LogText()->find("\r\nError #:0\r\n\r\nSource:\r\nModule:basPPOutlook\r\nProcedure:InitHandler\r\n"
                            "Outlook is offline.\r\n\r\n"),
            std::string::npos);
}

}  // namespace
}  // namespace bellnest
