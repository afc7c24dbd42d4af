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
  EXPECT_EQ(LogLines(),
            std::vector<std::string>{"InitHandler: Error in InitHandler #" + std::to_string(err::kTypeMismatch)});
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].Prompt, "Error in InitHandler");
  EXPECT_EQ(Value(kProductKeyPath, "IncludeSubfolders")->Data, "yes");
}

// The outlook_versions scenario pins how each version logs on; here, the version start-up keeps
// (9, 10, 11 by the text's beginning, or 0 for one it does not know) and the Junk E-mail folder it
// knows only above 9.
TEST_F(StartUp, OutlookVersionIsNineTenElevenOrZeroAndOnlyTenAndElevenKnowTheJunkFolder) {
  const std::pair<const char*, int32_t> versions[] = {{"9.0.0.2711", 9}, {"99.0", 9},      {"10.0.6626", 10},
                                                      {"11.0.8169", 11}, {"12.0.4518", 0}, {"1", 0}};
  for (const auto& [version, number] : versions) {
    FreshWorld();
    const char* text = version;  // clang 14 cannot capture a structured binding
    Start(SampleProfileWith([text](nlohmann::json& p) { p["outlookVersion"] = text; }));
    EXPECT_EQ(State().OutlookVersion, number) << version;
    EXPECT_EQ(State().JunkEntryID, number > 9 ? Id("Junk E-mail") : "") << version;
  }
}

TEST_F(StartUp, StoredOptionsAreOnWhenNonZeroAndOffWhenZeroOrMissing) {
  for (const std::optional<uint32_t> stored : {std::optional<uint32_t>{}, {0u}, {1u}, {7u}}) {
    FreshWorld();
    if (stored) SetOptions(*stored, *stored);
    Start();
    EXPECT_TRUE(Boxes().empty());
    EXPECT_TRUE(Log().empty()) << ::testing::PrintToString(Log());
    EXPECT_EQ(State().IncludeSubfoldersFlag, stored.value_or(0) != 0);
    EXPECT_EQ(State().DisableDefaultFoldersFlag, stored.value_or(0) != 0);
  }
}

// ---- Shut-down (a clean one is pinned by the scenarios and the page's Closing test) ----------

TEST_F(StartUp, ExitHandlerAfterAFailedStartStillRunsTheSaveAndKeepsTheOptions) {
  SetOptions(1, 0);
  Start(R"({"rdoRegistered": false})");
  const size_t before = Log().size();
  ExitHandler();
  EXPECT_EQ(Held(), 0) << Outlook().LiveObjectReport();
  EXPECT_FALSE(State().OutlookApp || State().MAPINameSpace);
  // The save ran: without a profile name it writes nothing and says so.
  ASSERT_EQ(LogOf("SaveRemindersCollection").size(), 1u) << ::testing::PrintToString(Log());
  EXPECT_EQ(Log().size(), before + 1);
  EXPECT_EQ(world_->Registry().SubKeyNames(kHkeyCurrentUser, kProductKeyPath), std::vector<std::string>{});
  EXPECT_EQ(Bytes(kProductKeyPath, "IncludeSubfolders"), std::string("\1\0\0\0", 4));
  EXPECT_EQ(Bytes(kProductKeyPath, "DisableDefaultFolders"), std::string(4, '\0'));
  EXPECT_EQ(Boxes().size(), 1u);  // only start-up's
}

}  // namespace
}  // namespace bellnest::testing_support
