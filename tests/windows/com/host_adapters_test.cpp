// The host calls through the IDispatch adapters into the simulated profile behind COM give what
// the same calls give natively: the same values, the same errors (number, description, source)
// and the same record of calls, with every simulated object released at the end.
#include "com/host_adapters.h"

#include <gtest/gtest.h>

#include <string>

#include "com/dispatch.h"
#include "host/invoke.h"
#include "sim/profile/simulated_outlook.h"
#include "standin/standin.h"

namespace bellnest {
namespace {

class ComApartment : public testing::Test {
 protected:
  ComApartment() { ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
  ~ComApartment() override { ::CoUninitialize(); }
};

std::string Show(const ErrorInfo& e) {
  return "error " + std::to_string(e.Number) + " '" + e.Description + "' from " + e.Source;
}
std::string Show(const Status& s) { return s ? "ok" : Show(s.Error()); }
std::string Show(const Result<std::string>& r) { return r ? r.Value() : Show(r.Error()); }
std::string Show(const Result<bool>& r) { return r ? (r.Value() ? "True" : "False") : Show(r.Error()); }
std::string Show(const Result<int32_t>& r) { return r ? std::to_string(r.Value()) : Show(r.Error()); }
std::string Show(const Result<Variant>& r) {
  if (!r) return Show(r.Error());
  if (const DispatchPtr* d = std::get_if<DispatchPtr>(&r.Value())) return *d ? "Object" : "Nothing";
  return ToText(r.Value()).ValueOr("?");
}
template <class P>
std::string Show(const Result<std::shared_ptr<P>>& r) {
  return r ? (r.Value() ? "Object" : "Nothing") : Show(r.Error());
}

// Every member of both object models the page calls, continuing past failures, as a transcript.
std::string Walk(const PropertyPageSitePtr& site, RdoFactory& rdo, const std::string& otherFolderId) {
  std::string out;
  auto line = [&out](const char* what, const std::string& text) { out += std::string(what) + ": " + text + "\n"; };
  Result<ApplicationPtr> app = Call(site, &PropertyPageSite::Application);
  line("Application", Show(app));
  const ApplicationPtr application = app.ValueOr(nullptr);
  line("Version", Show(Call(application, &Application::Version)));
  Result<ComAddInsPtr> addIns = Call(application, &Application::COMAddIns);
  Result<ComAddInPtr> addIn = Call(addIns.ValueOr(nullptr), &ComAddIns::Item, std::string("Bellnest.Connect"));
  line("COMAddIns.Item", Show(addIn));
  Result<DispatchPtr> object = Call(addIn.ValueOr(nullptr), &ComAddIn::Object);
  line("COMAddIn.Object", Show(object));
  Result<Variant> ppClass = Call(object.ValueOr(nullptr), &Dispatch::GetProperty, std::string_view("PPClass"));
  line("PPClass", Show(ppClass));
  if (ppClass && std::holds_alternative<DispatchPtr>(ppClass.Value()))
    line("Online",
         Show(Call(std::get<DispatchPtr>(ppClass.Value()), &Dispatch::GetProperty, std::string_view("Online"))));
  line("Missing add-in", Show(Call(addIns.ValueOr(nullptr), &ComAddIns::Item, std::string("Other.Connect"))));

  Result<NameSpacePtr> ns = Call(application, &Application::GetNamespace, std::string("MAPI"));
  line("GetNamespace", Show(ns));
  const NameSpacePtr nameSpace = ns.ValueOr(nullptr);
  Result<MapiFolderPtr> inbox = Call(nameSpace, &NameSpace::GetDefaultFolder, ol::kFolderInbox);
  line("Inbox", Show(inbox));
  line("Inbox.Name", Show(Call(inbox.ValueOr(nullptr), &MapiFolder::Name)));
  line("Inbox.StoreID", Show(Call(inbox.ValueOr(nullptr), &MapiFolder::StoreID)));
  Result<MapiFolderPtr> top = Call(inbox.ValueOr(nullptr), &MapiFolder::Parent);
  line("Inbox.Parent.Name", Show(Call(top.ValueOr(nullptr), &MapiFolder::Name)));
  line("Top.Parent", Show(Call(top.ValueOr(nullptr), &MapiFolder::Parent)));
  Result<FoldersPtr> folders = Call(inbox.ValueOr(nullptr), &MapiFolder::Folders);
  Result<FolderEnumeratorPtr> items = Call(folders.ValueOr(nullptr), &Folders::NewEnum);
  line("NewEnum", Show(items));
  for (int i = 0; i < 20 && items; ++i) {
    Result<MapiFolderPtr> next = Call(items.Value(), &FolderEnumerator::Next);
    if (next && !next.Value()) break;
    line("Next", Show(next) + " " + Show(Call(next.ValueOr(nullptr), &MapiFolder::Name)));
    if (!next) break;
  }
  line("Bad folder", Show(Call(nameSpace, &NameSpace::GetFolderFromID, std::string("0BAD"), std::string())));
  line("Other folder",
       Show(Call(Call(nameSpace, &NameSpace::GetFolderFromID, otherFolderId, std::string()).ValueOr(nullptr),
                 &MapiFolder::EntryID)));
  line("Bad default", Show(Call(nameSpace, &NameSpace::GetDefaultFolder, 99)));
  Result<Variant> mapiObject = Call(nameSpace, &NameSpace::GetProperty, std::string("MAPIOBJECT"));
  line("MAPIOBJECT", Show(mapiObject));
  line("Unknown member", Show(Call(nameSpace, &NameSpace::GetProperty, std::string("NoSuchMember"))));

  Result<RdoSessionPtr> created = rdo.CreateSession(kRdoProgId);
  line("CreateSession", Show(created));
  const RdoSessionPtr session = created.ValueOr(nullptr);
  line("ProfileName before logon", Show(Call(session, &RdoSession::ProfileName)));
  line("MAPIOBJECT put", Show(Call(session, &RdoSession::PutMAPIOBJECT, mapiObject.ValueOr(Variant()))));
  line("Logon", Show(Call(session, &RdoSession::Logon, std::string(), std::string(), false, false)));
  line("ProfileName", Show(Call(session, &RdoSession::ProfileName)));
  Result<RdoStorePtr> store = Call(Call(session, &RdoSession::Stores).ValueOr(nullptr), &RdoStores::DefaultStore);
  const Result<std::string> storeId = Call(store.ValueOr(nullptr), &RdoStore::EntryID);
  line("DefaultStore.EntryID", Show(storeId));
  Result<RdoSearchFolderPtr> search =
      Call(Call(store.ValueOr(nullptr), &RdoStore::Reminders).ValueOr(nullptr), &RdoReminders::SearchFolder);
  const RdoSearchFolderPtr searchFolder = search.ValueOr(nullptr);
  line("SearchFolder.Name", Show(Call(searchFolder, &RdoFolder::Name)));
  Result<RdoSearchContainersPtr> containers = Call(searchFolder, &RdoSearchFolder::SearchContainers);
  const RdoSearchContainersPtr list = containers.ValueOr(nullptr);
  line("Count", Show(Call(list, &RdoSearchContainers::Count)));
  Result<RdoFolderPtr> first = Call(list, &RdoSearchContainers::Item, 1);
  line("Item(1).Name", Show(Call(first.ValueOr(nullptr), &RdoFolder::Name)));
  line("Item(1).StoreID", Show(Call(first.ValueOr(nullptr), &RdoFolder::StoreID)));
  line("Item(99)", Show(Call(list, &RdoSearchContainers::Item, 99)));
  line("Stop", Show(Call(searchFolder, &RdoSearchFolder::Stop)));
  Result<RdoFolderPtr> other = Call(session, &RdoSession::GetFolderFromID, otherFolderId, storeId.ValueOr(""));
  line("GetFolderFromID", Show(Call(other.ValueOr(nullptr), &RdoFolder::Name)));
  line("Class", Show(Call(other.ValueOr(nullptr), &RdoFolder::Fields, mapi::kPrContainerClass)));
  line("Subfolders", Show(Call(other.ValueOr(nullptr), &RdoFolder::Fields, mapi::kPrSubfolders)));
  line("Missing field", Show(Call(other.ValueOr(nullptr), &RdoFolder::Fields, 0x12340003u)));
  line("Add(folder)",
       Show(Call(list, static_cast<Status (RdoSearchContainers::*)(const RdoFolderPtr&)>(&RdoSearchContainers::Add),
                 other.ValueOr(nullptr))));
  line("Add(id)",
       Show(Call(list, static_cast<Status (RdoSearchContainers::*)(const std::string&)>(&RdoSearchContainers::Add),
                 std::string("00112233"))));
  line("Remove(1)", Show(Call(list, &RdoSearchContainers::Remove, 1)));
  line("Count after", Show(Call(list, &RdoSearchContainers::Count)));
  line("Start", Show(Call(searchFolder, &RdoSearchFolder::Start)));
  line("IsRunning", Show(Call(searchFolder, &RdoSearchFolder::IsRunning)));
  line("Same", Show(Call(session, &RdoSession::CompareEntryIDs, otherFolderId, otherFolderId)));
  line("Bad compare", Show(Call(session, &RdoSession::CompareEntryIDs, otherFolderId, std::string("XYZ"))));
  line("OnStatusChange", Show(Call(site, &PropertyPageSite::OnStatusChange)));
  return out;
}

struct Fault {
  const char* Kind;
  const char* Method;
  int32_t Number;
  bool Nothing = false;
};

class HostAdapterRdoProgId : public ComApartment, public testing::WithParamInterface<Fault> {};

// Each fault makes one host call fail (of each kind of failure: an error number, a host
// HRESULT, Nothing returned); the walk then goes on as far as it can.
const Fault kFaults[] = {
    {"", "", 0},
    {"PropertyPageSite", "Application", 0, true},
    {"Application", "Version", err::kMapiNetworkError},
    {"COMAddIns", "Item", err::kMapiNotFound},
    {"COMAddIn", "Object", 0, true},
    {"PPClass", "Online", err::kObjectDoesNotSupport},
    {"NameSpace", "GetDefaultFolder", err::kMapiNotFound},
    {"MAPIFolder", "Parent", err::kTypeMismatch},
    {"Folders", "NewEnum", err::kMapiCallFailed},
    {"NameSpace", "MAPIOBJECT", err::kMapiNoSupport},
    {"RDOFactory", "CreateSession", err::kCantCreateObject},
    {"RDOSession", "Logon", static_cast<int32_t>(0x80040111)},
    {"RDOStores", "DefaultStore", 0, true},
    {"RDOReminders", "SearchFolder", err::kMapiNotFound},
    {"RDOFolder", "Fields", err::kMapiNotFound},
    {"RDOSession", "CompareEntryIDs", err::kObjectNotSet},
    {"PropertyPageSite", "OnStatusChange", err::kMapiCallFailed},
};

TEST_P(HostAdapterRdoProgId, WalkThroughComMatchesTheNativeWalk) {
  const Fault& fault = GetParam();
  sim::SimulatedOutlook native;
  sim::SimulatedOutlook behindCom;
  if (fault.Kind[0] != '\0') {
    for (sim::SimulatedOutlook* outlook : {&native, &behindCom}) {
      sim::FaultRule rule = sim::MakeFault(fault.Kind, fault.Method, fault.Number);
      rule.ReturnNothing = fault.Nothing;
      ASSERT_TRUE(outlook->AddFault(rule).Ok());
    }
  }
  const std::string otherId = native.Id("Calendar");
  ASSERT_FALSE(otherId.empty());
  const std::string expected = Walk(native.PageSite(), native, otherId);

  standin::RdoRegistration registration(behindCom);
  ASSERT_EQ(registration.Outcome(), S_OK);
  com::ComRdoFactory factory;
  std::string actual;
  {
    com::ComPtr<IDispatch> site = standin::PageSite(behindCom);
    actual = Walk(com::WrapPageSite(site.Get()), factory, otherId);
  }
  EXPECT_EQ(actual, expected);
  EXPECT_EQ(behindCom.CallTrace(), native.CallTrace());
  EXPECT_EQ(behindCom.SearchHistory(), native.SearchHistory());
  EXPECT_EQ(behindCom.LiveObjects(), 0) << behindCom.LiveObjectReport();
  if (fault.Kind[0] == '\0') {
    // The reference walk itself reached everything.
    EXPECT_NE(expected.find("Version: 11.0.0.8010"), std::string::npos) << expected;
    EXPECT_NE(expected.find("IsRunning: True"), std::string::npos) << expected;
    EXPECT_NE(expected.find("Logon: ok\nProfileName: Outlook\n"), std::string::npos) << expected;
  } else {
    EXPECT_NE(native.CallTrace().find(std::string(fault.Kind) + "." + fault.Method), std::string::npos);
  }
}

INSTANTIATE_TEST_SUITE_P(Faults, HostAdapterRdoProgId, testing::ValuesIn(kFaults),
                         [](const testing::TestParamInfo<Fault>& info) {
                           return info.param.Kind[0] == '\0' ? std::string("None")
                                                             : std::string(info.param.Kind) + "_" + info.param.Method;
                         });

class RegisteredRdoProgId : public ComApartment {};

TEST_F(RegisteredRdoProgId, CreateObjectThatCannotCreateIsError429) {
  sim::SimulatedOutlook outlook;
  outlook.Model().RdoRegistered = false;
  standin::RdoRegistration registration(outlook);
  ASSERT_EQ(registration.Outcome(), S_OK);
  // A ProgID nobody registered, and a registered class that refuses to create.
  for (const char* progId : {"QFSMAPI.NoSuchSession", kRdoProgId}) {
    Result<RdoSessionPtr> session = com::ComRdoFactory().CreateSession(progId);
    ASSERT_FALSE(session.Ok()) << progId;
    EXPECT_EQ(session.Error(), (ErrorInfo{429, "ActiveX component can't create object", "PPBellnest"})) << progId;
  }
  EXPECT_EQ(outlook.LiveObjects(), 0);
}

}  // namespace
}  // namespace bellnest
