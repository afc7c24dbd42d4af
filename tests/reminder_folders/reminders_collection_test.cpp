// The reminder folder set as the page loads it at start-up and saves it at shut-down: first use
// against a stored set, stored sets of another store, aliases and duplicates, folders that
// cannot be opened online and offline, the registry values a save leaves, and a profile name
// that names no key of its own, which must never touch the product's options.
#include <gtest/gtest.h>

#include <algorithm>

#include "common/session_fixture.h"
#include "folder_tree/pick_folders.h"

namespace bellnest {
namespace {

using testing_support::SmallMailbox;

using Paths = std::vector<std::string>;

constexpr const char* kUnopenable = "00E0E0E0";  // well formed, names no folder
constexpr const char* kAliasOfA = "00A1A500";
constexpr const char* kAliasOfB = "00B1B500";
constexpr const char* kStoreAlias = "00570AE5";

constexpr const char* kAllDefaults = R"("Calendar", "Tasks", "Inbox", "Contacts")";

class ReminderSet : public testing_support::SessionTest {
 protected:
  // The search was stopped once, edited, and restarted once at the end.
  void ExpectOneStopThenStart() {
    const Paths history = Outlook().SearchHistory();
    ASSERT_FALSE(history.empty());
    EXPECT_EQ(history.front(), "Stop");
    EXPECT_EQ(history.back(), "Start");
    EXPECT_EQ(std::count(history.begin(), history.end(), "Stop"), 1);
    EXPECT_EQ(std::count(history.begin(), history.end(), "Start"), 1);
    EXPECT_TRUE(Outlook().SearchRunning());
  }
  sim::FaultRule TasksCannotBeOpened() {
    sim::FaultRule fault = sim::MakeFault(sim::kind::kRdoSession, "GetFolderFromID", err::kMapiNetworkError);
    fault.Arg = Id("Tasks");
    return fault;
  }
  // The arguments of the scope's Add calls, as paths ("folder:" for a folder object).
  Paths ScopeAdds() {
    Paths adds;
    for (const sim::HostCall& call : Outlook().Calls()) {
      if (call.Kind != sim::kind::kRdoSearchContainers || call.Method != "Add") continue;
      const std::string& arg = call.Args.at(0);
      const std::string prefix = "RDOFolder(";
      adds.push_back(arg.rfind(prefix, 0) == 0 ? "folder:" + PathOf(arg.substr(prefix.size(), arg.size() - 11))
                                               : PathOf(arg));
    }
    return adds;
  }
};

// ---- First use and stored sets that do not count --------------------------------------------

TEST_F(ReminderSet, FirstUseSeedsTheSetFromTheScopeAndRestoresTheMissingDefaults) {
  UseProfile(SmallMailbox(R"("Calendar", "Tasks", "Inbox/X")"));
  StartUp();

  EXPECT_EQ(SetPaths(), (Paths{"Calendar", "Tasks", "Inbox/X", "Inbox", "Contacts"}));
  EXPECT_EQ(Scope(), (Paths{"Calendar", "Tasks", "Inbox/X", "Inbox", "Contacts"}));
  EXPECT_EQ(ScopeAdds(), (Paths{"folder:Inbox", "folder:Contacts"}));
  ExpectOneStopThenStart();
  EXPECT_TRUE(Log().empty()) << LogText();

  SaveRemindersCollection();
  EXPECT_EQ(StoredPaths(), (Paths{"Calendar", "Tasks", "Inbox/X", "Inbox", "Contacts"}));
  EXPECT_EQ(Value(ProfileKey(), kStoreIdValue), DefaultStoreId());
  EXPECT_TRUE(Log().empty()) << LogText();
}

struct UnusableStore {
  const char* Label;
  std::optional<std::string> List;  // nothing: no values at all
  std::string StoreId;              // "default", "archive" or raw
  uint32_t ListType;
  bool KeyKept;
};

class UnusableStoredSet : public ReminderSet, public ::testing::WithParamInterface<UnusableStore> {};

TEST_P(UnusableStoredSet, TheSetIsSeededFromTheScopeAndNoStoredEntryIsUsed) {
  const UnusableStore& c = GetParam();
  UseProfile(SmallMailbox(R"("Calendar", "Tasks", "Inbox/X")"));
  SetOptions(1, 1);
  if (c.List) {
    std::string list = *c.List == "A,B" ? Id("Inbox/A") + "," + Id("Inbox/B") : *c.List;
    std::string storeId = c.StoreId == "default"   ? DefaultStoreId()
                          : c.StoreId == "archive" ? Outlook().Model().Store(1).EntryID
                                                   : c.StoreId;
    ASSERT_TRUE(world_->Registry().SetValue(kHkeyCurrentUser, ProfileKey(), kReminderFoldersValue, c.ListType, list));
    ASSERT_TRUE(world_->Registry().SetValue(kHkeyCurrentUser, ProfileKey(), kStoreIdValue, reg::kSz, storeId));
  }
  StartUp();

  EXPECT_EQ(SetPaths(), (Paths{"Calendar", "Tasks", "Inbox/X", "Inbox", "Contacts"}));
  EXPECT_EQ(Scope(), (Paths{"Calendar", "Tasks", "Inbox/X", "Inbox", "Contacts"}));
  EXPECT_EQ(world_->Registry().KeyExists(kHkeyCurrentUser, ProfileKey()), c.KeyKept);
  // The options one level up are untouched.
  EXPECT_TRUE(Value(kProductKeyPath, "IncludeSubfolders").has_value());
  EXPECT_TRUE(State().IncludeSubfoldersFlag);
  EXPECT_TRUE(State().DisableDefaultFoldersFlag);
  ExpectOneStopThenStart();
  EXPECT_TRUE(Log().empty()) << LogText();
}

INSTANTIATE_TEST_SUITE_P(Situations, UnusableStoredSet,
                         ::testing::Values(UnusableStore{"FirstUse", std::nullopt, "", reg::kSz, false},
                                           UnusableStore{"AnotherStore", "A,B", "archive", reg::kSz, false},
                                           UnusableStore{"MalformedStoreId", "A,B", "XYZ", reg::kSz, false},
                                           UnusableStore{"MissingStoreId", "A,B", "", reg::kSz, false},
                                           UnusableStore{"EmptyList", "", "default", reg::kSz, true},
                                           UnusableStore{"ListOfAnotherType", "A,B", "default", reg::kBinary, true}),
                         [](const ::testing::TestParamInfo<UnusableStore>& info) {
                           return std::string(info.param.Label);
                         });

// ---- A stored set ---------------------------------------------------------------------------

TEST_F(ReminderSet, StoredFoldersJoinInOrderAndTheScopeIsTrimmedToThemAndTheDefaults) {
  UseProfile(SmallMailbox(R"("Calendar", "Tasks", "Inbox", "Contacts", "Inbox/A", "Inbox/X")"));
  StoreSet({"Inbox/A", "Inbox/B"});
  StartUp();

  // A was a container; B was not and is added by its identifier string. X goes; the four
  // default folders stay in the scope without joining the set.
  EXPECT_EQ(SetPaths(), (Paths{"Inbox/A", "Inbox/B"}));
  EXPECT_EQ(Scope(), (Paths{"Calendar", "Tasks", "Inbox", "Contacts", "Inbox/A", "Inbox/B"}));
  EXPECT_EQ(ScopeAdds(), (Paths{"Inbox/B"}));
  ExpectOneStopThenStart();
  EXPECT_TRUE(Log().empty()) << LogText();

  SaveRemindersCollection();
  EXPECT_EQ(StoredPaths(), (Paths{"Inbox/A", "Inbox/B"}));
}

TEST_F(ReminderSet, ADefaultFolderMissingFromTheScopeReturnsToScopeAndSetWhateverTheList) {
  UseProfile(SmallMailbox(R"("Calendar", "Inbox/A")"));
  StoreSet({"Inbox/A"});
  StartUp();

  EXPECT_EQ(SetPaths(), (Paths{"Inbox/A", "Inbox", "Contacts", "Tasks"}));
  EXPECT_EQ(Scope(), (Paths{"Calendar", "Inbox/A", "Inbox", "Contacts", "Tasks"}));
  EXPECT_EQ(ScopeAdds(), (Paths{"folder:Inbox", "folder:Contacts", "folder:Tasks"}));
  SaveRemindersCollection();
  // Calendar stayed in the scope but not in the set, so the save does not name it.
  EXPECT_EQ(StoredPaths(), (Paths{"Inbox/A", "Inbox", "Contacts", "Tasks"}));
}

TEST_F(ReminderSet, AFolderListedTwiceJoinsOnceAndIsAddedToTheScopeTwice) {
  UseProfile(SmallMailbox(kAllDefaults));
  StoreSet({"Inbox/B", "Inbox/B", "Calendar", "Calendar"});
  StartUp();

  EXPECT_EQ(SetPaths(), (Paths{"Inbox/B", "Calendar"}));
  EXPECT_EQ(Scope(), (Paths{"Calendar", "Tasks", "Inbox", "Contacts", "Inbox/B", "Inbox/B", "Calendar"}));
  SaveRemindersCollection();
  EXPECT_EQ(StoredPaths(), (Paths{"Inbox/B", "Calendar"}));
}

TEST_F(ReminderSet, AliasesAreMatchedThroughTheSessionAndStoredAgainUnderTheFoldersOwnIdentifiers) {
  UseProfile(SmallMailbox(R"("Calendar", "Tasks", "Inbox", "Contacts", "Inbox/A")"));
  // A's alias matches A's container; B's alias opens B; the store is named by its alias.
  StoreRaw(std::string(kAliasOfA) + "," + kAliasOfB, kStoreAlias);
  StartUp();

  EXPECT_EQ(SetPaths(), (Paths{"Inbox/A", "Inbox/B"}));
  EXPECT_EQ(RemindersCollection().KeyAt(1), Id("Inbox/A"));
  EXPECT_EQ(RemindersCollection().KeyAt(2), Id("Inbox/B"));
  EXPECT_EQ(Scope(), (Paths{"Calendar", "Tasks", "Inbox", "Contacts", "Inbox/A", "Inbox/B"}));
  EXPECT_EQ(ScopeAdds(), (Paths{"Inbox/B"}));

  SaveRemindersCollection();
  EXPECT_EQ(StoredList(), Id("Inbox/A") + "," + Id("Inbox/B"));
  EXPECT_EQ(Value(ProfileKey(), kStoreIdValue), DefaultStoreId());
}

TEST_F(ReminderSet, AMalformedStoredEntryCountsAsMatchingTheFirstContainerNotYetInTheSet) {
  UseProfile(SmallMailbox(kAllDefaults));
  StoreRaw(Id("Calendar") + ",XYZ," + Id("Inbox/B"), DefaultStoreId());
  StartUp();

  // The comparison with Calendar fails and matches, but Calendar is in the set already; the
  // one with Tasks fails next and takes Tasks in the malformed entry's place.
  EXPECT_EQ(SetPaths(), (Paths{"Calendar", "Tasks", "Inbox/B"}));
  EXPECT_EQ(Scope(), (Paths{"Calendar", "Tasks", "Inbox", "Contacts", "Inbox/B"}));
  ExpectOneStopThenStart();
}

// ---- Folders that cannot be opened, online and offline ---------------------------------------

struct Connection {
  const char* Label;
  bool Online;
  Paths Offline;
  bool SavesTheEntry;
};

class UnopenableEntry : public ReminderSet, public ::testing::WithParamInterface<Connection> {};

TEST_P(UnopenableEntry, IsKeptForTheNextSaveOnlyWhileOffline) {
  const Connection& c = GetParam();
  UseProfile(SmallMailbox(R"("Calendar", "Tasks", "Inbox", "Contacts", "Inbox/A")"));
  StoreRaw(Id("Inbox/A") + "," + kUnopenable, DefaultStoreId());
  StartUp(c.Online);

  EXPECT_EQ(SetPaths(), (Paths{"Inbox/A"}));
  EXPECT_EQ(OfflineEntries(), c.Offline);
  EXPECT_EQ(Scope(), (Paths{"Calendar", "Tasks", "Inbox", "Contacts", "Inbox/A"}));
  ExpectOneStopThenStart();

  SaveRemindersCollection();
  EXPECT_EQ(StoredList(), c.SavesTheEntry ? Id("Inbox/A") + "," + kUnopenable : Id("Inbox/A"));
}

INSTANTIATE_TEST_SUITE_P(Connections, UnopenableEntry,
                         ::testing::Values(Connection{"Offline", false, {kUnopenable}, true},
                                           Connection{"Online", true, {}, false}),
                         [](const ::testing::TestParamInfo<Connection>& info) {
                           return std::string(info.param.Label);
                         });

TEST_F(ReminderSet, OfflineEntriesFollowTheSetsOwnInTheSave) {
  UseProfile(SmallMailbox(kAllDefaults));
  StoreRaw(std::string(kUnopenable) + "," + Id("Inbox/B") + ",00E1E1E1", DefaultStoreId());
  StartUp(false);
  ClearRemindersCollection();  // even an empty set keeps the offline entries
  SaveRemindersCollection();
  EXPECT_EQ(StoredList(), std::string(kUnopenable) + ",00E1E1E1");
}

TEST_F(ReminderSet, AContainerThatCannotBeOpenedLeavesTheScopeUnlessItIsADefaultFolder) {
  UseProfile(SmallMailbox(R"("Calendar", {"entryId": "00DEAD00"}, "Tasks", "Inbox", "Contacts")"));
  ASSERT_TRUE(Outlook().AddFault(TasksCannotBeOpened()).Ok());
  StoreSet({"Calendar"});
  StartUp();

  // The identifier of a deleted folder goes; Tasks, unopenable now, stays as a default folder
  // without joining the set.
  EXPECT_EQ(SetPaths(), (Paths{"Calendar"}));
  EXPECT_EQ(Scope(), (Paths{"Calendar", "Tasks", "Inbox", "Contacts"}));
  ExpectOneStopThenStart();
  EXPECT_TRUE(Log().empty()) << LogText();
}

TEST_F(ReminderSet, AMissingDefaultFolderThatCannotBeOpenedIsNotPutBackAndTheFailureIsLogged) {
  UseProfile(SmallMailbox(R"("Calendar", "Inbox", "Contacts")"));
  ASSERT_TRUE(Outlook().AddFault(TasksCannotBeOpened()).Ok());
  StoreSet({"Calendar"});
  StartUp();

  EXPECT_EQ(SetPaths(), (Paths{"Calendar"}));
  EXPECT_EQ(Scope(), (Paths{"Calendar", "Inbox", "Contacts"}));
  ExpectOneStopThenStart();
  const nlohmann::json log = Log();
  ASSERT_EQ(log.size(), 1u) << LogText();
  EXPECT_EQ(log[0]["number"], std::to_string(err::kMapiNetworkError));
  EXPECT_EQ(log[0]["module"], "basPPPickFolders");
  EXPECT_EQ(log[0]["procedure"], "SetRemindersCollection");
  EXPECT_EQ(log[0]["context"], "Error in SetRemindersCollection");
}

// ---- Saving ---------------------------------------------------------------------------------

TEST_F(ReminderSet, SavingWritesTheIdentifiersJoinedByCommasAndTheStore) {
  UseProfile(SmallMailbox(kAllDefaults));
  StoreSet({"Inbox/A", "Inbox/B", "Inbox/X"});
  StartUp();
  SaveRemindersCollection();

  EXPECT_EQ(StoredList(), Id("Inbox/A") + "," + Id("Inbox/B") + "," + Id("Inbox/X"));
  EXPECT_EQ(Value(ProfileKey(), kStoreIdValue), DefaultStoreId());
  EXPECT_EQ(world_->Registry().GetValue(kHkeyCurrentUser, ProfileKey(), kReminderFoldersValue)->Type, reg::kSz);

  // An empty set still writes the value, empty, and the store.
  ClearRemindersCollection();
  SaveRemindersCollection();
  EXPECT_EQ(StoredList(), "");
  EXPECT_EQ(Value(ProfileKey(), kStoreIdValue), DefaultStoreId());
  EXPECT_TRUE(Log().empty()) << LogText();
}

TEST_F(ReminderSet, AFolderWhoseIdentifierCannotBeReadIsSavedUnderItsKeyAndTheFailureLogged) {
  UseProfile(SmallMailbox(kAllDefaults));
  StoreSet({"Inbox/A", "Inbox/B"});
  StartUp();
  ASSERT_TRUE(Log().empty()) << LogText();
  sim::FaultRule fault = sim::MakeFault(sim::kind::kRdoFolder, "EntryID", err::kMapiNetworkError);
  fault.Target = Id("Inbox/B");
  ASSERT_TRUE(Outlook().AddFault(fault).Ok());
  SaveRemindersCollection();

  EXPECT_EQ(StoredPaths(), (Paths{"Inbox/A", "Inbox/B"}));
  const nlohmann::json log = Log();
  ASSERT_EQ(log.size(), 1u) << LogText();
  EXPECT_EQ(log[0]["number"], std::to_string(err::kMapiNetworkError));
  EXPECT_EQ(log[0]["module"], "basPPPickFolders");
  EXPECT_EQ(log[0]["procedure"], "SaveRemindersCollection");
  EXPECT_EQ(log[0]["context"], "Error in SaveRemindersCollection");
}

// ---- A profile name that names no key of its own -------------------------------------------

struct UnusableName {
  const char* Name;
  std::string ProfileName;
  const char* Why;  // how the log entries begin
};

class UnusableProfileName : public ReminderSet, public ::testing::WithParamInterface<UnusableName> {};

TEST_P(UnusableProfileName, TheProductKeyIsNeitherReadNorDeletedNorWritten) {
  const UnusableName& c = GetParam();
  nlohmann::json profile = nlohmann::json::parse(SmallMailbox(R"("Calendar", "Tasks", "Inbox/X")"));
  profile["profileName"] = c.ProfileName;
  UseProfile(profile.dump());
  SetOptions(1, 0);
  // Values a reader of the product key as a profile key would take for a stored set.
  ASSERT_TRUE(
      world_->Registry().SetValue(kHkeyCurrentUser, kProductKeyPath, kReminderFoldersValue, reg::kSz, Id("Inbox/A")));
  ASSERT_TRUE(
      world_->Registry().SetValue(kHkeyCurrentUser, kProductKeyPath, kStoreIdValue, reg::kSz, DefaultStoreId()));
  const std::vector<sim::RegValue> before = world_->Registry().Values(kHkeyCurrentUser, kProductKeyPath);
  StartUp();

  EXPECT_EQ(SetPaths(), (Paths{"Calendar", "Tasks", "Inbox/X", "Inbox", "Contacts"}));
  ExpectOneStopThenStart();
  EXPECT_TRUE(State().IncludeSubfoldersFlag);
  nlohmann::json log = Log();
  ASSERT_EQ(log.size(), 1u) << LogText();
  EXPECT_EQ(log[0]["procedure"], "SetRemindersCollection");
  EXPECT_EQ(log[0]["context"], std::string(c.Why) + "the stored reminder folders were not read");

  SaveRemindersCollection();
  log = Log();
  ASSERT_EQ(log.size(), 2u) << LogText();
  EXPECT_EQ(log[1]["module"], "basPPPickFolders");
  EXPECT_EQ(log[1]["procedure"], "SaveRemindersCollection");
  EXPECT_EQ(log[1]["context"], std::string(c.Why) + "the reminder folders were not saved");

  const std::vector<sim::RegValue> after = world_->Registry().Values(kHkeyCurrentUser, kProductKeyPath);
  ASSERT_EQ(after.size(), before.size());
  for (size_t i = 0; i < after.size(); ++i) {
    EXPECT_EQ(after[i].Name, before[i].Name);
    EXPECT_EQ(after[i].Data, before[i].Data) << after[i].Name;
  }
  EXPECT_TRUE(world_->Registry().SubKeyNames(kHkeyCurrentUser, kProductKeyPath).empty());
}

constexpr const char* kNotAKeyName = "Mail profile name is not a registry key name: ";
INSTANTIATE_TEST_SUITE_P(Names, UnusableProfileName,
                         ::testing::Values(UnusableName{"Empty", "", "No mail profile name: "},
                                           UnusableName{"Backslash", "\\", kNotAKeyName},
                                           UnusableName{"BelowAnotherKey", "Work\\Home", kNotAKeyName},
                                           UnusableName{"OnlySpaces", "   ", kNotAKeyName},
                                           UnusableName{"OverTheKeyNameLimit", std::string(256, 'p'), kNotAKeyName}),
                         [](const auto& info) { return std::string(info.param.Name); });

// ---- Clearing -------------------------------------------------------------------------------

TEST_F(ReminderSet, ClearingEmptiesBothCollectionsAndReportsNothing) {
  ClearRemindersCollection();
  ClearOfflineFoldersCollection();
  EXPECT_TRUE(Log().empty()) << LogText();

  UseProfile(SmallMailbox(kAllDefaults));
  StoreRaw(Id("Inbox/A") + "," + kUnopenable, DefaultStoreId());
  StartUp(false);
  ASSERT_EQ(RemindersCollection().Count(), 1);
  ASSERT_EQ(OfflineFoldersCollection().Count(), 1);
  ClearRemindersCollection();
  ClearOfflineFoldersCollection();
  EXPECT_EQ(RemindersCollection().Count(), 0);
  EXPECT_EQ(OfflineFoldersCollection().Count(), 0);
  EXPECT_TRUE(Log().empty()) << LogText();
}

}  // namespace
}  // namespace bellnest
