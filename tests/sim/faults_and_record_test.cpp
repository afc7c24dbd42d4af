// Injected faults (by method, argument, n-th call, target; from a file or from code), the
// record of host calls, and the count of live host objects.
#include <gtest/gtest.h>

#include "sim_test_support.h"

namespace bellnest::sim {
namespace {

using testing::LoadProfile;
using testing::LoggedOnSession;

TEST(Faults, ByMethodFailEveryCallWithTheGivenError) {
  SimulatedOutlook outlook;
  FaultRule rule = MakeFault(kind::kRdoSession, "GetFolderFromID", err::kMapiNetworkError);
  ASSERT_TRUE(outlook.AddFault(rule).Ok());
  RdoSessionPtr session = LoggedOnSession(outlook);
  for (int i = 0; i < 3; ++i) {
    Result<RdoFolderPtr> folder = session->GetFolderFromID(outlook.Id("Inbox"), "");
    ASSERT_FALSE(folder.Ok());
    EXPECT_EQ(folder.Error(), rule.Error);
    EXPECT_EQ(folder.Error().Source, "QFSMAPI.RDOSession");
  }
  // Outlook's own GetFolderFromID is another call.
  EXPECT_TRUE(outlook.Application()->GetNamespace("MAPI").Value()->GetFolderFromID(outlook.Id("Inbox"), "").Ok());
  outlook.ClearFaults();
  EXPECT_TRUE(session->GetFolderFromID(outlook.Id("Inbox"), "").Ok());
}

TEST(Faults, ByArgumentFailOnlyCallsNamingIt) {
  SimulatedOutlook outlook;
  FaultRule rule = MakeFault(kind::kNameSpace, "GetDefaultFolder", err::kMapiNotFound);
  rule.Arg = "23";
  ASSERT_TRUE(outlook.AddFault(rule).Ok());
  NameSpacePtr ns = outlook.Application()->GetNamespace("MAPI").Value();
  EXPECT_TRUE(ns->GetDefaultFolder(6).Ok());
  EXPECT_EQ(ns->GetDefaultFolder(23).Error().Number, err::kMapiNotFound);
  EXPECT_EQ(ns->GetDefaultFolder(23).Error().Source, "Microsoft Outlook");
}

TEST(Faults, AnObjectArgumentMatchesByItsIdentifier) {
  SimulatedOutlook outlook;
  FaultRule rule = MakeFault(kind::kRdoSearchContainers, "Add");
  rule.Arg = outlook.Id("Inbox/Projects");
  ASSERT_TRUE(outlook.AddFault(rule).Ok());
  RdoSessionPtr session = LoggedOnSession(outlook);
  RdoSearchContainersPtr list = session->Stores()
                                    .Value()
                                    ->DefaultStore()
                                    .Value()
                                    ->Reminders()
                                    .Value()
                                    ->SearchFolder()
                                    .Value()
                                    ->SearchContainers()
                                    .Value();
  EXPECT_FALSE(list->Add(session->GetFolderFromID(outlook.Id("Inbox/Projects"), "").Value()).Ok());
  EXPECT_FALSE(list->Add(outlook.Id("Inbox/Projects")).Ok());
  EXPECT_TRUE(list->Add(session->GetFolderFromID(outlook.Id("Drafts"), "").Value()).Ok());
}

TEST(Faults, ByNthCallFailThatCallAndCountMore) {
  SimulatedOutlook outlook;
  FaultRule second = MakeFault(kind::kRdoSession, "CompareEntryIDs");
  second.Nth = 2;
  FaultRule fifthOn = MakeFault(kind::kRdoSession, "CompareEntryIDs");
  fifthOn.Nth = 5;
  fifthOn.Count = 0;  // from the fifth on
  ASSERT_TRUE(outlook.AddFault(second).Ok());
  ASSERT_TRUE(outlook.AddFault(fifthOn).Ok());
  RdoSessionPtr session = LoggedOnSession(outlook);
  std::string outcomes;
  for (int i = 0; i < 7; ++i)
    outcomes += session->CompareEntryIDs(outlook.Id("Inbox"), outlook.Id("Inbox")).Ok() ? "+" : "-";
  EXPECT_EQ(outcomes, "+-++---");
}

TEST(Faults, ByTargetFailOnlyTheChosenFoldersMembers) {
  auto outlook = LoadProfile(R"({"stores": [{"name": "S", "folders": [
      {"name": "A", "class": "IPF.Note"}, {"name": "B", "class": "IPF.Note"}]}],
    "faults": [{"kind": "RDOFolder", "method": "Fields", "folder": "B", "arg": "0x3613001E",
                "error": {"number": "0x80040115", "description": "Network down", "source": "Test"}}]})");
  ASSERT_TRUE(outlook);
  RdoSessionPtr session = LoggedOnSession(*outlook);
  RdoFolderPtr a = session->GetFolderFromID(outlook->Id("A"), "").Value();
  RdoFolderPtr b = session->GetFolderFromID(outlook->Id("B"), "").Value();
  EXPECT_TRUE(a->Fields(mapi::kPrContainerClass).Ok());
  EXPECT_TRUE(b->Fields(mapi::kPrSubfolders).Ok());
  Result<Variant> failed = b->Fields(mapi::kPrContainerClass);
  ASSERT_FALSE(failed.Ok());
  EXPECT_EQ(failed.Error(), (ErrorInfo{err::kMapiNetworkError, "Network down", "Test"}));
}

TEST(Faults, AnObjectCallCanBeMadeToAnswerNothing) {
  SimulatedOutlook outlook;
  FaultRule rule = MakeFault(kind::kRdoSearchFolder, "SearchContainers");
  rule.ReturnNothing = true;
  ASSERT_TRUE(outlook.AddFault(rule).Ok());
  RdoSearchFolderPtr search =
      LoggedOnSession(outlook)->Stores().Value()->DefaultStore().Value()->Reminders().Value()->SearchFolder().Value();
  Result<RdoSearchContainersPtr> list = search->SearchContainers();
  ASSERT_TRUE(list.Ok());
  EXPECT_FALSE(list.Value());
  FaultRule bad = MakeFault(kind::kRdoSearchFolder, "Stop");
  bad.ReturnNothing = true;
  EXPECT_FALSE(outlook.AddFault(bad).Ok());
}

TEST(Faults, AWildcardFailsEveryCallOfAKind) {
  SimulatedOutlook outlook;
  ASSERT_TRUE(outlook.AddFault(MakeFault(kind::kMapiFolder, "*")).Ok());
  NameSpacePtr ns = outlook.Application()->GetNamespace("MAPI").Value();
  MapiFolderPtr inbox = ns->GetDefaultFolder(6).Value();
  EXPECT_FALSE(inbox->EntryID().Ok());
  EXPECT_FALSE(inbox->Parent().Ok());
  EXPECT_FALSE(inbox->Folders().Ok());
  EXPECT_FALSE(outlook.AddFault(MakeFault("Session", "Logon")).Ok());
  EXPECT_FALSE(outlook.AddFault(MakeFault(kind::kRdoSession, "LogOff")).Ok());
}

// The host calls whose failures the reminder folder collection and the search scope edits
// must survive, each failing from a profile file.
TEST(Faults, TheStopStartCompareAndOpenFailuresComeFromAProfileFile) {
  auto outlook = LoadProfile(R"({"stores": [{"name": "S", "folders": [{"name": "Inbox", "default": "Inbox"}],
                                              "reminders": {"containers": ["Inbox"]}}],
    "faults": [{"kind": "RDOSearchFolder", "method": "Stop"},
               {"kind": "RDOSearchFolder", "method": "Start", "error": "MAPI_E_NO_SUPPORT"},
               {"kind": "RDOSession", "method": "CompareEntryIDs", "nth": 1},
               {"kind": "RDOSession", "method": "GetFolderFromID", "error": -2147221233}]})");
  ASSERT_TRUE(outlook);
  RdoSessionPtr session = LoggedOnSession(*outlook);
  RdoSearchFolderPtr search =
      session->Stores().Value()->DefaultStore().Value()->Reminders().Value()->SearchFolder().Value();
  EXPECT_EQ(search->Stop().Error().Number, err::kMapiCallFailed);
  EXPECT_EQ(search->Start().Error().Number, err::kMapiNoSupport);
  EXPECT_TRUE(search->IsRunning().Value());  // neither took effect
  EXPECT_TRUE(outlook->SearchHistory().empty());
  EXPECT_FALSE(session->CompareEntryIDs(outlook->Id("Inbox"), outlook->Id("Inbox")).Ok());
  EXPECT_TRUE(session->CompareEntryIDs(outlook->Id("Inbox"), outlook->Id("Inbox")).Value());
  EXPECT_EQ(session->GetFolderFromID(outlook->Id("Inbox"), "").Error().Number, err::kMapiNotFound);
}

TEST(CallRecord, HoldsEveryCallInOrderWithArgumentsTargetAndOutcome) {
  SimulatedOutlook outlook;
  RdoSessionPtr session = LoggedOnSession(outlook);
  outlook.ClearCalls();
  RdoFolderPtr inbox = session->GetFolderFromID(outlook.Id("Inbox"), "").Value();
  (void)inbox->Fields(mapi::kPrContainerClass);
  (void)session->GetFolderFromID("00BAD0", "");
  ASSERT_EQ(outlook.Calls().size(), 3u);
  const HostCall& open = outlook.Calls()[0];
  EXPECT_EQ(open.Kind, "RDOSession");
  EXPECT_EQ(open.Method, "GetFolderFromID");
  EXPECT_EQ(open.Args, (std::vector<std::string>{outlook.Id("Inbox"), ""}));
  EXPECT_TRUE(open.Ok);
  const HostCall& fields = outlook.Calls()[1];
  EXPECT_EQ(fields.Target, outlook.Id("Inbox"));
  EXPECT_EQ(fields.Args, std::vector<std::string>{"0x3613001E"});
  EXPECT_FALSE(outlook.Calls()[2].Ok);
  EXPECT_EQ(outlook.Calls()[2].ErrorNumber, err::kMapiNotFound);
  EXPECT_EQ(outlook.Calls()[2].ToString(), "RDOSession.GetFolderFromID(\"00BAD0\", \"\") -> MAPI_E_NOT_FOUND");
  EXPECT_EQ(outlook.CountCalls("RDOSession", "GetFolderFromID"), 2);
  EXPECT_EQ(outlook.CallCount(), 3u);
}

TEST(CallRecord, FailedAndFaultedCallsAreRecordedToo) {
  SimulatedOutlook outlook;
  ASSERT_TRUE(outlook.AddFault(MakeFault(kind::kApplication, "Version", err::kMapiCallFailed)).Ok());
  (void)outlook.Application()->Version();
  EXPECT_EQ(outlook.CallTrace(), "Application.Version() -> MAPI_E_CALL_FAILED\n");
}

TEST(CallRecord, CountsStayWhileDetailsAreSwitchedOffAndClearResetsBoth) {
  SimulatedOutlook outlook;
  outlook.SetCallRecording(false);
  ApplicationPtr app = outlook.Application();
  for (int i = 0; i < 5; ++i) (void)app->Version();
  EXPECT_TRUE(outlook.Calls().empty());
  EXPECT_EQ(outlook.CountCalls("Application", "Version"), 5);
  outlook.ClearCalls();
  EXPECT_EQ(outlook.CountCalls("Application", "Version"), 0);
  EXPECT_EQ(outlook.CallCount(), 0u);
}

TEST(LiveObjects, EveryReturnedObjectCountsUntilReleased) {
  SimulatedOutlook outlook;
  EXPECT_EQ(outlook.LiveObjects(), 0);
  {
    PropertyPageSitePtr site = outlook.PageSite();
    ApplicationPtr app = site->Application().Value();
    NameSpacePtr ns = app->GetNamespace("MAPI").Value();
    Variant mapiObject = ns->GetProperty("MAPIOBJECT").Value();
    RdoSessionPtr session = outlook.CreateSession(kRdoProgId).Value();
    ASSERT_TRUE(session->PutMAPIOBJECT(mapiObject).Ok());
    RdoStorePtr store = session->Stores().Value()->DefaultStore().Value();
    RdoSearchFolderPtr search = store->Reminders().Value()->SearchFolder().Value();
    RdoSearchContainersPtr list = search->SearchContainers().Value();
    RdoFolderPtr first = list->Item(1).Value();
    MapiFolderPtr root = ns->GetDefaultFolder(6).Value()->Parent().Value();
    FolderEnumeratorPtr it = root->Folders().Value()->NewEnum().Value();
    MapiFolderPtr child = it->Next().Value();
    // The intermediate Stores, Reminders, Folders and Inbox objects are gone already.
    EXPECT_EQ(outlook.LiveObjects(), 12) << outlook.LiveObjectReport();
    EXPECT_NE(outlook.LiveObjectReport().find("RDOSession: 1"), std::string::npos);
    mapiObject = Variant();
    EXPECT_EQ(outlook.LiveObjects(), 12) << "the session still holds Outlook's MAPI session";
  }
  EXPECT_EQ(outlook.LiveObjects(), 0) << outlook.LiveObjectReport();
  EXPECT_EQ(outlook.LiveObjectReport(), "");
}

TEST(LiveObjects, ObjectsHeldPastTheSimulationStayUsable) {
  RdoFolderPtr folder;
  {
    SimulatedOutlook outlook;
    folder = LoggedOnSession(outlook)->GetFolderFromID(outlook.Id("Inbox"), "").Value();
  }
  EXPECT_EQ(folder->Name().Value(), "Inbox");
}

}  // namespace
}  // namespace bellnest::sim
