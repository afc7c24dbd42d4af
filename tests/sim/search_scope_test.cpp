// The Reminders search scope: editing the containers list, stopping and starting the search,
// Outlook's verdict on the scope, and writing the scope back to a profile file.
#include <gtest/gtest.h>

#include "sim_test_support.h"

namespace bellnest::sim {
namespace {

using testing::LoadProfile;
using testing::LoggedOnSession;

constexpr const char* kMailbox = R"({"stores": [
  {"name": "Mailbox", "folders": [
    {"name": "Inbox", "class": "IPF.Note", "default": "Inbox", "folders": [{"name": "X", "class": "IPF.Note"}]},
    {"name": "Calendar", "class": "IPF.Appointment", "default": "Calendar", "aliases": ["00C0FFEE"]},
    {"name": "Tasks", "class": "IPF.Task", "default": "Tasks"},
    {"name": "Contacts", "class": "IPF.Contact", "default": "Contacts"}],
   "reminders": {"containers": ["Calendar", "Tasks", "Inbox/X", {"entryId": "00DEAD00"}]}},
  {"name": "Archive", "folders": [{"name": "Old"}]}]})";

class SearchScope : public ::testing::Test {
 protected:
  void SetUp() override {
    outlook_ = LoadProfile(kMailbox);
    ASSERT_TRUE(outlook_);
    session_ = LoggedOnSession(*outlook_);
    store_ = session_->Stores().Value()->DefaultStore().Value();
    search_ = store_->Reminders().Value()->SearchFolder().Value();
    list_ = search_->SearchContainers().Value();
  }
  RdoFolderPtr Open(const char* path) { return session_->GetFolderFromID(outlook_->Id(path), "").Value(); }
  std::vector<std::string> Paths() { return outlook_->SearchContainerPaths(); }

  std::unique_ptr<SimulatedOutlook> outlook_;
  RdoSessionPtr session_;
  RdoStorePtr store_;
  RdoSearchFolderPtr search_;
  RdoSearchContainersPtr list_;
};

TEST_F(SearchScope, ItemsAreOneBasedAndAContainerNamingNoFolderCannotBeOpened) {
  ASSERT_EQ(list_->Count().Value(), 4);
  EXPECT_EQ(list_->Item(1).Value()->EntryID().Value(), outlook_->Id("Calendar"));
  EXPECT_EQ(list_->Item(3).Value()->Name().Value(), "X");
  EXPECT_EQ(list_->Item(4).Error().Number, err::kMapiNotFound);
  EXPECT_EQ(list_->Item(0).Error().Number, hr::kBadIndex);
  EXPECT_EQ(list_->Item(5).Error().Number, hr::kBadIndex);
}

TEST_F(SearchScope, RemoveShiftsLaterPositionsDown) {
  ASSERT_TRUE(list_->Remove(2).Ok());
  EXPECT_EQ(Paths(), (std::vector<std::string>{"Calendar", "Inbox/X", "00DEAD00"}));
  EXPECT_EQ(list_->Item(2).Value()->Name().Value(), "X");
  // Removing from the highest position down empties the list without skipping any.
  for (int32_t i = list_->Count().Value(); i >= 1; --i) ASSERT_TRUE(list_->Remove(i).Ok());
  EXPECT_EQ(list_->Count().Value(), 0);
  EXPECT_EQ(list_->Remove(1).Error().Number, hr::kBadIndex);
}

TEST_F(SearchScope, AddTakesAFolderOrAnIdAndAcceptsDuplicates) {
  ASSERT_TRUE(list_->Add(Open("Contacts")).Ok());
  ASSERT_TRUE(list_->Add(outlook_->Id("Contacts")).Ok());
  ASSERT_TRUE(list_->Add(std::string("00C0FFEE")).Ok());  // an alias of Calendar
  EXPECT_EQ(list_->Count().Value(), 7);
  EXPECT_EQ(list_->Item(6).Value()->EntryID().Value(), outlook_->Id("Contacts"));
  // The alias went in as the folder, which reports its own identifier.
  EXPECT_EQ(list_->Item(7).Value()->EntryID().Value(), outlook_->Id("Calendar"));
  EXPECT_EQ(list_->Add(std::string("00DEAD01")).Error().Number, err::kMapiNotFound);
  EXPECT_EQ(list_->Add(std::string("ABC")).Error().Number, hr::kInvalidEntryId);
  EXPECT_EQ(list_->Add(RdoFolderPtr()).Error().Number, hr::kInvalidArg);
  EXPECT_EQ(list_->Count().Value(), 7);
}

TEST_F(SearchScope, EditsTakeEffectAtStartAndTheHistoryShowsTheProtocol) {
  ASSERT_TRUE(search_->Stop().Ok());
  EXPECT_FALSE(search_->IsRunning().Value());
  EXPECT_FALSE(outlook_->RemindersActive());
  ASSERT_TRUE(list_->Remove(4).Ok());
  ASSERT_TRUE(list_->Add(Open("Contacts")).Ok());
  EXPECT_EQ(outlook_->EffectiveScopePaths(), (std::vector<std::string>{"Calendar", "Tasks", "Inbox/X", "00DEAD00"}));
  ASSERT_TRUE(search_->Start().Ok());
  EXPECT_TRUE(search_->IsRunning().Value());
  EXPECT_EQ(outlook_->EffectiveScopePaths(), (std::vector<std::string>{"Calendar", "Tasks", "Inbox/X", "Contacts"}));
  EXPECT_EQ(outlook_->SearchHistory(),
            (std::vector<std::string>{"Stop", "Remove 4", "Add " + outlook_->Id("Contacts"), "Start"}));
}

TEST_F(SearchScope, OutlookRejectsAContainerOfAnotherStoreByDefault) {
  EXPECT_TRUE(outlook_->Scope().Accepted);
  ASSERT_TRUE(search_->Stop().Ok());
  ASSERT_TRUE(list_->Add(outlook_->Id("Archive:Old")).Ok());
  ASSERT_TRUE(search_->Start().Ok());
  const ScopeVerdict verdict = outlook_->Scope();
  EXPECT_FALSE(verdict.Accepted);
  EXPECT_NE(verdict.Reason.find("container 5 is a folder of store 'Archive'"), std::string::npos) << verdict.Reason;
  // Silently: the search still says it runs, but no reminders come.
  EXPECT_TRUE(search_->IsRunning().Value());
  EXPECT_FALSE(outlook_->RemindersActive());
}

struct RuleCase {
  const char* Name;
  const char* Rule;
  const char* Containers;
  bool Accepted;
};

class ScopeRuleCases : public ::testing::TestWithParam<RuleCase> {};

TEST_P(ScopeRuleCases, JudgeTheEffectiveScope) {
  const RuleCase& c = GetParam();
  auto outlook = LoadProfile(std::string(R"({"scopeRule": )") + c.Rule + R"(, "stores": [
      {"name": "M", "folders": [{"name": "A"}, {"name": "B"}], "reminders": {"containers": )" +
                             c.Containers + R"(}}, {"name": "Other", "folders": [{"name": "C"}]}]})");
  ASSERT_TRUE(outlook);
  EXPECT_EQ(outlook->Scope().Accepted, c.Accepted) << outlook->Scope().Reason;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, ScopeRuleCases,
    ::testing::Values(RuleCase{"OtherStoreRejected", "{}", R"(["A", "Other:C"])", false},
                      RuleCase{"OtherStoreAllowed", R"({"rejectOtherStores": false})", R"(["A", "Other:C"])", true},
                      RuleCase{"WithinLimit", R"({"maxContainers": 2})", R"(["A", "B"])", true},
                      RuleCase{"OverLimit", R"({"maxContainers": 2})", R"(["A", "B", "A"])", false},
                      RuleCase{"EmptyAllowed", "{}", "[]", true},
                      RuleCase{"EmptyRejected", R"({"rejectEmpty": true})", "[]", false},
                      RuleCase{"DuplicateAllowed", "{}", R"(["A", "A"])", true},
                      RuleCase{"DuplicateRejected", R"({"rejectDuplicates": true})", R"(["A", "B", "A"])", false},
                      RuleCase{"UnknownAllowed", "{}", R"([{"entryId": "00DEAD00"}])", true},
                      RuleCase{"UnknownRejected", R"({"rejectUnknown": true})", R"([{"entryId": "00DEAD00"}])", false}),
    [](const ::testing::TestParamInfo<RuleCase>& info) { return std::string(info.param.Name); });

TEST_F(SearchScope, TheEditedScopeAndRunningStateAreWrittenBack) {
  ASSERT_TRUE(search_->Stop().Ok());
  ASSERT_TRUE(list_->Remove(1).Ok());
  ASSERT_TRUE(list_->Add(Open("Contacts")).Ok());
  auto reloaded = SimulatedOutlook::FromJson(outlook_->ToJson(), "saved.json");
  ASSERT_TRUE(reloaded.Ok()) << reloaded.Error().Description;
  EXPECT_EQ(reloaded.Value()->SearchContainerPaths(),
            (std::vector<std::string>{"Tasks", "Inbox/X", "00DEAD00", "Contacts"}));
  EXPECT_FALSE(reloaded.Value()->SearchRunning());
  // The scope in force is still the one of the last Start until the next Start.
  EXPECT_EQ(reloaded.Value()->EffectiveScopePaths(), outlook_->EffectiveScopePaths());
}

}  // namespace
}  // namespace bellnest::sim
