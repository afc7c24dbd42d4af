// PPBellnest.dll as COM and Outlook see it, under Wine: registration per user and per machine,
// creation by ProgID, the control's interfaces, PropertyPage through IDispatch,
// the type library, and the module count that lets COM unload the DLL.
#include <gtest/gtest.h>

#include <string>

#include "com/com_ptr.h"
#include "com/ppbellnest_h.h"
#include "platform/win32/windows_api.h"
#include "windows/com/com_test_support.h"
#include "windows/win32_test_world.h"

namespace bellnest::com {
namespace {

class ComServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server_.Module()) << "cannot load the DLL";
    ASSERT_TRUE(SUCCEEDED(::OleInitialize(nullptr)));
  }
  void TearDown() override {
    if (server_.Module()) {
      server_.Install(FALSE, L"user");
      server_.Unregister();
    }
    ::OleUninitialize();
  }
  // Registered, created by ProgID as Outlook creates it. Per machine: Wine's COM looks up
  // classes in HKLM\Software\Classes only, where Windows would find a per-user registration too.
  ComPtr<IUnknown> CreateByProgId() {
    EXPECT_EQ(server_.Register(), S_OK);
    CLSID clsid{};
    EXPECT_EQ(::CLSIDFromProgID(L"PPBellnest.UserControl1", &clsid), S_OK);
    EXPECT_TRUE(IsEqualCLSID(clsid, CLSID_UserControl1));
    ComPtr<IUnknown> control;
    EXPECT_EQ(::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, control.PutVoid()), S_OK);
    return control;
  }

  Server server_;
};

TEST_F(ComServerTest, RegistersPerUserAndPerMachineAndUnregistersExactlyItsOwnKeys) {
  const std::wstring clsid = L"Software\\Classes\\CLSID\\" + Guid(CLSID_UserControl1);
  const std::wstring library = L"Software\\Classes\\TypeLib\\" + Guid(LIBID_PPBellnest);
  // Outlook's own interface key, which registering a library that names its interfaces must
  // leave alone.
  const std::wstring outlookInterface = L"Software\\Classes\\Interface\\" + Guid(IID_PropertyPage);
  struct Case {
    const char* name;
    HKEY hive;
    bool perUser;
  };
  for (const Case& c : {Case{"per user", HKEY_CURRENT_USER, true}, Case{"per machine", HKEY_LOCAL_MACHINE, false}}) {
    SCOPED_TRACE(c.name);
    HKEY planted = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(c.hive, outlookInterface.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &planted, nullptr),
              ERROR_SUCCESS);
    ::RegSetValueExW(planted, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(L"PropertyPage"), 26);
    ::RegCloseKey(planted);

    for (int round = 0; round < 2; ++round) {  // twice is harmless
      ASSERT_EQ(c.perUser ? server_.Install(TRUE, L" USER ") : server_.Register(), S_OK);
    }
    EXPECT_EQ(ReadValue(c.hive, clsid + L"\\InprocServer32"), DllPath());
    EXPECT_EQ(ReadValue(c.hive, clsid + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");
    EXPECT_EQ(ReadValue(c.hive, clsid + L"\\ProgID"), L"PPBellnest.UserControl1");
    EXPECT_EQ(ReadValue(c.hive, L"Software\\Classes\\PPBellnest.UserControl1\\CLSID"), Guid(CLSID_UserControl1));
    EXPECT_TRUE(KeyExists(c.hive, clsid + L"\\Control"));
    EXPECT_EQ(ReadValue(c.hive, clsid + L"\\MiscStatus\\1"),
              std::to_wstring(OLEMISC_SETCLIENTSITEFIRST | OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_INSIDEOUT |
                              OLEMISC_RECOMPOSEONRESIZE | OLEMISC_CANTLINKINSIDE));
    EXPECT_EQ(ReadValue(c.hive, clsid + L"\\TypeLib"), Guid(LIBID_PPBellnest));
    EXPECT_EQ(ReadValue(c.hive, clsid + L"\\Version"), L"1.0");
    // A type library's path is kept per bitness of the DLL that holds it.
    EXPECT_EQ(ReadValue(c.hive, library + (sizeof(void*) == 8 ? L"\\1.0\\0\\win64" : L"\\1.0\\0\\win32")), DllPath());
    if (!c.perUser) {  // Wine finds per-user registrations of type libraries no more than of classes
      ComPtr<ITypeLib> registered;
      EXPECT_EQ(::LoadRegTypeLib(LIBID_PPBellnest, 1, 0, 0, registered.Put()), S_OK);
    }

    ASSERT_EQ(c.perUser ? server_.Install(FALSE, L"user") : server_.Unregister(), S_OK);
    for (const std::wstring& key :
         {clsid, std::wstring(L"Software\\Classes\\PPBellnest.UserControl1"), library,
          L"Software\\Classes\\Interface\\" + Guid(IID__clsPPSearchFolders)}) {
      EXPECT_FALSE(KeyExists(c.hive, key)) << std::string(key.begin(), key.end());
    }
    EXPECT_EQ(ReadValue(c.hive, outlookInterface), L"PropertyPage");
    ::RegDeleteKeyW(c.hive, outlookInterface.c_str());
  }
}

TEST_F(ComServerTest, ControlAnswersEveryInterfaceOfAnOleControlAndOutlooksPage) {
  ComPtr<IUnknown> control = CreateByProgId();
  ASSERT_TRUE(control);
  const IID* interfaces[] = {&IID_IOleObject,        &IID_IOleWindow,           &IID_IOleInPlaceObject,
                             &IID_IOleInPlaceActiveObject, &IID_IOleControl,    &IID_IViewObject,
                             &IID_IViewObject2,      &IID_IPersist,             &IID_IPersistStreamInit,
                             &IID_IPersistPropertyBag, &IID_IProvideClassInfo,  &IID_IProvideClassInfo2,
                             &IID_IDispatch,         &IID_PropertyPage};
  for (const IID* iid : interfaces) {
    ComPtr<IUnknown> answer;
    EXPECT_EQ(control.As(*iid, answer), S_OK) << std::string(Guid(*iid).begin(), Guid(*iid).end());
    // Every interface leads back to the one identity.
    ComPtr<IUnknown> identity;
    ASSERT_EQ(answer.As(IID_IUnknown, identity), S_OK);
    EXPECT_EQ(identity.Get(), control.Get());
  }
  void* none = reinterpret_cast<void*>(1);
  EXPECT_EQ(control->QueryInterface(IID_IClassFactory, &none), E_NOINTERFACE);
  EXPECT_EQ(none, nullptr);
}

// By vtable the container's page session calls them; here late bound, as a script would.
TEST_F(ComServerTest, PropertyPageAnswersThroughDispatch) {
  ComPtr<IUnknown> control = CreateByProgId();
  ComPtr<IPersistStreamInit> persist;
  ASSERT_EQ(control.As(IID_IPersistStreamInit, persist), S_OK);
  ASSERT_EQ(persist->InitNew(), S_OK);
  EXPECT_EQ(persist->InitNew(), CO_E_ALREADYINITIALIZED);

  ComPtr<IDispatch> dispatch;
  ASSERT_EQ(control.As(IID_IDispatch, dispatch), S_OK);
  struct Member {
    const wchar_t* name;
    DISPID id;
  };
  for (const Member& m : {Member{L"GetPageInfo", 0x2100}, Member{L"Dirty", 0x2101}, Member{L"Apply", 0x2102}}) {
    LPOLESTR name = const_cast<LPOLESTR>(m.name);
    DISPID id = 0;
    EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, &name, 1, 0, &id), S_OK);
    EXPECT_EQ(id, m.id);
  }
  VARIANT args[2];  // reversed: HelpContext, HelpFile
  BSTR byRefFile = ::SysAllocString(L"caller's text");
  LONG byRefContext = 0;
  V_VT(&args[0]) = VT_I4 | VT_BYREF;
  V_I4REF(&args[0]) = &byRefContext;
  V_VT(&args[1]) = VT_BSTR | VT_BYREF;
  V_BSTRREF(&args[1]) = &byRefFile;
  DISPPARAMS params{args, nullptr, 2, 0};
  EXCEPINFO exception{};
  EXPECT_EQ(dispatch->Invoke(0x2100, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, &exception, nullptr), S_OK);
  EXPECT_EQ(byRefContext, 1050);
  EXPECT_EQ(std::wstring(byRefFile ? byRefFile : L""), L"");  // without a site set-up waits: no help file yet
  ::SysFreeString(byRefFile);
  VARIANT result;
  ::VariantInit(&result);
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  EXPECT_EQ(dispatch->Invoke(0x2101, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &result, &exception, nullptr), S_OK);
  EXPECT_EQ(V_VT(&result), VT_BOOL);
  EXPECT_EQ(V_BOOL(&result), VARIANT_FALSE);
  EXPECT_EQ(dispatch->Invoke(0x1234, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, &exception, nullptr),
            DISP_E_MEMBERNOTFOUND);
}

TEST_F(ComServerTest, TypeLibraryLoadsFromTheDllAndSearchFoldersIsNotCreatable) {
  ComPtr<ITypeLib> library;
  ASSERT_EQ(::LoadTypeLibEx(DllPath().c_str(), REGKIND_NONE, library.Put()), S_OK);
  ComPtr<ITypeInfo> control;
  EXPECT_EQ(library->GetTypeInfoOfGuid(CLSID_UserControl1, control.Put()), S_OK);
  ComPtr<IClassFactory> factory;
  EXPECT_EQ(server_.GetClassObject(CLSID_clsPPSearchFolders, IID_IClassFactory, factory.PutVoid()),
            CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_FALSE(factory);
}

TEST_F(ComServerTest, DllCanUnloadNowOnlyOnceEveryObjectAndLockIsGone) {
  EXPECT_EQ(server_.CanUnloadNow(), S_OK);
  ComPtr<IClassFactory> factory;
  ASSERT_EQ(server_.GetClassObject(CLSID_UserControl1, IID_IClassFactory, factory.PutVoid()), S_OK);
  EXPECT_EQ(server_.CanUnloadNow(), S_FALSE);
  ComPtr<IOleObject> control;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IOleObject, control.PutVoid()), S_OK);
  ComPtr<IUnknown> outer;
  EXPECT_EQ(factory->CreateInstance(control.Get(), IID_IUnknown, outer.PutVoid()), CLASS_E_NOAGGREGATION);
  ASSERT_EQ(factory->LockServer(TRUE), S_OK);
  factory = nullptr;
  control = nullptr;
  EXPECT_EQ(server_.CanUnloadNow(), S_FALSE);  // the lock alone keeps it
  ComPtr<IClassFactory> again;
  ASSERT_EQ(server_.GetClassObject(CLSID_UserControl1, IID_IClassFactory, again.PutVoid()), S_OK);
  again->LockServer(FALSE);
  again = nullptr;
  EXPECT_EQ(server_.CanUnloadNow(), S_OK);
}

}  // namespace
}  // namespace bellnest::com
