// The companion add-in under Wine: its registration, and Outlook's add-in loading in the
// stand-in connecting the real DLL, adding the options page and answering PPClass.Online the
// way the page reads it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "com/dispatch.h"
#include "com/ppbellnest_h.h"
#include "com/host_adapters.h"
#include "sim/profile/simulated_outlook.h"
#include "standin/addin_host.h"
#include "standin/standin.h"
#include "windows/com/com_test_support.h"

namespace bellnest::com {
namespace {

const std::wstring kAddinKey = L"Software\\Microsoft\\Office\\Outlook\\Addins\\Bellnest.Connect";
const std::wstring kOtherAddinKey = L"Software\\Microsoft\\Office\\Outlook\\Addins\\Other.Addin";

class AddinTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(addin_.Module()) << "cannot load the add-in";
    ASSERT_TRUE(SUCCEEDED(::OleInitialize(nullptr)));
  }
  void TearDown() override {
    if (addin_.Module()) {
      addin_.Install(FALSE, L"user");
      addin_.Unregister();
    }
    ::OleUninitialize();
  }

  Server addin_{AddinPath()};
};

TEST_F(AddinTest, RegistersItsOutlookEntryPerUserAndPerMachineAndRemovesExactlyThat) {
  for (HKEY hive : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
    const bool perUser = hive == HKEY_CURRENT_USER;
    SCOPED_TRACE(perUser ? "per user" : "per machine");
    ASSERT_EQ(::RegSetKeyValueW(hive, kOtherAddinKey.c_str(), L"LoadBehavior", REG_SZ, L"3", 4), ERROR_SUCCESS);
    for (int round = 0; round < 2; ++round) ASSERT_EQ(perUser ? addin_.Install(TRUE, L"user") : addin_.Register(), S_OK);

    EXPECT_EQ(ReadValue(hive, kAddinKey, L"FriendlyName"), L"Bellnest");
    EXPECT_EQ(ReadValue(hive, kAddinKey, L"Description"),
              L"Microsoft\u00AE Outlook\u00AE COM add-in to extend reminders to non-default folders.");
    EXPECT_EQ(ReadValue(hive, kAddinKey, L"LoadBehavior"), L"3");
    const std::wstring clsid = ReadValue(hive, L"Software\\Classes\\Bellnest.Connect\\CLSID");
    EXPECT_EQ(ReadValue(hive, L"Software\\Classes\\CLSID\\" + clsid + L"\\InprocServer32"), AddinPath());
    EXPECT_FALSE(KeyExists(perUser ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER, kAddinKey));

    ASSERT_EQ(perUser ? addin_.Install(FALSE, L"user") : addin_.Unregister(), S_OK);
    for (const std::wstring& key :
         {kAddinKey, std::wstring(L"Software\\Classes\\Bellnest.Connect"), L"Software\\Classes\\CLSID\\" + clsid})
      EXPECT_FALSE(KeyExists(hive, key)) << std::string(key.begin(), key.end());
    EXPECT_EQ(ReadValue(hive, kOtherAddinKey, L"LoadBehavior"), L"3");
    ::RegDeleteTreeW(hive, kOtherAddinKey.c_str());
  }
}

// The least container the options page needs to initialise: a client site answering
// Outlook's PropertyPageSite.
class ClientSite final : public IOleClientSite {
 public:
  explicit ClientSite(ComPtr<IDispatch> pageSite) : pageSite_(std::move(pageSite)) {}
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    *out = nullptr;
    if (IsEqualIID(iid, IID_PropertyPageSite)) return pageSite_->QueryInterface(iid, out);
    if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IOleClientSite)) return E_NOINTERFACE;
    *out = static_cast<IOleClientSite*>(this);
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }  // lives on the test's stack
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP SaveObject() override { return S_OK; }
  STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** moniker) override {
    *moniker = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP GetContainer(IOleContainer** container) override {
    *container = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP ShowObject() override { return S_OK; }
  STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
  STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

 private:
  ComPtr<IDispatch> pageSite_;
};

// The page Outlook creates for the request, initialised on the stand-in's page site: it asks the
// add-in whether Outlook is online, then closes.
void RunPage(const Server& page, sim::SimulatedOutlook& outlook) {
  ComPtr<IClassFactory> factory;
  ASSERT_EQ(page.GetClassObject(CLSID_UserControl1, IID_IClassFactory, factory.PutVoid()), S_OK);
  ComPtr<IOleObject> control;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IOleObject, control.PutVoid()), S_OK);
  ClientSite site(standin::PageSite(outlook));
  ASSERT_EQ(control->SetClientSite(&site), S_OK);
  ComPtr<IPersistStreamInit> persist;
  ASSERT_EQ(control.As(IID_IPersistStreamInit, persist), S_OK);
  ASSERT_EQ(persist->InitNew(), S_OK);
  EXPECT_EQ(control->Close(OLECLOSE_NOSAVE), S_OK);
  EXPECT_EQ(control->SetClientSite(nullptr), S_OK);
}

// The page's own reading of the add-in: COMAddIns.Item("Bellnest.Connect").Object.PPClass.Online.
Result<Variant> PageReadsOnline(const ComPtr<IDispatch>& application) {
  ApplicationPtr app = WrapApplication(application.Get());
  Result<ComAddInsPtr> addins = app->COMAddIns();
  if (!addins) return addins.Error();
  Result<ComAddInPtr> addin = addins.Value()->Item("Bellnest.Connect");
  if (!addin) return addin.Error();
  Result<DispatchPtr> object = addin.Value()->Object();
  if (!object || !object.Value()) return object ? Result<Variant>(Variant(DispatchPtr())) : object.Error();
  Result<Variant> ppClass = object.Value()->GetProperty("PPClass");
  if (!ppClass) return ppClass.Error();
  return std::get<DispatchPtr>(ppClass.Value())->GetProperty("Online");
}

TEST_F(AddinTest, StandInConnectsTheAddinWhichAddsThePageAndTellsWhetherOutlookIsOnline) {
  struct Case {
    const char* name;
    bool registered;
    DWORD loadBehavior;
    bool profileOnline;
    bool offlineUnreadable;
    size_t pages;
    Variant online;  // Empty: the page finds no add-in object
    const wchar_t* loadBehaviorAfter;
  };
  const Case cases[] = {
      {"online", true, 3, true, false, 1, true, L"3"},
      {"working offline", true, 3, false, false, 1, false, L"3"},
      {"Offline cannot be read", true, 3, false, true, 1, true, L"3"},
      {"not loaded at start-up", true, 0, true, false, 0, Empty{}, L"0"},
      {"class not registered", false, 3, true, false, 0, Empty{}, L"2"},
  };
  Server page;
  ASSERT_TRUE(page.Module());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.registered) {
      ASSERT_EQ(addin_.Install(TRUE, L"user"), S_OK);
    }
    const DWORD behavior = c.loadBehavior;
    ::RegSetKeyValueW(HKEY_CURRENT_USER, kAddinKey.c_str(), L"LoadBehavior", REG_DWORD, &behavior, sizeof behavior);
    {
      sim::SimulatedOutlook outlook;
      standin::RdoRegistration rdo(outlook);
      ASSERT_EQ(rdo.Outcome(), S_OK);
      outlook.Model().AddIn.Online = c.profileOnline;
      if (c.offlineUnreadable) {
        ASSERT_TRUE(outlook.AddFault(sim::MakeFault("NameSpace", "Offline")).Ok());
      }
      {
        standin::AddinHost host(outlook);
        host.Connect();
        EXPECT_EQ(host.Connected().size(), c.pages);
        EXPECT_EQ(host.Failures().size(), c.registered ? 0u : 1u);
        EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, kAddinKey, L"LoadBehavior"), c.loadBehaviorAfter);

        const std::vector<standin::OptionsPageRequest> pages = host.OptionsPagesAdd();
        ASSERT_EQ(pages.size(), c.pages);
        if (c.pages == 1) {
          EXPECT_EQ(pages[0].ProgId, L"PPBellnest.UserControl1");
          EXPECT_EQ(pages[0].Caption, L"Bellnest");
          EXPECT_FALSE(pages[0].Control);
        }
        // The page site hands the page the Application the add-in holds.
        {
          ComPtr<IDispatch> site = standin::PageSite(outlook);
          Result<ApplicationPtr> viaSite = WrapPageSite(site.Get())->Application();
          ASSERT_TRUE(viaSite.Ok());
          ComPtr<IUnknown> siteApp(ComObjectOf(viaSite.Value().get())), hostApp;
          ASSERT_EQ(host.Application().As(IID_IUnknown, hostApp), S_OK);
          EXPECT_EQ(siteApp.Get(), hostApp.Get());
        }
        // The page itself reads Online through the add-in, which asks the NameSpace.
        if (c.pages == 1) {
          RunPage(page, outlook);
          EXPECT_EQ(outlook.CountCalls("NameSpace", "Offline"), 1);
          outlook.ClearCalls();
        }

        Result<Variant> online = PageReadsOnline(host.Application());
        ASSERT_TRUE(online.Ok()) << online.Error().Description;
        if (std::holds_alternative<Empty>(c.online)) {
          EXPECT_FALSE(std::get<DispatchPtr>(online.Value()));
        } else {
          EXPECT_EQ(online.Value(), c.online);
          EXPECT_EQ(outlook.CountCalls("NameSpace", "Offline"), 1);
        }
        host.Disconnect();
        EXPECT_TRUE(host.Connected().empty());
      }
      EXPECT_EQ(outlook.LiveObjects(), 0) << outlook.LiveObjectReport();
    }
    EXPECT_EQ(standin::LiveComObjects(), 0);
    EXPECT_EQ(addin_.CanUnloadNow(), S_OK);
    EXPECT_EQ(page.CanUnloadNow(), S_OK);
    addin_.Install(FALSE, L"user");
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kAddinKey.c_str());
  }
  // Outlook has let go of both libraries: with the test's own references gone, they unload
  // (nothing of theirs stays behind that would hold them while Outlook runs on).
  EXPECT_TRUE(page.Unload());
  EXPECT_TRUE(addin_.Unload());
}

}  // namespace
}  // namespace bellnest::com
