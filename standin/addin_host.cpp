// Outlook's add-in loading in the stand-in: the Addins keys, creation by ProgID, the
// IDTExtensibility2 calls at start and exit, the add-in instances (COMAddIn, whose Object the
// add-in sets) and the PropertyPages object that OptionsPagesAdd hands the sinks.
#include "standin/addin_host.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "addin/bellnest_connect_h.h"
#include "standin/dispatch_object.h"
#include "standin/standin.h"

namespace bellnest::standin {

using com::ComPtr;

namespace {

constexpr const wchar_t* kAddinsKey = L"Software\\Microsoft\\Office\\Outlook\\Addins";
constexpr DWORD kConnected = 1;         // LoadBehavior bit 0: connect at start-up
constexpr DWORD kLoadFailed = 2;        // what Outlook writes for an add-in that failed to load
constexpr LONG kStartup = 1;            // ext_cm_Startup
constexpr LONG kHostShutdown = 0;       // ext_dm_HostShutdown
constexpr DISPID kOptionsPagesAdd = 0xF005;

std::wstring Hex(HRESULT hr) {
  wchar_t text[16];
  std::swprintf(text, 16, L"0x%08lX", static_cast<unsigned long>(hr));
  return text;
}

bool SameProgId(const std::wstring& a, const std::wstring& b) { return ::lstrcmpiW(a.c_str(), b.c_str()) == 0; }

// ---- the registry, as Outlook and COM read it ----

std::optional<std::wstring> ReadText(HKEY hive, const std::wstring& key, const wchar_t* name = nullptr) {
  wchar_t text[MAX_PATH * 2] = {};
  DWORD bytes = sizeof(text);
  if (::RegGetValueW(hive, key.c_str(), name, RRF_RT_REG_SZ, nullptr, text, &bytes) != ERROR_SUCCESS) return std::nullopt;
  return std::wstring(text);
}

// HKCR as Windows merges it: the user's classes first, then the machine's. Wine 8 reads the
// machine's alone, so a class registered per user is looked up here as Windows would.
std::optional<std::wstring> ReadClasses(const std::wstring& key) {
  for (HKEY hive : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
    if (std::optional<std::wstring> value = ReadText(hive, L"Software\\Classes\\" + key)) return value;
  }
  return std::nullopt;
}

}  // namespace

HRESULT CreateByProgId(const std::wstring& progId, REFIID iid, void** out, HMODULE* library) {
  *out = nullptr;
  if (library) *library = nullptr;
  std::optional<std::wstring> clsidText = ReadClasses(progId + L"\\CLSID");
  CLSID clsid{};
  if (!clsidText || FAILED(::CLSIDFromString(clsidText->c_str(), &clsid))) return REGDB_E_CLASSNOTREG;
  HRESULT hr = ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, iid, out);
  if (hr != REGDB_E_CLASSNOTREG) return hr;
  // Registered for this user only: load the server as Windows' COM would.
  std::optional<std::wstring> path = ReadClasses(L"CLSID\\" + *clsidText + L"\\InprocServer32");
  if (!path) return REGDB_E_CLASSNOTREG;
  HMODULE loaded = ::LoadLibraryW(path->c_str());
  if (!loaded) return HRESULT_FROM_WIN32(::GetLastError());
  if (library) *library = loaded;
  using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
  auto get = reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(::GetProcAddress(loaded, "DllGetClassObject")));
  ComPtr<IClassFactory> factory;
  hr = get ? get(clsid, IID_IClassFactory, factory.PutVoid()) : CO_E_ERRORINDLL;
  return SUCCEEDED(hr) ? factory->CreateInstance(nullptr, iid, out) : hr;
}

namespace {

struct Listed {
  std::wstring ProgId;
  HKEY Hive;
  DWORD LoadBehavior;
};

// The Addins keys, the user's first; a ProgID listed in both counts once, as the user's.
std::vector<Listed> ListedAddins() {
  std::vector<Listed> listed;
  for (HKEY hive : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
    HKEY raw = nullptr;
    if (::RegOpenKeyExW(hive, kAddinsKey, 0, KEY_READ, &raw) != ERROR_SUCCESS) continue;
    win32::ScopedRegKey addins(raw);
    wchar_t name[256];
    for (DWORD i = 0;; ++i) {
      DWORD length = 256;
      if (::RegEnumKeyExW(addins.Get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
      if (std::any_of(listed.begin(), listed.end(), [&](const Listed& l) { return SameProgId(l.ProgId, name); })) continue;
      DWORD behavior = 0;
      DWORD bytes = sizeof(behavior);
      if (::RegGetValueW(addins.Get(), name, L"LoadBehavior", RRF_RT_REG_DWORD, nullptr, &behavior, &bytes) != ERROR_SUCCESS)
        behavior = 0;
      listed.push_back({name, hive, behavior});
    }
  }
  return listed;
}

void WriteLoadBehavior(HKEY hive, const std::wstring& progId, DWORD behavior) {
  const std::wstring key = std::wstring(kAddinsKey) + L"\\" + progId;
  ::RegSetKeyValueW(hive, key.c_str(), L"LoadBehavior", REG_DWORD, &behavior, sizeof(behavior));
}

// ---- the objects Outlook hands the add-ins ----

// One entry of COMAddIns as the add-in sees it at OnConnection.
class AddInEntry final : public DispObject {
 public:
  AddInEntry(std::wstring progId) : DispObject(Table()), progId_(std::move(progId)) {}
  const ComPtr<IDispatch>& Object() const { return object_; }
  void SetConnected(bool connected) { connected_ = connected; }

 private:
  static const std::vector<Member>& Table() {
    static const std::vector<Member> members = {
        {"Object", 1,
         [](DispObject& o, const Args&) -> Result<VariantValue> {
           return VariantValue::Object(static_cast<AddInEntry&>(o).object_.Get());
         }},
        {"Object", 1,
         [](DispObject& o, const Args& a) -> Result<VariantValue> {
           const VARIANT* value = a.At(0);
           Result<ComPtr<IDispatch>> object = value ? com::ObjectOf(*value) : Result<ComPtr<IDispatch>>(ComPtr<IDispatch>());
           if (!object) return object.Error();
           static_cast<AddInEntry&>(o).object_ = object.Value();
           return VariantValue();
         },
         true},
        {"ProgId", 2,
         [](DispObject& o, const Args&) -> Result<VariantValue> {
           const std::wstring& progId = static_cast<AddInEntry&>(o).progId_;
           return VariantValue::Text(com::Utf8FromWide(progId.c_str(), progId.size()));
         }},
        {"Connect", 3,
         [](DispObject& o, const Args&) -> Result<VariantValue> {
           return VariantValue::Boolean(static_cast<AddInEntry&>(o).connected_);
         }},
    };
    return members;
  }
  std::wstring progId_;
  ComPtr<IDispatch> object_;
  bool connected_ = false;
};

// The Options dialog's PropertyPages while OptionsPagesAdd runs: Add(Page, Caption), Page a
// ProgID or a control object.
class PropertyPages final : public DispObject {
 public:
  PropertyPages() : DispObject(Table()) {}
  const std::vector<OptionsPageRequest>& Requests() const { return requests_; }

 private:
  static const std::vector<Member>& Table() {
    static const std::vector<Member> members = {
        {"Add", 1,
         [](DispObject& o, const Args& a) -> Result<VariantValue> {
           OptionsPageRequest request;
           const VARIANT* page = a.At(0);
           if (page == nullptr) return RuntimeError(err::kInvalidProcedureCall);
           if (V_VT(page) == VT_DISPATCH || V_VT(page) == VT_UNKNOWN) {
             Result<ComPtr<IDispatch>> control = com::ObjectOf(*page);
             if (!control || !control.Value()) return RuntimeError(err::kTypeMismatch);
             request.Control = control.Value();
           } else {
             Result<std::string> progId = a.Text(0);
             if (!progId) return progId.Error();
             request.ProgId = com::WideFromUtf8(progId.Value());
           }
           Result<std::string> caption = a.Text(1);
           if (!caption) return caption.Error();
           request.Caption = com::WideFromUtf8(caption.Value());
           static_cast<PropertyPages&>(o).requests_.push_back(std::move(request));
           return VariantValue();
         }},
        {"Count", 2,
         [](DispObject& o, const Args&) -> Result<VariantValue> {
           return VariantValue::Long(static_cast<int32_t>(static_cast<PropertyPages&>(o).requests_.size()));
         }},
    };
    return members;
  }
  std::vector<OptionsPageRequest> requests_;
};

// The hosts attached on this thread, by the simulated Outlook they serve.
std::vector<std::pair<const sim::SimulatedOutlook*, AddinHost*>>& Attached() {
  thread_local std::vector<std::pair<const sim::SimulatedOutlook*, AddinHost*>> hosts;
  return hosts;
}

// An empty array for the custom argument of every IDTExtensibility2 call.
class EmptyCustom {
 public:
  EmptyCustom() : array_(::SafeArrayCreateVector(VT_VARIANT, 0, 0)) {}
  ~EmptyCustom() {
    if (array_) ::SafeArrayDestroy(array_);
  }
  EmptyCustom(const EmptyCustom&) = delete;
  EmptyCustom& operator=(const EmptyCustom&) = delete;
  SAFEARRAY** Get() { return &array_; }

 private:
  SAFEARRAY* array_;
};

}  // namespace

struct AddinHost::State final : sim::AddInList {
  explicit State(sim::SimulatedOutlook& outlook) : Outlook(outlook) {}

  struct Addin {
    std::wstring ProgId;
    ComPtr<IDispatch> Entry;  // its COMAddIn
    AddInEntry* EntryObject = nullptr;
    ComPtr<IDTExtensibility2> Extension;  // set while connected
  };

  sim::SimulatedOutlook& Outlook;
  ComPtr<IDispatch> App;
  std::vector<Addin> Addins;
  std::vector<std::wstring> Failures;
  std::vector<HMODULE> Libraries;  // add-in DLLs loaded here rather than by COM
  bool Started = false;

  std::optional<DispatchPtr> Find(const std::string& progId) override {
    const std::wstring wide = com::WideFromUtf8(progId);
    for (const Addin& addin : Addins) {
      if (SameProgId(addin.ProgId, wide)) return com::WrapDispatch(addin.EntryObject->Object().Get());
    }
    return std::nullopt;
  }

  // CreateObject(progId) as Outlook does it, with the class lookup of Windows.
  HRESULT Create(const std::wstring& progId, ComPtr<IDTExtensibility2>& out, std::wstring& reason) {
    ComPtr<IUnknown> object;
    HMODULE library = nullptr;
    HRESULT hr = CreateByProgId(progId, IID_IUnknown, object.PutVoid(), &library);
    if (library) Libraries.push_back(library);
    if (FAILED(hr)) {
      reason = hr == REGDB_E_CLASSNOTREG ? L"ProgID not registered" : L"cannot create " + progId + L" (" + Hex(hr) + L")";
      return hr;
    }
    hr = object.As(IID_IDTExtensibility2, out);
    if (FAILED(hr)) reason = L"no IDTExtensibility2 (" + Hex(hr) + L")";
    return hr;
  }

  void Fail(const Listed& listed, const std::wstring& reason) {
    WriteLoadBehavior(listed.Hive, listed.ProgId, kLoadFailed);
    Failures.push_back(listed.ProgId + L": " + reason);
  }

  // After the last reference into a DLL loaded here is gone, it may go too.
  void UnloadLibraries() {
    for (HMODULE library : Libraries) {
      using CanUnload = HRESULT(STDAPICALLTYPE*)(void);
      auto canUnload = reinterpret_cast<CanUnload>(reinterpret_cast<void*>(::GetProcAddress(library, "DllCanUnloadNow")));
      if (canUnload && canUnload() == S_OK) ::FreeLibrary(library);
    }
    Libraries.clear();
    ::CoFreeUnusedLibraries();
  }
};

AddinHost::AddinHost(sim::SimulatedOutlook& outlook) : state_(std::make_shared<State>(outlook)) {
  state_->App = ServeApplication(outlook.Application());
  outlook.SetAddInList(state_);
  Attached().emplace_back(&outlook, this);
}

AddinHost::~AddinHost() {
  Disconnect();
  state_->Outlook.SetAddInList(nullptr);
  auto& hosts = Attached();
  hosts.erase(std::remove_if(hosts.begin(), hosts.end(), [this](const auto& h) { return h.second == this; }),
              hosts.end());
}

void AddinHost::Connect() {
  State& s = *state_;
  if (s.Started || !s.App) return;
  s.Started = true;
  for (const Listed& listed : ListedAddins()) {
    State::Addin addin{listed.ProgId, Serve<AddInEntry>(listed.ProgId), nullptr, {}};
    addin.EntryObject = static_cast<AddInEntry*>(static_cast<DispObject*>(addin.Entry.Get()));
    s.Addins.push_back(addin);
    if ((listed.LoadBehavior & kConnected) == 0) continue;
    ComPtr<IDTExtensibility2> extension;
    std::wstring reason;
    if (FAILED(s.Create(listed.ProgId, extension, reason))) {
      s.Fail(listed, reason);
      continue;
    }
    EmptyCustom custom;
    const HRESULT hr = extension->OnConnection(s.App.Get(), kStartup, addin.Entry.Get(), custom.Get());
    if (FAILED(hr)) {
      s.Fail(listed, L"OnConnection failed (" + Hex(hr) + L")");
      continue;
    }
    s.Addins.back().Extension = extension;
    s.Addins.back().EntryObject->SetConnected(true);
  }
  for (State::Addin& addin : s.Addins) {
    EmptyCustom custom;
    if (addin.Extension) addin.Extension->OnStartupComplete(custom.Get());
  }
}

std::vector<OptionsPageRequest> AddinHost::OptionsPagesAdd() {
  if (!state_->App) return {};
  auto* pages = new PropertyPages();
  auto holder = ComPtr<IDispatch>::Attach(pages);
  for (const ComPtr<IDispatch>& sink : ApplicationEventSinks(state_->App.Get())) {
    VARIANT argument;
    V_VT(&argument) = VT_DISPATCH;
    V_DISPATCH(&argument) = holder.Get();
    DISPPARAMS params{&argument, nullptr, 1, 0};
    // What a sink answers does not stop Outlook from asking the next.
    sink->Invoke(kOptionsPagesAdd, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
  }
  return pages->Requests();
}

void AddinHost::Disconnect() {
  State& s = *state_;
  for (State::Addin& addin : s.Addins) {
    EmptyCustom custom;
    if (addin.Extension) addin.Extension->OnBeginShutdown(custom.Get());
  }
  for (State::Addin& addin : s.Addins) {
    EmptyCustom custom;
    if (addin.Extension) addin.Extension->OnDisconnection(kHostShutdown, custom.Get());
  }
  s.Addins.clear();
  s.App = nullptr;
  s.UnloadLibraries();
}

ComPtr<IDispatch> AddinHost::Application() { return state_->App; }

std::vector<std::wstring> AddinHost::Connected() const {
  std::vector<std::wstring> connected;
  for (const State::Addin& addin : state_->Addins)
    if (addin.Extension) connected.push_back(addin.ProgId);
  return connected;
}

std::vector<std::wstring> AddinHost::Failures() const { return state_->Failures; }

HRESULT AddinHost::CreateObject(const std::wstring& progId, ComPtr<IUnknown>& object) {
  HMODULE library = nullptr;
  const HRESULT hr = CreateByProgId(progId, IID_IUnknown, object.PutVoid(), &library);
  if (library) state_->Libraries.push_back(library);
  return hr;
}

AddinHost* AttachedHost(const sim::SimulatedOutlook& outlook) {
  for (const auto& [attached, host] : Attached())
    if (attached == &outlook) return host;
  return nullptr;
}

}  // namespace bellnest::standin
