// Start-up and shut-down of the session objects, as the log and the other procedures (the
// shared state) see them: stored options, Outlook versions, and ExitHandler after a failed
// start. The scenarios pin the failures of start-up as the user meets them.
#include "session/outlook_session.h"

#include <gtest/gtest.h>

#include "common/page_fixture.h"

namespace bellnest::testing_support {
namespace {

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

// The fatal_startup and startup_goes_on scenarios pin each failure's message and log entries.

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
}

INSTANTIATE_TEST_SUITE_P(Versions, VersionStartUp,
                         ::testing::Values(VersionCase{"9.0.0.2711", 9, "Logon", false, std::nullopt},
                                           VersionCase{"10.0.0.6626", 10, "MAPIOBJECT", true, 0u},
                                           VersionCase{"11.0.0.8010", 11, "MAPIOBJECT", true, 1u},
                                           VersionCase{"12.0.0.6423", 0, "Logon", false, 7u}),
                         [](const auto& info) { return "Outlook" + std::to_string(info.index); });

// ---- Shut-down (a clean one is pinned by the scenarios and the page's Closing test) ----------

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

}  // namespace
}  // namespace bellnest::testing_support
