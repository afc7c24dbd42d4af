// The reminder folder set as the page loads it at start-up and saves it at shut-down: first use
// against a stored set, stored sets of another store, aliases and duplicates, folders that
// cannot be opened online and offline, the registry values a save leaves, and a profile name
// that names no key of its own, which must never touch the product's options.
#include <gtest/gtest.h>

#include <algorithm>

#include "common/page_fixture.h"

namespace bellnest {
namespace {

using testing_support::SmallMailbox;
using Paths = std::vector<std::string>;

constexpr const char* kUnopenable = "00E0E0E0";  // well formed, names no folder
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
  // Stored-list tokens: a folder path, or "=" and a raw entry.
  std::string List(const Paths& tokens) {
    std::string list;
    for (const std::string& t : tokens) list += (list.empty() ? "" : ",") + (t[0] == '=' ? t.substr(1) : Id(t));
    return list;
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
  void TasksCannotBeOpened() {
    sim::FaultRule fault = sim::MakeFault(sim::kind::kRdoSession, "GetFolderFromID", err::kMapiNetworkError);
    fault.Arg = Id("Tasks");
    ASSERT_TRUE(Outlook().AddFault(fault).Ok());
  }
  void ExpectLogged(const char* procedure, const std::string& context) {
    const nlohmann::json log = LogJson();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back()["module"], "basPPPickFolders");
    EXPECT_EQ(log.back()["procedure"], procedure);
    EXPECT_EQ(log.back()["context"], context);
  }
};

// ---- A stored set against the scope ----------------------------------------------------------

struct LoadCase {
  const char* Name;
  const char* Containers;  // the search's containers, as JSON list items
  Paths Stored;            // list tokens; empty: nothing stored
  bool StoreByAlias = false;
  bool Online = true;
  bool TasksUnopenable = false;
  Paths Set, Scope;
  std::optional<Paths> Adds;
  Paths Saved;         // list tokens of the saved list
  Paths Offline = {};  // entries kept for the next save
  const char* Logged = nullptr;
};

class StoredSet : public ReminderSet, public ::testing::WithParamInterface<LoadCase> {};

TEST_P(StoredSet, JoinsTheSetAndTrimsTheScopeAndIsSavedAgain) {
  const LoadCase& c = GetParam();
  UseProfile(SmallMailbox(c.Containers));
  if (c.TasksUnopenable) TasksCannotBeOpened();
  if (!c.Stored.empty()) StoreRaw(List(c.Stored), c.StoreByAlias ? "00570AE5" : DefaultStoreId());
  StartUp(c.Online);
  EXPECT_EQ(SetPaths(), c.Set);
  EXPECT_EQ(Scope(), c.Scope);
  if (c.Adds) {
    EXPECT_EQ(ScopeAdds(), *c.Adds);
  }
  EXPECT_EQ(OfflineEntries(), c.Offline);
  ExpectOneStopThenStart();
  if (c.Logged) {
    ASSERT_EQ(LogJson().size(), 1u) << LogText();
    EXPECT_EQ(LogJson()[0]["number"], std::to_string(err::kMapiNetworkError));
    ExpectLogged(c.Logged, std::string("Error in ") + c.Logged);
  } else {
    EXPECT_TRUE(LogJson().empty()) << LogText();
  }
  SaveRemindersCollection();
  EXPECT_EQ(StoredList(), List(c.Saved));
  EXPECT_EQ(Bytes(ProfileKey(), kStoreIdValue), DefaultStoreId());
  EXPECT_EQ(world_->Registry().GetValue(kHkeyCurrentUser, ProfileKey(), kReminderFoldersValue)->Type, reg::kSz);
}

const Paths kSeeded{"Calendar", "Tasks", "Inbox/X", "Inbox", "Contacts"};

INSTANTIATE_TEST_SUITE_P(
    Situations, StoredSet,
    ::testing::Values(
        // Nothing stored: the set is the scope, and the missing default folders join both.
        LoadCase{"FirstUse",
                 R"("Calendar", "Tasks", "Inbox/X")",
                 {},
                 false,
                 true,
                 false,
                 kSeeded,
                 kSeeded,
                 Paths{"folder:Inbox", "folder:Contacts"},
                 kSeeded},
        // A was a container; B was not and is added by its identifier string. X goes; the four
        // default folders stay in the scope without joining the set.
        LoadCase{"StoredFolders", R"("Calendar", "Tasks", "Inbox", "Contacts", "Inbox/A", "Inbox/X")",
                 Paths{"Inbox/A", "Inbox/B"}, false, true, false, Paths{"Inbox/A", "Inbox/B"},
                 Paths{"Calendar", "Tasks", "Inbox", "Contacts", "Inbox/A", "Inbox/B"}, Paths{"Inbox/B"},
                 Paths{"Inbox/A", "Inbox/B"}},
        // Each default folder missing from the scope returns to scope and set, in this order.
        LoadCase{"DefaultsMissing", R"("Inbox/A")", Paths{"Inbox/A"}, false, true, false,
                 Paths{"Inbox/A", "Inbox", "Contacts", "Tasks", "Calendar"},
                 Paths{"Inbox/A", "Inbox", "Contacts", "Tasks", "Calendar"},
                 Paths{"folder:Inbox", "folder:Contacts", "folder:Tasks", "folder:Calendar"},
                 Paths{"Inbox/A", "Inbox", "Contacts", "Tasks", "Calendar"}},
        LoadCase{"ListedTwice", kAllDefaults, Paths{"Inbox/B", "Inbox/B", "Calendar", "Calendar"}, false, true, false,
                 Paths{"Inbox/B", "Calendar"},
                 Paths{"Calendar", "Tasks", "Inbox", "Contacts", "Inbox/B", "Inbox/B", "Calendar"}, std::nullopt,
                 Paths{"Inbox/B", "Calendar"}},
        // Aliases match through the session and are saved under the folders' own identifiers.
        LoadCase{"Aliases", R"("Calendar", "Tasks", "Inbox", "Contacts", "Inbox/A")", Paths{"=00A1A500", "=00B1B500"},
                 true, true, false, Paths{"Inbox/A", "Inbox/B"},
                 Paths{"Calendar", "Tasks", "Inbox", "Contacts", "Inbox/A", "Inbox/B"}, Paths{"Inbox/B"},
                 Paths{"Inbox/A", "Inbox/B"}},
        // The failing comparison with Calendar matches, but Calendar is in the set already; the
        // one with Tasks fails next and takes Tasks in the malformed entry's place.
        LoadCase{"MalformedEntry", kAllDefaults, Paths{"Calendar", "=XYZ", "Inbox/B"}, false, true, false,
                 Paths{"Calendar", "Tasks", "Inbox/B"}, Paths{"Calendar", "Tasks", "Inbox", "Contacts", "Inbox/B"},
                 std::nullopt, Paths{"Calendar", "Tasks", "Inbox/B"}},
        // (offline_entries_kept pins a stored folder that cannot be opened, offline and online)
        // A deleted folder's container goes; Tasks, unopenable now, stays as a default folder.
        LoadCase{"UnopenableContainers", R"("Calendar", {"entryId": "00DEAD00"}, "Tasks", "Inbox", "Contacts")",
                 Paths{"Calendar"}, false, true, true, Paths{"Calendar"},
                 Paths{"Calendar", "Tasks", "Inbox", "Contacts"}, std::nullopt, Paths{"Calendar"}},
        // A missing default folder that cannot be opened is not put back, and that is logged.
        LoadCase{"UnopenableMissingDefault",
                 R"("Calendar", "Inbox", "Contacts")",
                 Paths{"Calendar"},
                 false,
                 true,
                 true,
                 Paths{"Calendar"},
                 Paths{"Calendar", "Inbox", "Contacts"},
                 std::nullopt,
                 Paths{"Calendar"},
                 {},
                 "SetRemindersCollection"}),
    [](const auto& info) { return std::string(info.param.Name); });

// ---- Stored sets that do not count -----------------------------------------------------------

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
    std::string list = *c.List == "A,B" ? List({"Inbox/A", "Inbox/B"}) : *c.List;
    std::string storeId = c.StoreId == "default"   ? DefaultStoreId()
                          : c.StoreId == "archive" ? Outlook().Model().Store(1).EntryID
                                                   : c.StoreId;
    ASSERT_TRUE(world_->Registry().SetValue(kHkeyCurrentUser, ProfileKey(), kReminderFoldersValue, c.ListType, list));
    ASSERT_TRUE(world_->Registry().SetValue(kHkeyCurrentUser, ProfileKey(), kStoreIdValue, reg::kSz, storeId));
  }
  StartUp();
  EXPECT_EQ(SetPaths(), kSeeded);
  EXPECT_EQ(Scope(), kSeeded);
  EXPECT_EQ(world_->Registry().KeyExists(kHkeyCurrentUser, ProfileKey()), c.KeyKept);
  // The options one level up are untouched.
  EXPECT_TRUE(Bytes(kProductKeyPath, "IncludeSubfolders").has_value());
  EXPECT_TRUE(State().IncludeSubfoldersFlag && State().DisableDefaultFoldersFlag);
  ExpectOneStopThenStart();
  EXPECT_TRUE(LogJson().empty()) << LogText();
}

INSTANTIATE_TEST_SUITE_P(Situations, UnusableStoredSet,
                         ::testing::Values(UnusableStore{"AnotherStore", "A,B", "archive", reg::kSz, false},
                                           UnusableStore{"MalformedStoreId", "A,B", "XYZ", reg::kSz, false},
                                           UnusableStore{"MissingStoreId", "A,B", "", reg::kSz, false},
                                           UnusableStore{"EmptyList", "", "default", reg::kSz, true},
                                           UnusableStore{"ListOfAnotherType", "A,B", "default", reg::kBinary, true}),
                         [](const auto& info) { return std::string(info.param.Label); });

// ---- Saving ---------------------------------------------------------------------------------

TEST_F(ReminderSet, OfflineEntriesFollowTheSetsOwnEvenWhenTheSetIsEmpty) {
  UseProfile(SmallMailbox(kAllDefaults));
  StoreRaw(std::string(kUnopenable) + "," + Id("Inbox/B") + ",00E1E1E1", DefaultStoreId());
  StartUp(false);
  SaveRemindersCollection();
  EXPECT_EQ(StoredList(), Id("Inbox/B") + "," + kUnopenable + ",00E1E1E1");
  ClearRemindersCollection();
  SaveRemindersCollection();
  EXPECT_EQ(StoredList(), std::string(kUnopenable) + ",00E1E1E1");
  ClearOfflineFoldersCollection();
  SaveRemindersCollection();  // an empty set still writes the value, empty, and the store
  EXPECT_EQ(StoredList(), "");
  EXPECT_EQ(Bytes(ProfileKey(), kStoreIdValue), DefaultStoreId());
  EXPECT_TRUE(LogJson().empty()) << LogText();
}

TEST_F(ReminderSet, AFolderWhoseIdentifierCannotBeReadIsSavedUnderItsKeyAndTheFailureLogged) {
  UseProfile(SmallMailbox(kAllDefaults));
  StoreSet({"Inbox/A", "Inbox/B"});
  StartUp();
  sim::FaultRule fault = sim::MakeFault(sim::kind::kRdoFolder, "EntryID", err::kMapiNetworkError);
  fault.Target = Id("Inbox/B");
  ASSERT_TRUE(Outlook().AddFault(fault).Ok());
  SaveRemindersCollection();
  EXPECT_EQ(StoredPaths(), (Paths{"Inbox/A", "Inbox/B"}));
  ASSERT_EQ(LogJson().size(), 1u) << LogText();
  EXPECT_EQ(LogJson()[0]["number"], std::to_string(err::kMapiNetworkError));
  ExpectLogged("SaveRemindersCollection", "Error in SaveRemindersCollection");
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
  const std::string before = world_->Registry().ExportRegText();
  StartUp();
  EXPECT_EQ(SetPaths(), kSeeded);
  ExpectOneStopThenStart();
  EXPECT_TRUE(State().IncludeSubfoldersFlag);
  ASSERT_EQ(LogJson().size(), 1u) << LogText();
  ExpectLogged("SetRemindersCollection", std::string(c.Why) + "the stored reminder folders were not read");
  SaveRemindersCollection();
  ASSERT_EQ(LogJson().size(), 2u) << LogText();
  ExpectLogged("SaveRemindersCollection", std::string(c.Why) + "the reminder folders were not saved");
  EXPECT_EQ(world_->Registry().ExportRegText(), before);  // no value changed, no key made
}

constexpr const char* kNotAKeyName = "Mail profile name is not a registry key name: ";
INSTANTIATE_TEST_SUITE_P(Names, UnusableProfileName,
                         ::testing::Values(UnusableName{"Empty", "", "No mail profile name: "},
                                           UnusableName{"Backslash", "\\", kNotAKeyName},
                                           UnusableName{"BelowAnotherKey", "Work\\Home", kNotAKeyName},
                                           UnusableName{"OnlySpaces", "   ", kNotAKeyName},
                                           UnusableName{"OverTheKeyNameLimit", std::string(256, 'p'), kNotAKeyName},
                                           // A character beyond 0xFFFF takes two UTF-16 units.
                                           UnusableName{"OverTheLimitInUtf16", std::string(254, 'p') + "\U0001F600",
                                                        kNotAKeyName}),
                         [](const auto& info) { return std::string(info.param.Name); });

// A name at the limit, 255 UTF-16 units, has a key of its own: nothing is refused.
TEST_F(ReminderSet, AProfileNameAtTheKeyNameLimitHasItsOwnKey) {
  nlohmann::json profile = nlohmann::json::parse(SmallMailbox(R"("Calendar", "Tasks", "Inbox/X")"));
  profile["profileName"] = std::string(253, 'p') + "\U0001F600";
  UseProfile(profile.dump());
  StartUp();
  SaveRemindersCollection();
  EXPECT_TRUE(LogJson().empty()) << LogText();
}

}  // namespace
}  // namespace bellnest
