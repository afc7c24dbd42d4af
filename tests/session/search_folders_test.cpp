// clsPPSearchFolders on a started session: adding and removing one folder of the Reminders
// search scope, always between a Stop and a Start, with aliases and duplicates, a failing edit,
// and sessions whose start-up found no Reminders folder or no containers list.
#include "session/search_folders.h"

#include <gtest/gtest.h>

#include "common/page_fixture.h"

namespace bellnest {
namespace {

using testing_support::SmallMailbox;
using Paths = std::vector<std::string>;
const Paths kDefaults{"Calendar", "Tasks", "Inbox", "Contacts"};

class SearchFolders : public testing_support::SessionTest {
 protected:
  void SetUp() override {
    UseProfile(SmallMailbox(R"("Calendar", "Tasks", "Inbox", "Contacts")"));
    StartUp();
    ASSERT_TRUE(State().RemindersSearchFolder);
    history_ = Outlook().SearchHistory().size();
  }
  RdoFolderPtr Open(std::string_view path) {
    return State().Session->GetFolderFromID(Id(path), DefaultStoreId()).Value();
  }
  // The scope's history since set-up: "Stop", "Add <path>", "Remove <n>", "Start".
  Paths NewHistory() {
    const Paths all = Outlook().SearchHistory();
    Paths out(all.begin() + static_cast<std::ptrdiff_t>(history_), all.end());
    for (std::string& step : out)
      if (step.rfind("Add ", 0) == 0) step = "Add " + PathOf(step.substr(4));
    return out;
  }
  // The log as "module.procedure: context" lines.
  Paths LogLines() {
    Paths lines;
    for (const auto& e : LogJson())
      lines.push_back(e["module"].get<std::string>() + "." + e["procedure"].get<std::string>() + ": " +
                      e["context"].get<std::string>());
    return lines;
  }

  clsPPSearchFolders searchFolders_;
  size_t history_ = 0;
};

// A folder object that names its folder by another identifier than the one the list reports.
class FolderNamedByAlias final : public RdoFolder {
 public:
  Result<std::string> EntryID() override { return std::string("00A1A500"); }
  Result<std::string> StoreID() override { return RuntimeError(err::kObjectDoesNotSupport); }
  Result<std::string> Name() override { return RuntimeError(err::kObjectDoesNotSupport); }
  Result<Variant> Fields(uint32_t) override { return RuntimeError(err::kObjectDoesNotSupport); }
};

TEST_F(SearchFolders, AddingAppendsBetweenStopAndStartAndRemovingTakesTheFirstMatch) {
  EXPECT_TRUE(searchFolders_.AddFolderToDefaultReminders(Open("Inbox/A")));
  EXPECT_EQ(NewHistory(), (Paths{"Stop", "Add Inbox/A", "Start"}));
  ASSERT_TRUE(searchFolders_.AddFolderToDefaultReminders(Open("Inbox/B")));
  ASSERT_TRUE(searchFolders_.AddFolderToDefaultReminders(Open("Inbox/A")));
  EXPECT_EQ(Scope(), (Paths{"Calendar", "Tasks", "Inbox", "Contacts", "Inbox/A", "Inbox/B", "Inbox/A"}));
  EXPECT_TRUE(searchFolders_.RemoveFolderFromDefaultReminders(Open("Inbox/A")));
  EXPECT_EQ(Scope(), (Paths{"Calendar", "Tasks", "Inbox", "Contacts", "Inbox/B", "Inbox/A"}));
  // An entry that only the session equates with the folder is removed too.
  EXPECT_TRUE(searchFolders_.RemoveFolderFromDefaultReminders(std::make_shared<FolderNamedByAlias>()));
  EXPECT_EQ(Scope(), (Paths{"Calendar", "Tasks", "Inbox", "Contacts", "Inbox/B"}));
  // A folder not listed changes nothing, but the search is still stopped and started.
  history_ = Outlook().SearchHistory().size();
  EXPECT_TRUE(searchFolders_.RemoveFolderFromDefaultReminders(Open("Inbox/X")));
  EXPECT_EQ(NewHistory(), (Paths{"Stop", "Start"}));
  EXPECT_TRUE(Outlook().SearchRunning());
  EXPECT_TRUE(LogJson().empty()) << LogText();
  // Removing down to nothing and adding again leaves a list of one; an unset folder finds
  // nothing to remove in an empty scope.
  for (const char* path : {"Calendar", "Tasks", "Inbox", "Contacts", "Inbox/B"})
    ASSERT_TRUE(searchFolders_.RemoveFolderFromDefaultReminders(Open(path)));
  EXPECT_TRUE(searchFolders_.RemoveFolderFromDefaultReminders(nullptr));
  EXPECT_TRUE(Scope().empty());
  EXPECT_TRUE(searchFolders_.AddFolderToDefaultReminders(Open("Inbox/B")));
  EXPECT_EQ(Scope(), (Paths{"Inbox/B"}));
}

struct FailingEdit {
  const char* Name;
  const char* Method;  // of the failing call
  bool Add;            // the edit: add Inbox/B, or remove Tasks
  Paths History;
};

class FailingSearchEdit : public SearchFolders, public ::testing::WithParamInterface<FailingEdit> {};

TEST_P(FailingSearchEdit, StillRestartsTheSearchAndIsLoggedOnce) {
  const FailingEdit& c = GetParam();
  const char* kind = std::string_view(c.Method) == "Stop" ? sim::kind::kRdoSearchFolder : sim::kind::kRdoSearchContainers;
  ASSERT_TRUE(Outlook().AddFault(sim::MakeFault(kind, c.Method)).Ok());
  // Calendar is listed first: a removal that went on without the count would find it.
  EXPECT_FALSE(c.Add ? searchFolders_.AddFolderToDefaultReminders(Open("Inbox/B"))
                     : searchFolders_.RemoveFolderFromDefaultReminders(Open("Calendar")));
  EXPECT_EQ(NewHistory(), c.History);
  EXPECT_TRUE(Outlook().SearchRunning());
  const std::string procedure = c.Add ? "AddFolderToDefaultReminders" : "RemoveFolderFromDefaultReminders";
  EXPECT_EQ(LogLines(), Paths{"clsPPSearchFolders." + procedure + ": Error in " + procedure});
}

INSTANTIATE_TEST_SUITE_P(Faults, FailingSearchEdit,
                         ::testing::Values(FailingEdit{"Add", "Add", true, {"Stop", "Start"}},
                                           FailingEdit{"Remove", "Remove", false, {"Stop", "Start"}},
                                           FailingEdit{"Count", "Count", false, {"Stop", "Start"}},
                                           // A failing Stop does not prevent the edit.
                                           FailingEdit{"Stop", "Stop", true, {"Add Inbox/B", "Start"}}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(SearchFolders, AListEntryThatCannotBeReadIsNotTakenForTheFolder) {
  sim::FaultRule second = sim::MakeFault(sim::kind::kRdoSearchContainers, "Item");
  second.Arg = "2";
  ASSERT_TRUE(Outlook().AddFault(second).Ok());
  EXPECT_FALSE(searchFolders_.RemoveFolderFromDefaultReminders(Open("Contacts")));
  EXPECT_EQ(Scope(), (Paths{"Calendar", "Tasks", "Inbox"}));
  EXPECT_TRUE(Outlook().SearchRunning());
  EXPECT_EQ(LogLines(), Paths{"clsPPSearchFolders.RemoveFolderFromDefaultReminders: Error in RemoveFolderFromDefaultReminders"});
}

// A start-up that finds no containers list leaves the search stopped and restarted by each
// edit, which fails on the missing object. One that finds no Reminders folder leaves none, even
// where an earlier start-up on this thread left one (its page had no Outlook to shut down): both
// methods then return false and touch nothing.
TEST_F(SearchFolders, AfterAStartUpWithoutTheContainersListOrTheRemindersFolderBothReturnFalse) {
  ExitHandler();
  ASSERT_TRUE(Outlook().AddFault(sim::MakeFault(sim::kind::kRdoSearchFolder, "SearchContainers")).Ok());
  StartUp();
  ASSERT_TRUE(State().RemindersSearchFolder && !State().SearchContainers);
  history_ = Outlook().SearchHistory().size();
  const size_t logged = LogJson().size();
  EXPECT_FALSE(searchFolders_.AddFolderToDefaultReminders(Open("Inbox/A")));
  EXPECT_FALSE(searchFolders_.RemoveFolderFromDefaultReminders(Open("Calendar")));
  EXPECT_EQ(NewHistory(), (Paths{"Stop", "Start", "Stop", "Start"}));
  EXPECT_EQ(Scope(), kDefaults);
  const Paths lines = LogLines();
  ASSERT_EQ(lines.size(), logged + 2) << LogText();
  EXPECT_EQ(Paths(lines.begin() + static_cast<std::ptrdiff_t>(logged), lines.end()),
            (Paths{"clsPPSearchFolders.AddFolderToDefaultReminders: Error in AddFolderToDefaultReminders",
                   "clsPPSearchFolders.RemoveFolderFromDefaultReminders: Error in RemoveFolderFromDefaultReminders"}));
  for (size_t i = logged; i < lines.size(); ++i) EXPECT_EQ(LogJson()[i]["number"], std::to_string(err::kObjectNotSet));

  ASSERT_TRUE(Outlook().AddFault(sim::MakeFault(sim::kind::kRdoStore, "Reminders")).Ok());
  InitHandler();
  history_ = Outlook().SearchHistory().size();
  const size_t loggedAtStart = LogJson().size();
  Outlook().ClearCalls();
  EXPECT_FALSE(searchFolders_.AddFolderToDefaultReminders(Open("Inbox/A")));
  EXPECT_FALSE(searchFolders_.RemoveFolderFromDefaultReminders(Open("Calendar")));
  EXPECT_EQ(Scope(), kDefaults);
  EXPECT_TRUE(NewHistory().empty());
  EXPECT_EQ(Outlook().CountCalls(sim::kind::kRdoSearchContainers, "Count"), 0);
  EXPECT_EQ(LogJson().size(), loggedAtStart) << LogText();
}

}  // namespace
}  // namespace bellnest
