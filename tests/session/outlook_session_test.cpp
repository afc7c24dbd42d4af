// Start-up and shut-down of the session objects, as the user (message boxes), the log and the
// other procedures (the shared state) see them: the four failures that end start-up, a failing
// default-folder read, Outlook versions, the stored options, and ExitHandler's releases.
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

  int hostHeld_ = 0;
};

// ---- The failures that end start-up ------------------------------------------------------

struct FatalCase {
  const char* Name;
  std::string Profile;
  std::vector<sim::FaultRule> Faults;
  const char* Message;
  int32_t Number;  // of the InitHandler entry: whatever error was pending
  std::function<void(const SharedState&)> CheckState;
};

sim::FaultRule Nothing(const char* kindName, const char* method) {
  sim::FaultRule rule = sim::MakeFault(kindName, method);
  rule.ReturnNothing = true;
  return rule;
}

std::vector<FatalCase> FatalCases() {
  return {
      {"RdoNotRegistered",
       R"({"rdoRegistered": false})",
       {},
       "Could not establish RDO Session",
       err::kCantCreateObject,
       [](const SharedState& s) {
         EXPECT_TRUE(s.MAPINameSpace);
         EXPECT_EQ(s.OutlookVersion, 11);
         EXPECT_FALSE(s.Session);
         EXPECT_FALSE(s.DefaultStore);
         EXPECT_FALSE(s.SearchFoldersObject);
         EXPECT_FALSE(s.RootFolder);
         EXPECT_EQ(s.ProfileName, "");
       }},
      {"NoDefaultStore",
       R"({"defaultStore": null, "stores": [{"name": "Archive", "folders": [{"name": "Old", "class": "IPF.Note"}]}]})",
       {},
       "Could not locate default InfoStore",
       0,
       [](const SharedState& s) {
         EXPECT_TRUE(s.Session);
         EXPECT_FALSE(s.DefaultStore);
         EXPECT_EQ(s.DefaultStoreID, "");
         EXPECT_FALSE(s.SearchFoldersObject);
         EXPECT_FALSE(s.RootFolder);
       }},
      {"NoRemindersFolder",
       R"({"stores": [{"name": "S", "folders": [{"name": "Inbox", "class": "IPF.Note", "default": "Inbox"}]}]})",
       {},
       "Could not locate Reminders folder",
       0,
       [](const SharedState& s) {
         EXPECT_TRUE(s.DefaultStore);
         EXPECT_NE(s.DefaultStoreID, "");
         EXPECT_TRUE(s.SearchFoldersObject);
         EXPECT_TRUE(s.RootFolder);
         EXPECT_EQ(s.ProfileName, "Outlook");
         EXPECT_FALSE(s.RemindersSearchFolder);
         EXPECT_FALSE(s.RemindersFolder);
         EXPECT_EQ(s.InboxEntryID, "");
       }},
      {"NoSearchContainers",
       "",
       {Nothing(sim::kind::kRdoSearchFolder, "SearchContainers")},
       "Could not init Search container object",
       0,
       [](const SharedState& s) {
         EXPECT_TRUE(s.RemindersSearchFolder);
         EXPECT_TRUE(s.RemindersFolder);
         EXPECT_NE(s.InboxEntryID, "");
         EXPECT_NE(s.JunkEntryID, "");
         EXPECT_FALSE(s.SearchContainers);
       }},
      {"SearchContainersFailing",
       "",
       {sim::MakeFault(sim::kind::kRdoSearchFolder, "SearchContainers")},
       "Could not init Search container object",
       sim::MakeFault(sim::kind::kRdoSearchFolder, "SearchContainers").Error.Number,
       [](const SharedState& s) { EXPECT_FALSE(s.SearchContainers); }},
  };
}

class FatalStartUp : public StartUp, public ::testing::WithParamInterface<FatalCase> {};

TEST_P(FatalStartUp, ShowsOneCriticalMessageLogsItAndStops) {
  const FatalCase& c = GetParam();
  SetOption("IncludeSubfolders", 1);
  Start(c.Profile, c.Faults);

  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].Prompt, std::string(c.Message) + kAdministratorLine);
  EXPECT_EQ(Boxes()[0].Style, 16);
  EXPECT_EQ(Boxes()[0].Title, "Bellnest");

  const std::vector<LogEntry> entries = LogOf("InitHandler");
  ASSERT_EQ(entries.size(), 1u) << ::testing::PrintToString(Log());
  EXPECT_EQ(entries[0].Module, "basPPOutlook");
  EXPECT_EQ(entries[0].Context, c.Message);
  EXPECT_EQ(entries[0].Number, c.Number);
  if (c.Number == 0) {
    EXPECT_EQ(entries[0].Description, "");
    EXPECT_EQ(entries[0].Source, "");
  }

  // The later steps did not run: no reminder folder set, the options not loaded.
  const SharedState& state = State();
  EXPECT_FALSE(state.RemindersCollection);
  EXPECT_FALSE(state.IncludeSubfoldersFlag);
  c.CheckState(state);
}

INSTANTIATE_TEST_SUITE_P(Failures, FatalStartUp, ::testing::ValuesIn(FatalCases()),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(StartUp, AnErrorInsideGetRemindersFolderIsLoggedBeforeTheFailure) {
  Start("", {sim::MakeFault(sim::kind::kRdoStore, "Reminders", err::kMapiNoSupport)});
  const std::vector<LogEntry> entries = Log();
  ASSERT_EQ(entries.size(), 2u) << ::testing::PrintToString(entries);
  EXPECT_EQ(entries[0].Procedure, "GetRemindersFolder");
  EXPECT_EQ(entries[0].Module, "basPPOutlook");
  EXPECT_EQ(entries[0].Context, "Error!");
  EXPECT_EQ(entries[0].Number, err::kMapiNoSupport);
  EXPECT_EQ(entries[1].Procedure, "InitHandler");
  EXPECT_EQ(entries[1].Context, "Could not locate Reminders folder");
  EXPECT_EQ(entries[1].Number, 0);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].Prompt, std::string("Could not locate Reminders folder") + kAdministratorLine);
}

TEST_F(StartUp, AFailingDefaultFolderReadIsReportedOnceAndStartUpGoesOnToTheEnd) {
  sim::FaultRule tasks = sim::MakeFault(sim::kind::kNameSpace, "GetDefaultFolder", err::kMapiNetworkError);
  tasks.Arg = "13";
  const int32_t number = tasks.Error.Number;
  SetOption("IncludeSubfolders", 1);
  Start("", {tasks});

  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].Prompt, "Error in InitHandler");
  EXPECT_EQ(Boxes()[0].Style, 64);
  EXPECT_EQ(Boxes()[0].Title, "Bellnest");
  const std::vector<LogEntry> entries = LogOf("InitHandler");
  ASSERT_EQ(entries.size(), 1u) << ::testing::PrintToString(Log());
  EXPECT_EQ(entries[0].Context, "Error in InitHandler");
  EXPECT_EQ(entries[0].Number, number);

  const SharedState& state = State();
  EXPECT_EQ(state.TasksEntryID, "");
  EXPECT_EQ(state.CalendarEntryID, Outlook().Id("Calendar"));
  EXPECT_EQ(state.JunkEntryID, Outlook().Id("Junk E-mail"));
  EXPECT_TRUE(state.SearchContainers);
  EXPECT_TRUE(state.RemindersCollection);
  EXPECT_TRUE(state.IncludeSubfoldersFlag);
}

TEST_F(StartUp, AFailingTopFolderReadIsReportedTheSameWay) {
  Start("", {sim::MakeFault(sim::kind::kMapiFolder, "Parent")});
  EXPECT_FALSE(State().RootFolder);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].Prompt, "Error in InitHandler");
  EXPECT_EQ(Boxes()[0].Style, 64);
  EXPECT_TRUE(State().SearchContainers);
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

// ---- Outlook versions ---------------------------------------------------------------------

struct VersionCase {
  const char* Version;
  int32_t OutlookVersion;
  const char* Logon;
  bool HasJunk;
};

class VersionStartUp : public StartUp, public ::testing::WithParamInterface<VersionCase> {};

TEST_P(VersionStartUp, DecidesLogonAndJunkFolder) {
  const VersionCase& c = GetParam();
  Start(SampleProfileWith([&](nlohmann::json& p) { p["outlookVersion"] = c.Version; }));
  EXPECT_TRUE(Boxes().empty());
  EXPECT_TRUE(Log().empty()) << ::testing::PrintToString(Log());

  const SharedState& state = State();
  EXPECT_EQ(state.OutlookVersion, c.OutlookVersion);
  EXPECT_EQ(Outlook().Logons(), std::vector<std::string>{c.Logon});
  EXPECT_EQ(state.JunkEntryID, c.HasJunk ? Outlook().Id("Junk E-mail") : "");
  // Everything else is started whatever the version.
  EXPECT_EQ(state.RootFolder->EntryID().Value(), Outlook().Id(""));
  EXPECT_EQ(state.InboxEntryID, Outlook().Id("Inbox"));
  EXPECT_EQ(state.DraftsEntryID, Outlook().Id("Drafts"));
  EXPECT_EQ(state.ProfileName, "Outlook");
  EXPECT_TRUE(state.SearchContainers);
  EXPECT_TRUE(state.SearchFoldersObject);
}

INSTANTIATE_TEST_SUITE_P(Versions, VersionStartUp,
                         ::testing::Values(VersionCase{"9.0.0.2711", 9, "Logon", false},
                                           VersionCase{"10.0.0.6626", 10, "MAPIOBJECT", true},
                                           VersionCase{"11.0.0.8010", 11, "MAPIOBJECT", true},
                                           VersionCase{"12.0.0.6423", 0, "Logon", false}),
                         [](const auto& info) { return "Outlook" + std::to_string(info.index); });

// ---- The stored options -------------------------------------------------------------------

struct OptionCase {
  const char* Name;
  std::optional<uint32_t> Stored;  // REG_DWORD, or missing
  bool Expected;
};

class StoredOption : public StartUp, public ::testing::WithParamInterface<OptionCase> {};

TEST_P(StoredOption, NonZeroIsOnAndMissingIsOffWithoutAMessage) {
  const OptionCase& c = GetParam();
  if (c.Stored) {
    SetOption("IncludeSubfolders", *c.Stored);
    SetOption("DisableDefaultFolders", *c.Stored);
  }
  Start();
  EXPECT_EQ(State().IncludeSubfoldersFlag, c.Expected);
  EXPECT_EQ(State().DisableDefaultFoldersFlag, c.Expected);
  EXPECT_TRUE(Boxes().empty());
  EXPECT_TRUE(Log().empty()) << ::testing::PrintToString(Log());
}

INSTANTIATE_TEST_SUITE_P(Values, StoredOption,
                         ::testing::Values(OptionCase{"Missing", std::nullopt, false}, OptionCase{"Zero", 0u, false},
                                           OptionCase{"One", 1u, true}, OptionCase{"Seven", 7u, true}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(StartUp, AnOptionThatIsNoNumberIsReportedAndLeftOff) {
  ASSERT_TRUE(world_.Registry().SetValue(kHkeyCurrentUser, kProductKeyPath, "IncludeSubfolders", reg::kSz, "yes"));
  SetOption("DisableDefaultFolders", 1);
  Start();
  EXPECT_FALSE(State().IncludeSubfoldersFlag);
  EXPECT_TRUE(State().DisableDefaultFoldersFlag);
  const std::vector<LogEntry> entries = LogOf("InitHandler");
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].Number, err::kTypeMismatch);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].Prompt, "Error in InitHandler");
  // The bad value is the user's data: it stays as it was.
  EXPECT_EQ(Value(kProductKeyPath, "IncludeSubfolders")->Data, "yes");
}

// ---- Shut-down ----------------------------------------------------------------------------

TEST_F(StartUp, ExitHandlerSavesTheSetAndReleasesEveryHostObject) {
  Start();
  ASSERT_GT(Held(), 0);
  ExitHandler();
  EXPECT_EQ(Held(), 0) << Outlook().LiveObjectReport();
  const SharedState& state = State();
  EXPECT_FALSE(state.OutlookApp);
  EXPECT_FALSE(state.Session);
  EXPECT_FALSE(state.RemindersCollection);
  EXPECT_FALSE(state.OfflineFoldersCollection);
  // The strings stay until the next start-up.
  EXPECT_EQ(state.ProfileName, "Outlook");
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
  EXPECT_FALSE(State().OutlookApp);
  EXPECT_FALSE(State().MAPINameSpace);
  // The save ran: without a profile name it writes nothing and says so.
  const std::vector<LogEntry> save = LogOf("SaveRemindersCollection");
  ASSERT_EQ(save.size(), 1u) << ::testing::PrintToString(Log());
  EXPECT_EQ(Log().size(), before + 1);
  EXPECT_EQ(world_.Registry().SubKeyNames(kHkeyCurrentUser, kProductKeyPath), std::vector<std::string>{});
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
  EXPECT_TRUE(State().RemindersCollection);
  EXPECT_TRUE(State().AboutDialog);
  EXPECT_FALSE(world_.Registry().KeyExists(kHkeyCurrentUser, kProductKeyPath));
  EXPECT_TRUE(Log().empty());
}

}  // namespace
}  // namespace bellnest::testing_support
