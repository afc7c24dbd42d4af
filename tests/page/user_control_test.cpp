// The options page as Outlook and the user meet it: set-up, the companion add-in, a page site
// without Outlook, the option boxes, Apply and the search scope, Help, About, and closing.
#include <gtest/gtest.h>

#include <algorithm>

#include "common/page_fixture.h"
#include "page/about_dialog.h"

namespace bellnest::testing_support {
namespace {

const std::vector<std::string> kDefaults{"Calendar", "Tasks", "Inbox", "Contacts"};

class OptionsPage : public PageFixture {};

// A folder object that names no store, as a folder of a detached or broken store does.
class StorelessFolder final : public RdoFolder {
 public:
  Result<std::string> EntryID() override { return std::string("00AB00CD"); }
  Result<std::string> StoreID() override { return std::string(); }
  Result<std::string> Name() override { return std::string("Storeless"); }
  Result<Variant> Fields(uint32_t) override { return HostError(err::kMapiNotFound, "not found", "test"); }
};

TEST_F(OptionsPage, SetUpShowsTheStoredOptionsAndACopyOfTheSetWithoutMarkingThePageDirty) {
  SetOptions(1, 1);
  UseProfile();
  // A folder of the set without a store stays in the set but not in the selection.
  ASSERT_TRUE(RemindersCollection().Add(std::make_shared<StorelessFolder>(), "00AB00CD").Ok());
  std::string file = "unchanged";
  int32_t context = 0;
  {
    // A page whose InitProperties has not run yet on this thread: no help file yet.
    UserControl1 early(PageControls{sim::MemoryTree::Create(), std::make_shared<sim::MemoryCheckBox>(),
                                    std::make_shared<sim::MemoryCheckBox>(),
                                    std::make_shared<sim::MemoryPageContainer>(Outlook().PageSite())});
    early.GetPageInfo(file, context);
  }
  EXPECT_EQ(file, "");
  EXPECT_EQ(context, 1050);
  Host().Open();
  EXPECT_FALSE(Page().Dirty());
  EXPECT_EQ(Outlook().StatusChanges(), 0);
  EXPECT_EQ(Host().Subfolders().Value().Value(), 1);
  EXPECT_EQ(Host().DefaultFolders().Value().Value(), 1);
  EXPECT_TRUE(Page().IncludeSubfoldersOption && Page().DisableDefaultFoldersOption);
  Page().GetPageInfo(file, context);
  EXPECT_EQ(file, world_->Shell().LibraryFolder() + "\\bellnest.chm");
  EXPECT_EQ(Selection(), kDefaults);
  EXPECT_EQ(PathsOf(State().RemindersCollection).front(), "id:00AB00CD");
  EXPECT_NE(Page().SelectedFolders, State().RemindersCollection);
  // The tree holds the collapsed top folder until the first paint expands it.
  TreeNodePtr root = Host().Tree().NodesItem(1).Value();
  EXPECT_EQ(root->Key().Value(), Outlook().Id(""));
  EXPECT_FALSE(root->Expanded().Value());
  EXPECT_TRUE(Host().Tree().Checkboxes());
  Host().Paint();
  EXPECT_TRUE(root->Expanded().Value());
  EXPECT_TRUE(Node("Calendar")->Checked().Value());
  EXPECT_FALSE(Node("Team Calendar")->Checked().Value());
  // Until Apply a tick changes only the page's selection.
  ASSERT_TRUE(Host().Tick("Team Calendar", true).Ok());
  EXPECT_EQ(Selection().back(), "Team Calendar");
  EXPECT_EQ(PathsOf(State().RemindersCollection).size(), 5u);
  EXPECT_TRUE(Log().empty()) << ::testing::PrintToString(Log());
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
  EXPECT_EQ(Selection(), kDefaults);
  EXPECT_TRUE(Node("Inbox")->Checked().Value());
  const std::vector<LogEntry> entries = LogOf("UserControl_InitProperties");
  ASSERT_EQ(entries.size(), 1u) << ::testing::PrintToString(Log());
  EXPECT_EQ(entries[0].Context, "Error in UserControl_InitProperties");  // the failed read, met and reported
}

// On a thread where nobody installed the seams (the COM server could not make its world), every
// outside call fails: the page opens empty and closes at once, with no help window to wait for.
TEST_F(OptionsPage, WithoutSeamsThePageOpensEmptyAndClosesWithoutWaiting) {
  const std::shared_ptr<sim::MemoryTree> tree = sim::MemoryTree::Create();
  UserControl1 page(PageControls{tree, std::make_shared<sim::MemoryCheckBox>(), std::make_shared<sim::MemoryCheckBox>(),
                                 std::make_shared<sim::MemoryPageContainer>(nullptr)});
  page.UserControl_Initialize();
  page.UserControl_InitProperties();
  EXPECT_FALSE(State().OutlookApp || State().Session);
  EXPECT_EQ(tree->NodesCount().Value(), 0);
  EXPECT_TRUE(tree->Checkboxes());
  page.UserControl_Terminate();
  EXPECT_FALSE(tree->Checkboxes());
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
  std::vector<std::pair<std::string, int32_t>> seen, expected;
  for (const LogEntry& e : entries) seen.emplace_back(e.Module + "." + e.Procedure + ": " + e.Context, e.Number);
  for (const auto& [context, number] : c.Entries)
    expected.emplace_back(std::string("UserControl1.UserControl_InitProperties: ") + context, number);
  EXPECT_EQ(seen, expected);
  EXPECT_EQ(Selection(), kDefaults);  // set-up went on
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
  std::vector<std::pair<std::string, int32_t>> early;
  for (const LogEntry& e : EarlyLog()) early.emplace_back(e.Procedure + ": " + e.Context, e.Number);
  EXPECT_EQ(early, (std::vector<std::pair<std::string, int32_t>>{
                       {"UserControl_InitProperties: Could not get Outlook.Application object", 0},
                       {"UserControl_InitProperties: Could not get COM add-in object", err::kObjectNotSet},
                       {"UserControl_InitProperties: Could not get COM add-in object's public class", 0}}));
  // InitHandler reports its own failure, then set-up ends with the error still pending.
  EXPECT_EQ(LogOf("InitHandler").size(), 1u);
  ASSERT_EQ(LogOf("UserControl_InitProperties").size(), 1u);
  EXPECT_EQ(Log().back().Context, "Error in UserControl_InitProperties");
  ASSERT_EQ(Ui().MessageBoxes().size(), 1u);
  EXPECT_EQ(Ui().MessageBoxes()[0].Prompt, "Error in InitHandler");
  EXPECT_FALSE(Page().Dirty());
  EXPECT_EQ(Selection(), kDefaults);
  // Without Outlook, shut-down does nothing: the stored set is left as it was.
  Host().Close();
  EXPECT_FALSE(world_->Registry().KeyExists(kHkeyCurrentUser, ProfileKey()));
}

// ---- Apply (the options_applied, empty_selection and apply_without_search scenarios pin more) --

TEST_F(OptionsPage, ApplyEmptiesTheScopeFromTheTopThenAddsTheSelectionInOrderBetweenOneStopAndOneStart) {
  OpenPage();
  ASSERT_TRUE(Host().Tick("Team Calendar", true).Ok());
  ASSERT_TRUE(Host().Tick("Follow Up", true).Ok());
  ASSERT_TRUE(Page().Dirty());
  const size_t before = Outlook().SearchHistory().size();
  Host().Apply();

  const std::vector<std::string> history = Outlook().SearchHistory();
  std::vector<std::string> expected{"Stop", "Remove 4", "Remove 3", "Remove 2", "Remove 1"};
  for (const char* path : {"Calendar", "Tasks", "Inbox", "Contacts", "Team Calendar", "Follow Up"})
    expected.push_back("Add " + Outlook().Id(path));
  expected.push_back("Start");
  EXPECT_EQ(std::vector<std::string>(history.begin() + static_cast<std::ptrdiff_t>(before), history.end()), expected);
  EXPECT_TRUE(Outlook().RemindersActive());
  EXPECT_FALSE(Page().Dirty());
  EXPECT_EQ(Page().SelectedFolders, State().RemindersCollection);
  // The tree is reloaded and open at once, with the new marks.
  EXPECT_TRUE(Host().Tree().NodesItem(1).Value()->Expanded().Value());
  EXPECT_TRUE(Node("Follow Up")->Checked().Value());
  EXPECT_TRUE(Log().empty()) << ::testing::PrintToString(Log());

  // A scope that cannot tell its Count loses none of its containers; the selection is added.
  ASSERT_TRUE(Outlook().AddFault(sim::MakeFault(sim::kind::kRdoSearchContainers, "Count", err::kMapiCallFailed)).Ok());
  const size_t second = Outlook().SearchHistory().size();
  Host().Apply();
  const std::vector<std::string> again = Outlook().SearchHistory();
  EXPECT_EQ(std::count_if(again.begin() + static_cast<std::ptrdiff_t>(second), again.end(),
                          [](const std::string& step) { return step.rfind("Remove", 0) == 0; }),
            0);
  EXPECT_EQ(again.back(), "Start");
}

// ---- About (the Help button is pinned with the driver's state) -----------------------------

struct VersionCase {
  std::optional<VersionResource> Resource;
  const char* Version;
  const char* Description;
};

class AboutVersion : public OptionsPage, public ::testing::WithParamInterface<VersionCase> {};

// One dialog per thread, released at shut-down; its texts are set again at each opening.
TEST_P(AboutVersion, ShowsTheLibrarysVersionOrTheDesignTextsNotTheLastOnesAndLogsOnce) {
  OpenPage();
  Host().About();  // an earlier opening that read the version
  const std::shared_ptr<frmPPAbout> first = State().AboutDialog;
  ASSERT_TRUE(first);
  Ui().SetVersion(GetParam().Resource);
  Host().About();
  EXPECT_EQ(State().AboutDialog, first);
  ASSERT_EQ(Ui().AboutBoxes().size(), 2u);
  const AboutBoxTexts& texts = Ui().AboutBoxes()[1];
  EXPECT_EQ(texts.Caption, "About Bellnest");
  EXPECT_EQ(texts.Title, "Bellnest");
  EXPECT_EQ(texts.Version, GetParam().Version);
  EXPECT_EQ(texts.Description, GetParam().Description);
  const std::vector<LogEntry> entries = Log();
  ASSERT_EQ(entries.size(), GetParam().Resource ? 0u : 1u) << ::testing::PrintToString(entries);
  if (!entries.empty()) {
    EXPECT_EQ(entries[0].Module + "." + entries[0].Procedure + ": " + entries[0].Context,
              "frmPPAbout.Form_Load: Error!");
    EXPECT_NE(entries[0].Number, 0);
  }
  Host().Close();
  EXPECT_FALSE(State().AboutDialog);
}

INSTANTIATE_TEST_SUITE_P(Versions, AboutVersion,
                         ::testing::Values(VersionCase{VersionResource{1, 3, 7, sim::kDefaultFileDescription},
                                                       "Version 1.3.7", sim::kDefaultFileDescription},
                                           VersionCase{std::nullopt, "Version", "App Description"}));

// ---- Closing the page ---------------------------------------------------------------------

struct CloseCase {
  const char* Name;
  int HelpCloseDelay;  // pump passes until the help window closes; 0 on WM_CLOSE; -1 never; -2 none
  int CloseMessages;
  int MinPasses;
  bool TimedOut;
};

class Closing : public OptionsPage, public ::testing::WithParamInterface<CloseCase> {};

TEST_P(Closing, WaitsBoundedlyForTheHelpWindowThenShutsDown) {
  const CloseCase& c = GetParam();
  OpenPage();
  if (c.HelpCloseDelay != -2) {
    Host().Help();
    Ui().SetHelpCloseDelay(c.HelpCloseDelay);
  }
  bool eventRan = false;
  Ui().Post([&] { eventRan = true; });
  const int passes = Ui().PumpPasses();
  const uint32_t start = Ui().GetTickCount();
  // Shut-down empties the set itself, not only its reference: whoever still holds it (the page's
  // selection, after an Apply) finds it empty and its folders released.
  const FolderCollectionRef heldSet = State().RemindersCollection;
  ASSERT_EQ(heldSet->Count(), 4);
  Host().Close();
  EXPECT_EQ(heldSet->Count(), 0);
  // WM_CLOSE with no parameters, blocking, for at most 2 s.
  const sim::NativeUi::SentMessage close{ui::kWmClose, 0, 0, ui::kSmtoBlock, 2000};
  EXPECT_EQ(Ui().SentMessages(), std::vector(c.CloseMessages, close));
  EXPECT_EQ(Ui().HelpWindowOpen(), c.TimedOut);
  EXPECT_GE(Ui().PumpPasses() - passes, c.MinPasses);
  EXPECT_EQ(eventRan, c.MinPasses > 0);
  if (c.MinPasses == 0) {
    EXPECT_EQ(Ui().PumpPasses(), passes);
  }
  if (c.TimedOut) {
    EXPECT_GE(Ui().GetTickCount() - start, 10000u);
  }
  EXPECT_EQ(LogOf("UserControl_Terminate").size(), c.TimedOut ? 1u : 0u) << ::testing::PrintToString(Log());
  // Shut-down ran: the checkboxes are off, the set saved, every host object released.
  EXPECT_FALSE(Host().Tree().Checkboxes());
  EXPECT_FALSE(Host().Tree().HasEventSink());  // the tree outlives the control; its clicks go nowhere
  EXPECT_EQ(StoredPaths(), kDefaults);
  EXPECT_EQ(Host().LiveAtTerminate(), 0);
  // Released: no object variable of the shared state is left set, the collections included.
  const SharedState& s = State();
  EXPECT_TRUE(!s.RemindersCollection && !s.OfflineFoldersCollection && !s.SearchFoldersObject && !s.Session &&
              !s.SearchContainers && !s.OutlookApp && !s.AboutDialog);
}

INSTANTIATE_TEST_SUITE_P(HelpWindows, Closing,
                         ::testing::Values(CloseCase{"NoHelpWindow", -2, 0, 0, false},
                                           CloseCase{"HelpWindowClosesAtOnce", 0, 1, 1, false},
                                           CloseCase{"HelpWindowCloses", 3, 1, 3, false},
                                           CloseCase{"HelpWindowStuck", -1, 1, 1, true}),
                         [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace bellnest::testing_support
