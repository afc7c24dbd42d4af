// clsPPSearchFolders on a started session: adding and removing one folder of the Reminders
// search scope, always between a Stop and a Start, with aliases and duplicates, a failing edit,
// and a session whose Reminders folder was never found.
#include "session/search_folders.h"

#include <gtest/gtest.h>

#include "common/session_fixture.h"

namespace bellnest {
namespace {

using testing_support::SmallMailbox;

using Paths = std::vector<std::string>;

class SearchFolders : public testing_support::SessionTest {
 protected:
  void SetUp() override {
    UseProfile(SmallMailbox(R"("Calendar", "Tasks", "Inbox", "Contacts")"));
    StartUp();
    ASSERT_TRUE(State().RemindersSearchFolder);
    ASSERT_TRUE(Log().empty()) << LogText();
    history_ = Outlook().SearchHistory().size();
  }
  RdoFolderPtr Open(std::string_view path) {
    return State().Session->GetFolderFromID(Id(path), DefaultStoreId()).Value();
  }
  // The scope's history since set-up: "Stop", "Add <id>", "Remove <n>", "Start".
  Paths NewHistory() {
    const Paths all = Outlook().SearchHistory();
    Paths out(all.begin() + static_cast<std::ptrdiff_t>(history_), all.end());
    for (std::string& step : out) {
      if (step.rfind("Add ", 0) == 0) step = "Add " + PathOf(step.substr(4));
    }
    return out;
  }
  void ExpectOneLogEntry(const char* procedure) {
    const nlohmann::json log = Log();
    ASSERT_EQ(log.size(), 1u) << LogText();
    EXPECT_EQ(log[0]["module"], "clsPPSearchFolders");
    EXPECT_EQ(log[0]["procedure"], std::string(procedure));
    EXPECT_EQ(log[0]["context"], std::string("Error in ") + procedure);
  }

  clsPPSearchFolders searchFolders_;
  size_t history_ = 0;
};

TEST_F(SearchFolders, AddingAppendsTheFolderBetweenStopAndStart) {
  EXPECT_TRUE(searchFolders_.AddFolderToDefaultReminders(Open("Inbox/A")));
  EXPECT_EQ(Scope(), (Paths{"Calendar", "Tasks", "Inbox", "Contacts", "Inbox/A"}));
  EXPECT_EQ(NewHistory(), (Paths{"Stop", "Add Inbox/A", "Start"}));
  EXPECT_TRUE(Outlook().SearchRunning());
  EXPECT_TRUE(Log().empty()) << LogText();
}

TEST_F(SearchFolders, AddingToAnEmptyListLeavesAListOfOne) {
  for (int32_t i = State().SearchContainers->Count().Value(); i >= 1; --i) {
    ASSERT_TRUE(State().SearchContainers->Remove(i).Ok());
  }
  EXPECT_TRUE(searchFolders_.AddFolderToDefaultReminders(Open("Inbox/B")));
  EXPECT_EQ(Scope(), (Paths{"Inbox/B"}));
}

TEST_F(SearchFolders, AFolderAddedTwiceIsListedTwiceAndOneRemovalTakesTheFirst) {
  ASSERT_TRUE(searchFolders_.AddFolderToDefaultReminders(Open("Inbox/A")));
  ASSERT_TRUE(searchFolders_.AddFolderToDefaultReminders(Open("Inbox/B")));
  ASSERT_TRUE(searchFolders_.AddFolderToDefaultReminders(Open("Inbox/A")));
  EXPECT_EQ(Scope(), (Paths{"Calendar", "Tasks", "Inbox", "Contacts", "Inbox/A", "Inbox/B", "Inbox/A"}));

  EXPECT_TRUE(searchFolders_.RemoveFolderFromDefaultReminders(Open("Inbox/A")));
  EXPECT_EQ(Scope(), (Paths{"Calendar", "Tasks", "Inbox", "Contacts", "Inbox/B", "Inbox/A"}));
  EXPECT_TRUE(Outlook().SearchRunning());
}

TEST_F(SearchFolders, RemovingAFolderNotListedChangesNothingButStillStopsAndStarts) {
  EXPECT_TRUE(searchFolders_.RemoveFolderFromDefaultReminders(Open("Inbox/B")));
  EXPECT_EQ(Scope(), (Paths{"Calendar", "Tasks", "Inbox", "Contacts"}));
  EXPECT_EQ(NewHistory(), (Paths{"Stop", "Start"}));
  EXPECT_TRUE(Log().empty()) << LogText();
}

// A folder object that names its folder by another identifier than the one the list reports.
class FolderNamedByAlias final : public RdoFolder {
 public:
  explicit FolderNamedByAlias(std::string alias) : alias_(std::move(alias)) {}
  Result<std::string> EntryID() override { return alias_; }
  Result<std::string> StoreID() override { return RuntimeError(err::kObjectDoesNotSupport); }
  Result<std::string> Name() override { return RuntimeError(err::kObjectDoesNotSupport); }
  Result<Variant> Fields(uint32_t) override { return RuntimeError(err::kObjectDoesNotSupport); }

 private:
  std::string alias_;
};

TEST_F(SearchFolders, AListEntryThatOnlyTheSessionEquatesWithTheFolderIsRemoved) {
  ASSERT_TRUE(searchFolders_.AddFolderToDefaultReminders(Open("Inbox/A")));
  EXPECT_TRUE(searchFolders_.RemoveFolderFromDefaultReminders(std::make_shared<FolderNamedByAlias>("00A1A500")));
  EXPECT_EQ(Scope(), (Paths{"Calendar", "Tasks", "Inbox", "Contacts"}));
  EXPECT_TRUE(Log().empty()) << LogText();
}

TEST_F(SearchFolders, AFailingEditStillRestartsTheSearchAndIsLoggedOnce) {
  ASSERT_TRUE(Outlook().AddFault(sim::MakeFault(sim::kind::kRdoSearchContainers, "Add")).Ok());
  EXPECT_FALSE(searchFolders_.AddFolderToDefaultReminders(Open("Inbox/A")));
  EXPECT_EQ(NewHistory(), (Paths{"Stop", "Start"}));
  EXPECT_TRUE(Outlook().SearchRunning());
  ExpectOneLogEntry("AddFolderToDefaultReminders");
}

TEST_F(SearchFolders, AFailingRemovalStillRestartsTheSearchAndIsLoggedOnce) {
  ASSERT_TRUE(Outlook().AddFault(sim::MakeFault(sim::kind::kRdoSearchContainers, "Remove")).Ok());
  EXPECT_FALSE(searchFolders_.RemoveFolderFromDefaultReminders(Open("Tasks")));
  EXPECT_EQ(Scope(), (Paths{"Calendar", "Tasks", "Inbox", "Contacts"}));
  EXPECT_EQ(NewHistory(), (Paths{"Stop", "Start"}));
  EXPECT_TRUE(Outlook().SearchRunning());
  ExpectOneLogEntry("RemoveFolderFromDefaultReminders");
}

TEST_F(SearchFolders, AListEntryThatCannotBeReadIsNotTakenForTheFolder) {
  sim::FaultRule second = sim::MakeFault(sim::kind::kRdoSearchContainers, "Item");
  second.Arg = "2";
  ASSERT_TRUE(Outlook().AddFault(second).Ok());
  EXPECT_FALSE(searchFolders_.RemoveFolderFromDefaultReminders(Open("Contacts")));
  EXPECT_EQ(Scope(), (Paths{"Calendar", "Tasks", "Inbox"}));
  EXPECT_TRUE(Outlook().SearchRunning());
  ExpectOneLogEntry("RemoveFolderFromDefaultReminders");
}

TEST_F(SearchFolders, RemovingAnUnsetFolderFromAnEmptyScopeReadsNothingAndSucceeds) {
  for (int32_t i = State().SearchContainers->Count().Value(); i >= 1; --i) {
    ASSERT_TRUE(State().SearchContainers->Remove(i).Ok());
  }
  EXPECT_TRUE(searchFolders_.RemoveFolderFromDefaultReminders(nullptr));
  EXPECT_TRUE(Scope().empty());
  EXPECT_TRUE(Outlook().SearchRunning());
  EXPECT_TRUE(Log().empty()) << LogText();
}

TEST_F(SearchFolders, AFailingStopDoesNotPreventTheEditButIsReported) {
  ASSERT_TRUE(Outlook().AddFault(sim::MakeFault(sim::kind::kRdoSearchFolder, "Stop")).Ok());
  EXPECT_FALSE(searchFolders_.AddFolderToDefaultReminders(Open("Inbox/B")));
  EXPECT_EQ(NewHistory(), (Paths{"Add Inbox/B", "Start"}));
  ExpectOneLogEntry("AddFolderToDefaultReminders");
}

TEST_F(SearchFolders, WithoutTheRemindersFolderBothReturnFalseAndTouchNothing) {
  State().RemindersSearchFolder.reset();
  Outlook().ClearCalls();
  EXPECT_FALSE(searchFolders_.AddFolderToDefaultReminders(Open("Inbox/A")));
  EXPECT_FALSE(searchFolders_.RemoveFolderFromDefaultReminders(Open("Calendar")));
  EXPECT_EQ(Scope(), (Paths{"Calendar", "Tasks", "Inbox", "Contacts"}));
  EXPECT_TRUE(NewHistory().empty());
  EXPECT_EQ(Outlook().CountCalls(sim::kind::kRdoSearchContainers, "Add"), 0);
  EXPECT_EQ(Outlook().CountCalls(sim::kind::kRdoSearchContainers, "Count"), 0);
  EXPECT_TRUE(Log().empty()) << LogText();
}

}  // namespace
}  // namespace bellnest
