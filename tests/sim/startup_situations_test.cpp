// The situations start-up and page set-up meet: Outlook versions, the RDO library missing,
// the companion add-in missing or offline, a profile without a default store or without a
// Reminders folder, and the session's logon.
#include <gtest/gtest.h>

#include "sim_test_support.h"
#include "support/platform.h"

namespace bellnest::sim {
namespace {

using testing::LoadProfile;
using testing::LoggedOnSession;

class OutlookVersion : public ::testing::TestWithParam<const char*> {};

TEST_P(OutlookVersion, ApplicationReportsTheVersionStringAsGiven) {
  auto outlook = LoadProfile(std::string(R"({"outlookVersion": ")") + GetParam() + "\"}");
  ASSERT_TRUE(outlook);
  EXPECT_EQ(outlook->Application()->Version().Value(), GetParam());
}

INSTANTIATE_TEST_SUITE_P(Outlook2000To2007, OutlookVersion,
                         ::testing::Values("9.0.0.2711", "10.0.0.6626", "11.0.0.8010", "12.0.0.6423", ""));

TEST(RdoLibrary, NotRegisteredMeansCreateObjectFailsWith429AndNoSession) {
  auto outlook = LoadProfile(R"({"rdoRegistered": false})");
  ASSERT_TRUE(outlook);
  auto session = outlook->CreateSession(kRdoProgId);
  ASSERT_FALSE(session.Ok());
  EXPECT_EQ(session.Error().Number, err::kCantCreateObject);
  EXPECT_EQ(session.Error().Description, "ActiveX component can't create object");
  EXPECT_EQ(outlook->SessionsCreated(), 0);
  EXPECT_EQ(outlook->LiveObjects(), 0);
}

TEST(RdoLibrary, InstalledInAPlatformItIsWhatCreateObjectReaches) {
  SimulatedOutlook outlook;
  Platform platform;
  platform.Rdo = &outlook;
  {
    ScopedPlatform scoped(platform);
    Result<RdoSessionPtr> session = Rdo().CreateSession(kRdoProgId);
    ASSERT_TRUE(session.Ok());
    EXPECT_EQ(outlook.SessionsCreated(), 1);
  }
  EXPECT_EQ(outlook.LiveObjects(), 0);
  EXPECT_EQ(outlook.CountCalls(kind::kRdoFactory, "CreateSession"), 1);
}

TEST(RdoLibrary, OnlyItsOwnProgIdCreatesASession) {
  SimulatedOutlook outlook;
  EXPECT_FALSE(outlook.CreateSession("Redemption.RDOSession").Ok());
  EXPECT_TRUE(outlook.CreateSession("qfsmapi.qfssession").Ok());  // ProgIDs ignore case
}

TEST(RdoSession, BeforeLogonEveryMemberButTheLogonsFails) {
  SimulatedOutlook outlook;
  RdoSessionPtr session = outlook.CreateSession(kRdoProgId).Value();
  EXPECT_EQ(session->Stores().Error().Number, hr::kNotInitialized);
  EXPECT_FALSE(session->ProfileName().Ok());
  EXPECT_FALSE(session->GetFolderFromID(outlook.Id("Inbox"), "").Ok());
  EXPECT_FALSE(session->CompareEntryIDs(outlook.Id("Inbox"), outlook.Id("Inbox")).Ok());
  EXPECT_TRUE(outlook.Logons().empty());
}

TEST(RdoSession, Outlook9LogsOnWithEmptyProfileName) {
  auto outlook = LoadProfile(R"({"profileName": "Robin", "outlookVersion": "9.0.0.2711"})");
  ASSERT_TRUE(outlook);
  RdoSessionPtr session = outlook->CreateSession(kRdoProgId).Value();
  ASSERT_TRUE(session->Logon("", "", false, false).Ok());
  const HostCall logon = outlook->Calls().back();
  EXPECT_EQ(logon.Method, "Logon");
  EXPECT_EQ(logon.Args, (std::vector<std::string>{"", "", "False", "False"}));
  EXPECT_EQ(session->ProfileName().Value(), "Robin");
  EXPECT_EQ(outlook->Logons(), std::vector<std::string>{"Logon"});
  EXPECT_FALSE(outlook->CreateSession(kRdoProgId).Value()->Logon("Someone else", "", false, false).Ok());
}

TEST(RdoSession, Outlook10And11ShareOutlooksMapiSession) {
  SimulatedOutlook outlook;
  NameSpacePtr ns = outlook.Application()->GetNamespace("MAPI").Value();
  Result<Variant> mapiObject = ns->GetProperty("MAPIOBJECT");
  ASSERT_TRUE(mapiObject.Ok());
  RdoSessionPtr session = outlook.CreateSession(kRdoProgId).Value();
  ASSERT_TRUE(session->PutMAPIOBJECT(mapiObject.Value()).Ok());
  EXPECT_EQ(outlook.Calls().back().Args, std::vector<std::string>{"MAPIOBJECT()"});
  EXPECT_EQ(outlook.Logons(), std::vector<std::string>{"MAPIOBJECT"});
  EXPECT_TRUE(session->Stores().Ok());
  // Anything but Outlook's session is refused and leaves the session logged off.
  RdoSessionPtr other = outlook.CreateSession(kRdoProgId).Value();
  EXPECT_FALSE(other->PutMAPIOBJECT(Variant(std::string("MAPIOBJECT"))).Ok());
  EXPECT_FALSE(other->PutMAPIOBJECT(Variant()).Ok());
  EXPECT_FALSE(other->Stores().Ok());
}

TEST(DefaultStore, ReachedThroughStoresWithItsIdentifierAndReminders) {
  SimulatedOutlook outlook;
  RdoSessionPtr session = LoggedOnSession(outlook);
  RdoStorePtr store = session->Stores().Value()->DefaultStore().Value();
  ASSERT_TRUE(store);
  EXPECT_EQ(store->EntryID().Value(), outlook.Model().Store(outlook.Model().DefaultStore).EntryID);
  RdoSearchFolderPtr search = store->Reminders().Value()->SearchFolder().Value();
  ASSERT_TRUE(search);
  // Reopened by its identifier, the Reminders folder is the same search folder.
  RdoFolderPtr reopened = session->GetFolderFromID(search->EntryID().Value(), store->EntryID().Value()).Value();
  ASSERT_NE(dynamic_cast<RdoSearchFolder*>(reopened.get()), nullptr);
  EXPECT_EQ(search->SearchContainers().Value()->Count().Value(), 4);
}

TEST(DefaultStore, AProfileWithoutOneAnswersNothingAndHasNoDefaultFolders) {
  auto outlook = LoadProfile(R"({"defaultStore": null, "stores": [{"name": "Archive", "folders": [{"name": "A"}]}]})");
  ASSERT_TRUE(outlook);
  RdoSessionPtr session = LoggedOnSession(*outlook);
  Result<RdoStorePtr> store = session->Stores().Value()->DefaultStore();
  ASSERT_TRUE(store.Ok());
  EXPECT_FALSE(store.Value());
  NameSpacePtr ns = outlook->Application()->GetNamespace("MAPI").Value();
  EXPECT_EQ(ns->GetDefaultFolder(6).Error().Number, err::kMapiNotFound);
  // Its folders can still be opened by identifier.
  EXPECT_TRUE(session->GetFolderFromID(outlook->Id("Archive:A"), "").Ok());
}

TEST(RemindersFolder, AStoreWithoutOneAnswersNothing) {
  auto outlook = LoadProfile(R"({"stores": [{"name": "S"}]})");
  ASSERT_TRUE(outlook);
  RdoStorePtr store = LoggedOnSession(*outlook)->Stores().Value()->DefaultStore().Value();
  Result<RdoSearchFolderPtr> search = store->Reminders().Value()->SearchFolder();
  ASSERT_TRUE(search.Ok());
  EXPECT_FALSE(search.Value());
  EXPECT_FALSE(outlook->RemindersActive());
}

TEST(RemindersFolder, WithNoContainersHasAnEmptyList) {
  auto outlook = LoadProfile(R"({"stores": [{"name": "S", "reminders": {"containers": []}}]})");
  ASSERT_TRUE(outlook);
  RdoStorePtr store = LoggedOnSession(*outlook)->Stores().Value()->DefaultStore().Value();
  RdoSearchFolderPtr search = store->Reminders().Value()->SearchFolder().Value();
  EXPECT_EQ(search->SearchContainers().Value()->Count().Value(), 0);
  EXPECT_TRUE(search->IsRunning().Value());
}

TEST(DefaultFolders, EachNumberGivesItsFolderAndTheTopIsAboveTheInbox) {
  SimulatedOutlook outlook;
  NameSpacePtr ns = outlook.Application()->GetNamespace("MAPI").Value();
  const std::pair<int32_t, const char*> expected[] = {
      {9, "Calendar"},  {6, "Inbox"},  {5, "Sent Items"},   {16, "Drafts"},  {3, "Deleted Items"}, {4, "Outbox"},
      {10, "Contacts"}, {13, "Tasks"}, {23, "Junk E-mail"}, {11, "Journal"}, {12, "Notes"}};
  for (const auto& [number, name] : expected) {
    MapiFolderPtr folder = ns->GetDefaultFolder(number).Value();
    EXPECT_EQ(folder->Name().Value(), name);
    EXPECT_EQ(folder->EntryID().Value(), outlook.Id(name));
  }
  EXPECT_EQ(ns->GetDefaultFolder(99).Error().Number, hr::kInvalidArg);
  MapiFolderPtr top = ns->GetDefaultFolder(6).Value()->Parent().Value();
  EXPECT_EQ(top->EntryID().Value(), outlook.Id(""));
  // Above the top folder there is no folder: the run-time's type mismatch.
  EXPECT_EQ(top->Parent().Error().Number, err::kTypeMismatch);
}

TEST(DefaultFolders, AMissingOneFailsAsNotFound) {
  auto outlook = LoadProfile(R"({"outlookVersion": "10.0.0.6626", "stores": [{"name": "S", "folders": [
      {"name": "Inbox", "class": "IPF.Note", "default": "Inbox"}]}]})");
  ASSERT_TRUE(outlook);
  NameSpacePtr ns = outlook->Application()->GetNamespace("MAPI").Value();
  EXPECT_TRUE(ns->GetDefaultFolder(6).Ok());
  Result<MapiFolderPtr> junk = ns->GetDefaultFolder(23);
  ASSERT_FALSE(junk.Ok());
  EXPECT_EQ(junk.Error().Number, err::kMapiNotFound);
  EXPECT_EQ(junk.Error().Source, "Microsoft Outlook");
}

// What Online answers, through COMAddIns.Item("Bellnest.Connect").Object.PPClass.Online.
Result<Variant> AskOnline(SimulatedOutlook& outlook) {
  auto addIns = outlook.PageSite()->Application().Value()->COMAddIns();
  if (!addIns) return addIns.Error();
  auto addIn = addIns.Value()->Item("Bellnest.Connect");
  if (!addIn) return addIn.Error();
  auto object = addIn.Value()->Object();
  if (!object) return object.Error();
  if (!object.Value()) return RuntimeError(err::kObjectNotSet);
  auto ppClass = object.Value()->GetProperty("PPClass");
  if (!ppClass) return ppClass.Error();
  return std::get<DispatchPtr>(ppClass.Value())->GetProperty("Online");
}

TEST(CompanionAddIn, PresentAndOnlineOrOffline) {
  SimulatedOutlook online;
  EXPECT_EQ(AskOnline(online).Value(), Variant(true));
  auto offline = LoadProfile(R"({"addIn": {"online": false}})");
  EXPECT_EQ(AskOnline(*offline).Value(), Variant(false));
  auto textual = LoadProfile(R"({"addIn": {"online": "True"}})");
  EXPECT_EQ(AskOnline(*textual).Value(), Variant(std::string("True")));
}

TEST(CompanionAddIn, MissingNotConnectedOrWithoutPPClass) {
  auto missing = LoadProfile(R"({"addIn": null})");
  EXPECT_EQ(AskOnline(*missing).Error().Number, hr::kBadIndex);
  auto disconnected = LoadProfile(R"({"addIn": {"connected": false}})");
  EXPECT_EQ(AskOnline(*disconnected).Error().Number, err::kObjectNotSet);
  auto noClass = LoadProfile(R"({"addIn": {"ppClass": false}})");
  EXPECT_EQ(AskOnline(*noClass).Error().Number, err::kObjectDoesNotSupport);
  EXPECT_EQ(missing->LiveObjects() + disconnected->LiveObjects() + noClass->LiveObjects(), 0);
}

TEST(PageSite, GivesTheApplicationOrNothingAndCountsStatusChanges) {
  SimulatedOutlook outlook;
  PropertyPageSitePtr site = outlook.PageSite();
  EXPECT_TRUE(site->Application().Value());
  EXPECT_TRUE(site->OnStatusChange().Ok());
  EXPECT_TRUE(site->OnStatusChange().Ok());
  EXPECT_EQ(outlook.StatusChanges(), 2);
  auto bare = LoadProfile(R"({"pageSite": {"application": false}})");
  Result<ApplicationPtr> app = bare->PageSite()->Application();
  ASSERT_TRUE(app.Ok());
  EXPECT_FALSE(app.Value());
}

TEST(NameSpace, OnlyMapiIsANamespaceAndOnlyMapiObjectIsReadByName) {
  SimulatedOutlook outlook;
  ApplicationPtr app = outlook.Application();
  EXPECT_FALSE(app->GetNamespace("LDAP").Ok());
  NameSpacePtr ns = app->GetNamespace("mapi").Value();
  EXPECT_EQ(ns->GetProperty("Session").Error().Number, err::kObjectDoesNotSupport);
}

}  // namespace
}  // namespace bellnest::sim
