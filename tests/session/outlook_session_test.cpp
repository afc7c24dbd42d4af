// Start-up and shut-down of the session objects, as the user (message boxes), the log and the
// other procedures (the shared state) see them: the failures that end start-up and those it
// goes on after, Outlook versions, the stored options, and ExitHandler's releases.
#include "session/outlook_session.h"

#include <gtest/gtest.h>

#include "common/page_fixture.h"
#include "page/about_dialog.h"

namespace bellnest::testing_support {
namespace {

constexpr const char* kAdministratorLine = "\r\nPlease contact your Administrator.";

class StartUp : public PageFixture {
 protected:
  // What InitProperties does around InitHandler: Outlook's Application first.
  void Start(std::string_view profile = {}, std::vector<sim::FaultRule> faults = {}) {
    UseProfile(profile);
    for (sim::FaultRule& rule : faults) ASSERT_TRUE(Outlook().AddFault(std::move(rule)).Ok());
    hostHeld_ = Outlook().LiveObjects();
    State().OutlookApp = Outlook().Application();
    InitHandler();
  }
  const std::vector<sim::NativeUi::MessageBox>& Boxes() { return Ui().MessageBoxes(); }
  // Host objects alive beyond those Outlook's side holds (the page site in the page's container).
  int Held() { return Outlook().LiveObjects() - hostHeld_; }
  // The log as "procedure: context #number" lines.
  std::vector<std::string> LogLines() {
    std::vector<std::string> lines;
    for (const LogEntry& e : Log()) lines.push_back(e.Procedure + ": " + e.Context + " #" + std::to_string(e.Number));
    return lines;
  }

  int hostHeld_ = 0;
};

sim::FaultRule Fault(const char* kindName, const char* method, const char* arg = nullptr, bool nothing = false) {
  sim::FaultRule rule = sim::MakeFault(kindName, method, err::kMapiNetworkError);
  if (arg) rule.Arg = arg;
  rule.ReturnNothing = nothing;
  return rule;
}

// ---- Failures in start-up (the fatal_startup scenario pins the faults of each step) ----------

struct FailureCase {
  const char* Name;
  std::string Profile;
  std::vector<sim::FaultRule> Faults;
  std::string Prompt;  // the one message box
  int Style;           // 16: critical, start-up stopped; 64: information, start-up went on
  std::vector<std::string> Log;
};

const std::string kNet = std::to_string(err::kMapiNetworkError);

class StartUpFailure : public StartUp, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(StartUpFailure, ShowsOneMessageAndLogsIt) {
  const FailureCase& c = GetParam();
  SetOption("IncludeSubfolders", 1);
  Start(c.Profile, c.Faults);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].Prompt, c.Prompt);
  EXPECT_EQ(Boxes()[0].Style, c.Style);
  EXPECT_EQ(Boxes()[0].Title, "Bellnest");
  EXPECT_EQ(LogLines(), c.Log);
  const SharedState& s = State();
  if (c.Style == 16) {
    // The later steps did not run: no reminder folder set, the options not loaded.
    EXPECT_FALSE(s.RemindersCollection);
    EXPECT_FALSE(s.IncludeSubfoldersFlag);
    EXPECT_FALSE(s.SearchContainers);
  } else {
    EXPECT_TRUE(s.SearchContainers && s.RemindersCollection);
    EXPECT_TRUE(s.IncludeSubfoldersFlag);
    EXPECT_EQ(s.CalendarEntryID, Outlook().Id("Calendar"));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Failures, StartUpFailure,
    ::testing::Values(
        FailureCase{"NoDefaultStore",
                    R"({"defaultStore": null, "stores": [{"name": "A", "folders": [{"name": "O", "class": "IPF.Note"}]}]})",
                    {}, std::string("Could not locate default InfoStore") + kAdministratorLine, 16,
                    {"InitHandler: Could not locate default InfoStore #0"}},
        FailureCase{"NoRemindersFolder",
                    R"({"stores": [{"name": "S", "folders": [{"name": "Inbox", "class": "IPF.Note", "default": "Inbox"}]}]})",
                    {}, std::string("Could not locate Reminders folder") + kAdministratorLine, 16,
                    {"InitHandler: Could not locate Reminders folder #0"}},
        // An error inside GetRemindersFolder is logged before the failure.
        FailureCase{"RemindersFailing", "", {Fault(sim::kind::kRdoStore, "Reminders")},
                    std::string("Could not locate Reminders folder") + kAdministratorLine, 16,
                    {"GetRemindersFolder: Error! #" + kNet, "InitHandler: Could not locate Reminders folder #0"}},
        FailureCase{"NoSearchContainers", "", {Fault(sim::kind::kRdoSearchFolder, "SearchContainers", nullptr, true)},
                    std::string("Could not init Search container object") + kAdministratorLine, 16,
                    {"InitHandler: Could not init Search container object #0"}},
        // A failing default-folder or top-folder read is reported once; start-up goes on.
        FailureCase{"TasksFolderFailing", "", {Fault(sim::kind::kNameSpace, "GetDefaultFolder", "13")},
                    "Error in InitHandler", 64,
                    {"SetRemindersCollection: Error in SetRemindersCollection #" + std::to_string(sim::hr::kInvalidEntryId),
                     "InitHandler: Error in InitHandler #" + kNet}},
        FailureCase{"TopFolderFailing", "", {Fault(sim::kind::kMapiFolder, "Parent")}, "Error in InitHandler", 64,
                    {"InitHandler: Error in InitHandler #" + kNet}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(StartUp, AnOptionThatIsNoNumberIsReportedAndLeftOffAndKept) {
  ASSERT_TRUE(world_->Registry().SetValue(kHkeyCurrentUser, kProductKeyPath, "IncludeSubfolders", reg::kSz, "yes"));
  SetOption("DisableDefaultFolders", 1);
  Start();
  EXPECT_FALSE(State().IncludeSubfoldersFlag);
  EXPECT_TRUE(State().DisableDefaultFoldersFlag);
  EXPECT_EQ(LogLines(), std::vector<std::string>{"InitHandler: Error in InitHandler #" + std::to_string(err::kTypeMismatch)});
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].Prompt, "Error in InitHandler");
  EXPECT_EQ(Value(kProductKeyPath, "IncludeSubfolders")->Data, "yes");
}

TEST_F(StartUp, FailuresBeforeTheSessionAreSilent) {
  // An unreadable version leaves OutlookVersion 0, which logs on like Outlook 2000.
  Start("", {sim::MakeFault(sim::kind::kApplication, "Version")});
  EXPECT_TRUE(Boxes().empty());
  EXPECT_TRUE(Log().empty()) << ::testing::PrintToString(Log());
  EXPECT_EQ(State().OutlookVersion, 0);
  EXPECT_EQ(Outlook().Logons(), std::vector<std::string>{"Logon"});
  EXPECT_TRUE(State().SearchContainers);
}

// ---- Outlook versions and the stored options ---------------------------------------------------

struct VersionCase {
  const char* Version;
  int32_t OutlookVersion;
  const char* Logon;
  bool HasJunk;
  std::optional<uint32_t> Option;  // both options as stored (REG_DWORD), or missing
};

class VersionStartUp : public StartUp, public ::testing::WithParamInterface<VersionCase> {};

TEST_P(VersionStartUp, DecidesLogonJunkFolderAndOptions) {
  const VersionCase& c = GetParam();
  if (c.Option) {
    SetOption("IncludeSubfolders", *c.Option);
    SetOption("DisableDefaultFolders", *c.Option);
  }
  Start(SampleProfileWith([&](nlohmann::json& p) { p["outlookVersion"] = c.Version; }));
  EXPECT_TRUE(Boxes().empty());
  EXPECT_TRUE(Log().empty()) << ::testing::PrintToString(Log());
  const SharedState& state = State();
  EXPECT_EQ(state.OutlookVersion, c.OutlookVersion);
  EXPECT_EQ(Outlook().Logons(), std::vector<std::string>{c.Logon});
  EXPECT_EQ(state.JunkEntryID, c.HasJunk ? Outlook().Id("Junk E-mail") : "");
  // Non-zero is on; missing or zero is off.
  EXPECT_EQ(state.IncludeSubfoldersFlag, c.Option.value_or(0) != 0);
  EXPECT_EQ(state.DisableDefaultFoldersFlag, c.Option.value_or(0) != 0);
  // Everything else is started whatever the version.
  EXPECT_EQ(state.RootFolder->EntryID().Value(), Outlook().Id(""));
  EXPECT_EQ(state.InboxEntryID, Outlook().Id("Inbox"));
  EXPECT_EQ(state.DraftsEntryID, Outlook().Id("Drafts"));
  EXPECT_EQ(state.TasksEntryID, Outlook().Id("Tasks"));
  EXPECT_EQ(state.DefaultStoreID, Outlook().Model().Store(Outlook().Model().DefaultStore).EntryID);
  EXPECT_EQ(state.ProfileName, "Outlook");
  EXPECT_TRUE(state.SearchContainers && state.SearchFoldersObject && state.RemindersFolder);
}

INSTANTIATE_TEST_SUITE_P(Versions, VersionStartUp,
                         ::testing::Values(VersionCase{"9.0.0.2711", 9, "Logon", false, std::nullopt},
                                           VersionCase{"10.0.0.6626", 10, "MAPIOBJECT", true, 0u},
                                           VersionCase{"11.0.0.8010", 11, "MAPIOBJECT", true, 1u},
                                           VersionCase{"12.0.0.6423", 0, "Logon", false, 7u}),
                         [](const auto& info) { return "Outlook" + std::to_string(info.index); });

// ---- Shut-down ----------------------------------------------------------------------------

TEST_F(StartUp, ExitHandlerSavesTheSetAndReleasesEveryHostObject) {
  Start();
  ASSERT_GT(Held(), 0);
  ExitHandler();
  EXPECT_EQ(Held(), 0) << Outlook().LiveObjectReport();
  const SharedState& state = State();
  EXPECT_FALSE(state.OutlookApp || state.Session || state.RemindersCollection || state.OfflineFoldersCollection);
  EXPECT_EQ(state.ProfileName, "Outlook");  // the strings stay until the next start-up
  const std::optional<sim::RegValue> saved = Value(std::string(kProductKeyPath) + "\\Outlook", "ReminderFolders");
  ASSERT_TRUE(saved);
  EXPECT_EQ(saved->Data, Outlook().Id("Calendar") + "," + Outlook().Id("Tasks") + "," + Outlook().Id("Inbox") + "," +
                             Outlook().Id("Contacts"));
  EXPECT_TRUE(Log().empty()) << ::testing::PrintToString(Log());
}

TEST_F(StartUp, ExitHandlerAfterAFailedStartStillRunsTheSaveAndKeepsTheOptions) {
  SetOption("IncludeSubfolders", 1);
  SetOption("DisableDefaultFolders", 0);
  Start(R"({"rdoRegistered": false})");
  const size_t before = Log().size();
  ExitHandler();
  EXPECT_EQ(Held(), 0) << Outlook().LiveObjectReport();
  EXPECT_FALSE(State().OutlookApp || State().MAPINameSpace);
  // The save ran: without a profile name it writes nothing and says so.
  ASSERT_EQ(LogOf("SaveRemindersCollection").size(), 1u) << ::testing::PrintToString(Log());
  EXPECT_EQ(Log().size(), before + 1);
  EXPECT_EQ(world_->Registry().SubKeyNames(kHkeyCurrentUser, kProductKeyPath), std::vector<std::string>{});
  EXPECT_EQ(Option("IncludeSubfolders"), 1);
  EXPECT_EQ(Option("DisableDefaultFolders"), 0);
  EXPECT_EQ(Boxes().size(), 1u);  // only start-up's
}

TEST_F(StartUp, ExitHandlerWithoutOutlookDoesNothing) {
  UseProfile();
  State().ProfileName = "Outlook";
  RemindersCollection();
  AboutDialog();
  ExitHandler();
  EXPECT_TRUE(State().RemindersCollection && State().AboutDialog);
  EXPECT_FALSE(world_->Registry().KeyExists(kHkeyCurrentUser, kProductKeyPath));
  EXPECT_TRUE(Log().empty());
}

}  // namespace
}  // namespace bellnest::testing_support
