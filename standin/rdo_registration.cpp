// The class object that creates simulated RDO sessions, and its registration for one process.
#include <string>

#include "standin/addin_host.h"
#include "standin/dispatch_object.h"
#include "standin/standin.h"

namespace bellnest::standin {

namespace {

constexpr const wchar_t* kProgIdKey = L"Software\\Classes\\QFSMAPI.QFSSession";

class SessionClass final : public SingleInterface<IClassFactory, &IID_IClassFactory> {
 public:
  explicit SessionClass(sim::SimulatedOutlook& outlook) : outlook_(outlook) {}

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    try {
      Result<com::ComPtr<IDispatch>> session = CreateRdoSession(outlook_);
      if (!session) return com::SetComError(session.Error());
      return session.Value()->QueryInterface(iid, out);
    } catch (...) {
      LogError(ErrorInfo{static_cast<int32_t>(E_UNEXPECTED), "exception in CreateInstance", "standin"}, "standin",
               "CreateInstance", "");
      return E_UNEXPECTED;
    }
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

 private:
  sim::SimulatedOutlook& outlook_;
};

std::wstring ClsidText(const CLSID& clsid) {
  wchar_t text[40] = {};
  ::StringFromGUID2(clsid, text, 40);
  return text;
}

}  // namespace

// With an add-in host attached, Outlook has one Application: the one its add-ins hold.
com::ComPtr<IDispatch> PageSite(sim::SimulatedOutlook& outlook) {
  AddinHost* host = AttachedHost(outlook);
  return ServePageSite(outlook.PageSite(), host != nullptr ? host->Application() : nullptr);
}
com::ComPtr<IDispatch> Application(sim::SimulatedOutlook& outlook) {
  if (AddinHost* host = AttachedHost(outlook)) return host->Application();
  return ServeApplication(outlook.Application());
}

namespace {

LSTATUS WriteProgId(HKEY root, const std::wstring& clsid) {
  HKEY key = nullptr;
  const std::wstring clsidKey = std::wstring(kProgIdKey) + L"\\CLSID";
  LSTATUS rc = ::RegCreateKeyExW(root, clsidKey.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
  if (rc != ERROR_SUCCESS) return rc;
  rc = ::RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(clsid.c_str()),
                        static_cast<DWORD>((clsid.size() + 1) * sizeof(wchar_t)));
  ::RegCloseKey(key);
  return rc;
}

}  // namespace

Result<com::ComPtr<IDispatch>> CreateRdoSession(sim::SimulatedOutlook& outlook) {
  Result<RdoSessionPtr> session = outlook.CreateSession(kRdoProgId);
  if (!session) return session.Error();
  return ServeRdoSession(session.Value());
}

RdoRegistration::RdoRegistration(sim::SimulatedOutlook& outlook) {
  auto factory = com::ComPtr<IClassFactory>::Attach(new SessionClass(outlook));
  status_ =
      ::CoRegisterClassObject(kClsidRdoSession, factory.Get(), CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie_);
  if (FAILED(status_)) return;
  const std::wstring clsid = ClsidText(kClsidRdoSession);
  status_ = HRESULT_FROM_WIN32(WriteProgId(HKEY_CURRENT_USER, clsid));
  if (FAILED(status_)) return;
  // Windows reads the user's classes first; Wine 8 reads ProgIDs from the machine's classes
  // only, so there the key goes there too (the test prefix is the test's own machine).
  CLSID found;
  if (FAILED(::CLSIDFromProgID(L"QFSMAPI.QFSSession", &found))) {
    machineKey_ = true;
    status_ = HRESULT_FROM_WIN32(WriteProgId(HKEY_LOCAL_MACHINE, clsid));
  }
}

RdoRegistration::~RdoRegistration() {
  if (cookie_ != 0) ::CoRevokeClassObject(cookie_);
  ::RegDeleteTreeW(HKEY_CURRENT_USER, kProgIdKey);
  if (machineKey_) ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kProgIdKey);
}

}  // namespace bellnest::standin
