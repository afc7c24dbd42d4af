// The options page as Outlook and the user meet it: set-up (dirty state, the copied selection,
// the companion add-in, a page site without Outlook), the option boxes, Apply and the search
// scope, Help, About, and closing the page with or without a help window.
#include <gtest/gtest.h>

#include <algorithm>

#include "common/page_fixture.h"
#include "page/about_dialog.h"

namespace bellnest::testing_support {
namespace {

constexpr const char* kProfileKey = "Software\\Quillfen\\Bellnest\\Outlook";

class OptionsPage : public PageFixture {
 protected:
  std::string HelpFile() { return world_.Shell().LibraryFolder() + "\\bellnest.chm"; }
  TreeNodePtr Node(std::string_view path) { return Host().Tree().FindByKey(Outlook().Id(path)); }
  std::vector<std::string> Ids(std::initializer_list<const char*> paths) {
    std::vector<std::string> ids;
    for (const char* path : paths) ids.push_back(Outlook().Id(path));
    return ids;
  }
  std::string JoinedIds(std::initializer_list<const char*> paths) {
    std::string out;
    for (const std::string& id : Ids(paths)) out += (out.empty() ? "" : ",") + id;
    return out;
  }
};

bool Contains(const std::vector<std::string>& list, const std::string& item) {
  return std::find(list.begin(), list.end(), item) != list.end();
}

// ---- Set-up -------------------------------------------------------------------------------

TEST_F(OptionsPage, SetUpShowsTheStoredOptionsWithoutMarkingThePageDirty) {
  SetOption("IncludeSubfolders", 1);
  SetOption("DisableDefaultFolders", 1);
  UseProfile();
  Host().Open();
  EXPECT_FALSE(Page().Dirty());
  EXPECT_EQ(Outlook().StatusChanges(), 0);
  EXPECT_EQ(Host().Subfolders().Value().Value(), 1);
  EXPECT_EQ(Host().DefaultFolders().Value().Value(), 1);
  EXPECT_TRUE(Page().IncludeSubfoldersOption);
  EXPECT_TRUE(Page().DisableDefaultFoldersOption);
  // The tree holds the collapsed top folder until the first paint expands it.
  TreeNodePtr root = Host().Tree().NodesItem(1).Value();
  EXPECT_EQ(root->Key().Value(), Outlook().Id(""));
  EXPECT_FALSE(root->Expanded().Value());
  EXPECT_TRUE(Host().Tree().Checkboxes());
  Host().Paint();
  EXPECT_TRUE(root->Expanded().Value());
  EXPECT_TRUE(Node("Calendar")->Checked().Value());
  EXPECT_FALSE(Node("Team Calendar")->Checked().Value());
  EXPECT_TRUE(Log().empty()) << ::testing::PrintToString(Log());
}

TEST_F(OptionsPage, TheSelectionStartsAsACopyOfTheReminderFolderSet) {
  OpenPage();
  const std::vector<std::string> expected{"Calendar", "Tasks", "Inbox", "Contacts"};
  EXPECT_EQ(Selection(), expected);
  EXPECT_EQ(Paths(State().RemindersCollection), expected);
  EXPECT_NE(Page().SelectedFolders, State().RemindersCollection);
  // Until Apply a tick changes only the page's selection.
  ASSERT_TRUE(Host().Tick("Team Calendar", true).Ok());
  EXPECT_TRUE(Contains(Selection(), "Team Calendar"));
  EXPECT_EQ(Paths(State().RemindersCollection), expected);
}

// A folder object that names no store, as a folder of a detached or broken store does.
class StorelessFolder final : public RdoFolder {
 public:
  Result<std::string> EntryID() override { return std::string("00AB00CD"); }
  Result<std::string> StoreID() override { return std::string(); }
  Result<std::string> Name() override { return std::string("Storeless"); }
  Result<Variant> Fields(uint32_t) override { return HostError(err::kMapiNotFound, "not found", "test"); }
};

TEST_F(OptionsPage, AFolderOfTheSetWithoutAStoreIsLeftOutOfTheSelection) {
  UseProfile();
  ASSERT_TRUE(RemindersCollection().Add(std::make_shared<StorelessFolder>(), "00AB00CD").Ok());
  Host().Open();
  EXPECT_TRUE(Contains(Paths(State().RemindersCollection), "id:00AB00CD"));
  EXPECT_EQ(Selection(), (std::vector<std::string>{"Calendar", "Tasks", "Inbox", "Contacts"}));
  EXPECT_TRUE(LogOf("UserControl_InitProperties").empty()) << ::testing::PrintToString(Log());
}

TEST_F(OptionsPage, AFolderWhoseStoreIdCannotBeReadOnceStillJoinsTheSelection) {
  // Set-up's copy of the set reads the Inbox's StoreID last while the page opens.
  int reads = 0;
  {
    sim::NativeWorld world;
    sim::SimulatedOutlook outlook;
    sim::PageHost(world, outlook).Open();
    for (const sim::HostCall& call : outlook.Calls())
      reads += call.Kind == sim::kind::kRdoFolder && call.Method == "StoreID" && call.Target == outlook.Id("Inbox");
  }
  ResetSharedState();
  UseProfile();
  sim::FaultRule fault = sim::MakeFault(sim::kind::kRdoFolder, "StoreID");
  fault.Target = Outlook().Id("Inbox");
  fault.Nth = reads;
  ASSERT_TRUE(Outlook().AddFault(fault).Ok());
  Host().Open();
  Host().Paint();
  EXPECT_EQ(Selection(), (std::vector<std::string>{"Calendar", "Tasks", "Inbox", "Contacts"}));
  EXPECT_TRUE(Node("Inbox")->Checked().Value());
  const std::vector<LogEntry> entries = LogOf("UserControl_InitProperties");
  ASSERT_EQ(entries.size(), 1u) << ::testing::PrintToString(Log());
  EXPECT_EQ(entries[0].Context, "Error in UserControl_InitProperties");  // the failed read, met and reported
}

TEST_F(OptionsPage, GetPageInfoGivesTheHelpFileBesideTheLibraryOnceSetUpHasRun) {
  UseProfile();
  std::string file = "unchanged";
  int32_t context = 0;
  {
    // A page whose InitProperties has not run yet on this thread.
    UserControl1 early(PageControls{sim::MemoryTree::Create(), std::make_shared<sim::MemoryCheckBox>(),
                                    std::make_shared<sim::MemoryCheckBox>(),
                                    std::make_shared<sim::MemoryPageContainer>(Outlook().PageSite())});
    early.GetPageInfo(file, context);
  }
  EXPECT_EQ(file, "");
  EXPECT_EQ(context, 1050);
  Host().Open();
  Page().GetPageInfo(file, context);
  EXPECT_EQ(file, HelpFile());
  EXPECT_EQ(context, 1050);
}

// ---- The companion add-in -----------------------------------------------------------------

struct AddInCase {
  const char* Name;
  const char* AddIn;                                     // the profile's "addIn" entry
  bool Online;                                           // OutlookOnline afterwards; it was true before set-up
  std::vector<std::pair<const char*, int32_t>> Entries;  // set-up's own log entries
};

class AddIn : public OptionsPage, public ::testing::WithParamInterface<AddInCase> {};

TEST_P(AddIn, DecidesOnlineOrIsLoggedAndLeavesItAsItWas) {
  const AddInCase& c = GetParam();
  State().OutlookOnline = true;  // as an earlier page on this thread left it
  UseProfile(SampleProfileWith([&](nlohmann::json& p) { p["addIn"] = nlohmann::json::parse(c.AddIn); }));
  Host().Open();
  EXPECT_EQ(State().OutlookOnline, c.Online);

  // On a fresh thread the reports before start-up go to the log in the current directory.
  std::vector<LogEntry> entries = EarlyLog();
  for (LogEntry& e : Log()) entries.push_back(std::move(e));
  std::vector<std::pair<std::string, int32_t>> seen;
  for (const LogEntry& e : entries) {
    EXPECT_EQ(e.Module, "UserControl1") << e;
    EXPECT_EQ(e.Procedure, "UserControl_InitProperties") << e;
    seen.emplace_back(e.Context, e.Number);
  }
  std::vector<std::pair<std::string, int32_t>> expected;
  for (const auto& [context, number] : c.Entries) expected.emplace_back(context, number);
  EXPECT_EQ(seen, expected);
  // Set-up went on: the tree and the selection are there.
  EXPECT_EQ(Selection().size(), 4u);
  EXPECT_FALSE(Page().Dirty());
}

INSTANTIATE_TEST_SUITE_P(
    Situations, AddIn,
    ::testing::Values(
        AddInCase{"Online", R"({"online": true})", true, {}}, AddInCase{"Offline", R"({"online": false})", false, {}},
        AddInCase{"OfflineAsText", R"({"online": "False"})", false, {}},
        AddInCase{"OnlineEmpty", R"({"online": null})", false, {}},
        AddInCase{"Absent",
                  "null",
                  true,
                  {{"Could not get COM add-in object", static_cast<int32_t>(0x8002000B)},
                   {"Could not get COM add-in object's public class", 0}}},
        AddInCase{
            "NotConnected", R"({"connected": false})", true, {{"Could not get COM add-in object's public class", 0}}},
        // Without PPClass its Online cannot be read either; that error is still pending at the end.
        AddInCase{"WithoutPublicClass",
                  R"({"ppClass": false})",
                  true,
                  {{"Could not get COM add-in object's public class", err::kObjectDoesNotSupport},
                   {"Error in UserControl_InitProperties", err::kObjectNotSet}}},
        AddInCase{"PublicClassNotAnObject",
                  R"({"ppClass": "PPClass"})",
                  true,
                  {{"Could not get COM add-in object's public class", err::kObjectRequired},
                   {"Error in UserControl_InitProperties", err::kObjectNotSet}}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(OptionsPage, WithoutOutlooksApplicationSetUpLogsEachFailureAndGoesOn) {
  UseProfile(SampleProfileWith([](nlohmann::json& p) { p["pageSite"] = {{"application", false}}; }));
  Host().Open();
  // The first reports come before start-up has found the local data folder, so on a fresh
  // thread they go to the log in the current directory.
  const std::vector<LogEntry> early = EarlyLog();
  ASSERT_EQ(early.size(), 3u) << ::testing::PrintToString(early);
  EXPECT_EQ(early[0].Context, "Could not get Outlook.Application object");
  EXPECT_EQ(early[0].Number, 0);
  EXPECT_EQ(early[0].Description, "");
  EXPECT_EQ(early[1].Context, "Could not get COM add-in object");
  EXPECT_EQ(early[1].Number, err::kObjectNotSet);
  EXPECT_EQ(early[2].Context, "Could not get COM add-in object's public class");
  EXPECT_EQ(early[2].Number, 0);
  for (const LogEntry& e : early) {
    EXPECT_EQ(e.Module, "UserControl1");
    EXPECT_EQ(e.Procedure, "UserControl_InitProperties");
  }
  // InitHandler reports its own failures, then set-up ends with the error still pending.
  const std::vector<LogEntry> entries = Log();
  ASSERT_FALSE(entries.empty());
  EXPECT_EQ(LogOf("InitHandler").size(), 1u) << ::testing::PrintToString(entries);
  EXPECT_EQ(entries.back().Procedure, "UserControl_InitProperties");
  EXPECT_EQ(entries.back().Context, "Error in UserControl_InitProperties");
  EXPECT_EQ(LogOf("UserControl_InitProperties").size(), 1u);
  ASSERT_EQ(Ui().MessageBoxes().size(), 1u);
  EXPECT_EQ(Ui().MessageBoxes()[0].Prompt, "Error in InitHandler");

  EXPECT_FALSE(State().OutlookApp);
  EXPECT_FALSE(Page().Dirty());
  // Start-up itself needs no Outlook object for the session: the set is there.
  EXPECT_EQ(Selection(), (std::vector<std::string>{"Calendar", "Tasks", "Inbox", "Contacts"}));
  // Without Outlook, shut-down does nothing: the stored set is left as it was.
  Host().Close();
  EXPECT_FALSE(world_.Registry().KeyExists(kHkeyCurrentUser, kProfileKey));
}

// ---- The option boxes ---------------------------------------------------------------------

TEST_F(OptionsPage, OptionClicksNeitherDirtyNorNotifyAndReachTheRegistryAtApply) {
  OpenPage();
  const std::string treeBefore = Host().TreeText();
  ASSERT_TRUE(Host().ClickSubfolders().Ok());
  ASSERT_TRUE(Host().ClickDefaultFolders().Ok());
  EXPECT_TRUE(Page().IncludeSubfoldersOption);
  EXPECT_TRUE(Page().DisableDefaultFoldersOption);
  EXPECT_FALSE(Page().Dirty());
  EXPECT_EQ(Outlook().StatusChanges(), 0);
  EXPECT_EQ(Host().TreeText(), treeBefore);
  EXPECT_FALSE(Value(kProductKeyPath, "IncludeSubfolders"));

  Host().Apply();
  EXPECT_EQ(Option("IncludeSubfolders"), 1);
  EXPECT_EQ(Option("DisableDefaultFolders"), 1);
  EXPECT_TRUE(State().IncludeSubfoldersFlag);
  EXPECT_TRUE(State().DisableDefaultFoldersFlag);

  ASSERT_TRUE(Host().ClickSubfolders().Ok());
  Host().Apply();
  EXPECT_EQ(Option("IncludeSubfolders"), 0);
  EXPECT_EQ(Option("DisableDefaultFolders"), 1);
  EXPECT_FALSE(State().IncludeSubfoldersFlag);
}

TEST_F(OptionsPage, TheNextPageShowsWhatWasAppliedAndNotWhatWasOnlyTicked) {
  OpenPage();
  ASSERT_TRUE(Host().ClickDefaultFolders().Ok());
  ASSERT_TRUE(Host().Tick("Team Calendar", true).Ok());
  Host().Apply();
  ASSERT_TRUE(Host().Tick("Follow Up", true).Ok());  // after Apply: part of the set at once
  ASSERT_TRUE(Host().ClickSubfolders().Ok());        // never applied
  Host().Close();

  Host().Open();
  Host().Paint();
  EXPECT_EQ(Host().DefaultFolders().Value().Value(), 1);
  EXPECT_EQ(Host().Subfolders().Value().Value(), 0);
  EXPECT_FALSE(Page().Dirty());
  const std::vector<std::string> expected{"Calendar", "Tasks", "Inbox", "Contacts", "Team Calendar", "Follow Up"};
  EXPECT_EQ(Selection(), expected);
  EXPECT_TRUE(Node("Follow Up")->Checked().Value());
  // Start-up brings the search scope in line with the stored set.
  EXPECT_EQ(Outlook().SearchContainerPaths(), expected);
}

// ---- Apply --------------------------------------------------------------------------------

TEST_F(OptionsPage, ApplyEmptiesTheScopeFromTheTopThenAddsTheSelectionInOrderBetweenOneStopAndOneStart) {
  OpenPage();
  ASSERT_TRUE(Host().Tick("Team Calendar", true).Ok());
  ASSERT_TRUE(Host().Tick("Follow Up", true).Ok());
  ASSERT_TRUE(Page().Dirty());
  const size_t before = Outlook().SearchHistory().size();
  Host().Apply();

  const std::vector<std::string> history = Outlook().SearchHistory();
  std::vector<std::string> applied(history.begin() + static_cast<std::ptrdiff_t>(before), history.end());
  std::vector<std::string> expected{"Stop", "Remove 4", "Remove 3", "Remove 2", "Remove 1"};
  for (const std::string& id : Ids({"Calendar", "Tasks", "Inbox", "Contacts", "Team Calendar", "Follow Up"}))
    expected.push_back("Add " + id);
  expected.push_back("Start");
  EXPECT_EQ(applied, expected);
  EXPECT_TRUE(Outlook().RemindersActive());
  EXPECT_FALSE(Page().Dirty());
  EXPECT_EQ(Page().SelectedFolders, State().RemindersCollection);
  // The tree is reloaded and open at once, with the new marks.
  EXPECT_TRUE(Host().Tree().NodesItem(1).Value()->Expanded().Value());
  EXPECT_TRUE(Node("Follow Up")->Checked().Value());
  EXPECT_TRUE(Log().empty()) << ::testing::PrintToString(Log());
}

TEST_F(OptionsPage, ApplyWithAnEmptySelectionLeavesTheSearchWithoutContainers) {
  OpenPage();
  for (const char* folder : {"Calendar", "Tasks", "Inbox", "Contacts"}) ASSERT_TRUE(Host().Tick(folder, false).Ok());
  ASSERT_EQ(Selection(), std::vector<std::string>{});
  Host().Apply();
  EXPECT_EQ(Outlook().SearchContainerIds(), std::vector<std::string>{});
  EXPECT_TRUE(Outlook().SearchRunning());
  EXPECT_EQ(Paths(State().RemindersCollection), std::vector<std::string>{});
  // The next save stores the empty set.
  Host().Close();
  ASSERT_TRUE(Value(kProfileKey, "ReminderFolders"));
  EXPECT_EQ(Value(kProfileKey, "ReminderFolders")->Data, "");
}

TEST_F(OptionsPage, ApplyWithoutTheSearchObjectsStillStoresTheOptionsAndSharesTheSelection) {
  // A mailbox without a Reminders search folder: start-up stops before the search objects.
  OpenPage(SampleProfileWith([](nlohmann::json& p) { SampleMailbox(p).erase("reminders"); }));
  ASSERT_FALSE(State().SearchContainers);
  ASSERT_TRUE(Host().Tick("Team Calendar", true).Ok());
  ASSERT_TRUE(Host().ClickSubfolders().Ok());
  ASSERT_TRUE(Host().ClickDefaultFolders().Ok());
  const size_t before = Log().size();
  Host().Apply();

  EXPECT_EQ(Option("IncludeSubfolders"), 1);
  EXPECT_EQ(Option("DisableDefaultFolders"), 1);
  EXPECT_EQ(Page().SelectedFolders, State().RemindersCollection);
  EXPECT_EQ(Paths(State().RemindersCollection), std::vector<std::string>{"Team Calendar"});
  const std::vector<LogEntry> entries = Log();
  ASSERT_EQ(entries.size(), before + 1) << ::testing::PrintToString(entries);
  EXPECT_EQ(entries.back().Module, "UserControl1");
  EXPECT_EQ(entries.back().Procedure, "PropertyPage_Apply");
  EXPECT_EQ(entries.back().Context, "Error");
  EXPECT_EQ(entries.back().Number, err::kObjectNotSet);
}

TEST_F(OptionsPage, AfterApplyTicksChangeTheReminderFolderSetItself) {
  OpenPage();
  Host().Apply();
  ASSERT_TRUE(Host().Tick("Sync Issues", true).Ok());
  ASSERT_TRUE(Host().Tick("Calendar", false).Ok());
  const std::vector<std::string> expected{"Tasks", "Inbox", "Contacts", "Sync Issues"};
  EXPECT_EQ(Paths(State().RemindersCollection), expected);
  // The search scope waits for the next Apply, the registry for the page to close.
  EXPECT_EQ(Outlook().SearchContainerPaths(), (std::vector<std::string>{"Calendar", "Tasks", "Inbox", "Contacts"}));
  Host().Close();
  ASSERT_TRUE(Value(kProfileKey, "ReminderFolders"));
  EXPECT_EQ(Value(kProfileKey, "ReminderFolders")->Data, JoinedIds({"Tasks", "Inbox", "Contacts", "Sync Issues"}));
}

// ---- Help and About -----------------------------------------------------------------------

TEST_F(OptionsPage, HelpOpensTopic1050OfTheHelpFile) {
  OpenPage();
  Host().Help();
  ASSERT_EQ(Ui().HelpCalls().size(), 1u);
  EXPECT_EQ(Ui().HelpCalls()[0].File, HelpFile());
  EXPECT_EQ(Ui().HelpCalls()[0].Command, 0x000Fu);
  EXPECT_EQ(Ui().HelpCalls()[0].Data, 1050u);
}

struct VersionCase {
  VersionResource Resource;
  const char* Shown;
};

class AboutVersion : public OptionsPage, public ::testing::WithParamInterface<VersionCase> {};

TEST_P(AboutVersion, ShowsTheLibrarysVersionAndDescription) {
  OpenPage();
  Ui().SetVersion(GetParam().Resource);
  Host().About();
  ASSERT_EQ(Ui().AboutBoxes().size(), 1u);
  const AboutBoxTexts& texts = Ui().AboutBoxes()[0];
  EXPECT_EQ(texts.Caption, "About Bellnest");
  EXPECT_EQ(texts.Title, "Bellnest");
  EXPECT_EQ(texts.Version, GetParam().Shown);
  EXPECT_EQ(texts.Description, GetParam().Resource.FileDescription);
  EXPECT_EQ(texts.Company.rfind("Quillfen Systems, Inc.\r\n", 0), 0u);
  EXPECT_NE(texts.Company.find('@'), std::string::npos);
  EXPECT_EQ(texts.Disclaimer.rfind("Warning: ", 0), 0u);
  EXPECT_TRUE(Log().empty()) << ::testing::PrintToString(Log());
}

INSTANTIATE_TEST_SUITE_P(Versions, AboutVersion,
                         ::testing::Values(VersionCase{{1, 3, 7, sim::kDefaultFileDescription}, "Version 1.3.7"},
                                           VersionCase{{1, 0, 0, sim::kDefaultFileDescription}, "Version 1.0.0"},
                                           VersionCase{{2, 10, 0, "Another description"}, "Version 2.10.0"},
                                           VersionCase{{12, 0, 4518, sim::kDefaultFileDescription},
                                                       "Version 12.0.4518"}));

TEST_F(OptionsPage, AboutWithoutAVersionResourceShowsTheDesignTextsNotTheLastOnesAndLogsOnce) {
  OpenPage();
  Host().About();  // an earlier opening that read the version
  Ui().SetVersion(std::nullopt);
  Host().About();
  ASSERT_EQ(Ui().AboutBoxes().size(), 2u);
  const AboutBoxTexts& texts = Ui().AboutBoxes()[1];
  EXPECT_EQ(texts.Caption, "About Bellnest");
  EXPECT_EQ(texts.Title, "Bellnest");
  EXPECT_EQ(texts.Version, "Version");
  EXPECT_EQ(texts.Description, "App Description");
  EXPECT_EQ(texts.Company.rfind("Quillfen Systems, Inc.\r\n", 0), 0u);
  const std::vector<LogEntry> entries = Log();
  ASSERT_EQ(entries.size(), 1u) << ::testing::PrintToString(entries);
  EXPECT_EQ(entries[0].Module, "frmPPAbout");
  EXPECT_EQ(entries[0].Procedure, "Form_Load");
  EXPECT_EQ(entries[0].Context, "Error!");
  EXPECT_NE(entries[0].Number, 0);
}

TEST_F(OptionsPage, TheAboutDialogIsOneInstancePerThreadReleasedAtShutDown) {
  OpenPage();
  Host().About();
  const std::shared_ptr<frmPPAbout> first = State().AboutDialog;
  ASSERT_TRUE(first);
  Host().About();
  EXPECT_EQ(State().AboutDialog, first);
  EXPECT_EQ(Ui().AboutBoxes().size(), 2u);
  Host().Close();
  EXPECT_FALSE(State().AboutDialog);
}

// ---- Closing the page ---------------------------------------------------------------------

TEST_F(OptionsPage, ClosingWithoutAHelpWindowSendsNothingAndShutsDown) {
  OpenPage();
  const int passes = Ui().PumpPasses();
  Host().Close();
  EXPECT_EQ(Ui().CloseMessagesSent(), 0);
  EXPECT_EQ(Ui().PumpPasses(), passes);
  EXPECT_FALSE(Host().Tree().Checkboxes());
  EXPECT_TRUE(Value(kProfileKey, "ReminderFolders"));
  EXPECT_EQ(Outlook().LiveObjects(), 0) << Outlook().LiveObjectReport();
  EXPECT_TRUE(Log().empty()) << ::testing::PrintToString(Log());
}

TEST_F(OptionsPage, ClosingWaitsForTheHelpWindowAndRunsEventsMeanwhile) {
  OpenPage();
  Host().Help();
  Ui().SetHelpCloseDelay(3);
  bool eventRan = false;
  Ui().Post([&] { eventRan = true; });
  const int passes = Ui().PumpPasses();
  Host().Close();
  EXPECT_EQ(Ui().CloseMessagesSent(), 1);
  EXPECT_FALSE(Ui().HelpWindowOpen());
  EXPECT_GE(Ui().PumpPasses() - passes, 3);
  EXPECT_TRUE(eventRan);
  EXPECT_TRUE(Value(kProfileKey, "ReminderFolders"));
  EXPECT_EQ(Outlook().LiveObjects(), 0) << Outlook().LiveObjectReport();
  EXPECT_TRUE(Log().empty()) << ::testing::PrintToString(Log());
}

TEST_F(OptionsPage, AHelpWindowThatNeverClosesHoldsThePageOnlyForABoundedTime) {
  OpenPage();
  ASSERT_TRUE(Host().Tick("Team Calendar", true).Ok());
  Host().Help();
  Ui().SetHelpCloseDelay(-1);
  const uint32_t start = Ui().GetTickCount();
  Host().Close();
  EXPECT_TRUE(Ui().HelpWindowOpen());
  EXPECT_EQ(Ui().CloseMessagesSent(), 1);
  EXPECT_GE(Ui().GetTickCount() - start, 10000u);
  const std::vector<LogEntry> entries = LogOf("UserControl_Terminate");
  ASSERT_EQ(entries.size(), 1u) << ::testing::PrintToString(Log());
  EXPECT_EQ(entries[0].Module, "UserControl1");
  // Shut-down still ran: the folder set is saved and every host object released.
  EXPECT_EQ(Value(kProfileKey, "ReminderFolders")->Data, JoinedIds({"Calendar", "Tasks", "Inbox", "Contacts"}));
  EXPECT_EQ(Outlook().LiveObjects(), 0) << Outlook().LiveObjectReport();
}

}  // namespace
}  // namespace bellnest::testing_support
