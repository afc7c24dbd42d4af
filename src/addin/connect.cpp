// The add-in object and the two small objects it hands out: the sink of Outlook's
// ApplicationEvents, which answers every event and adds the options page when Outlook builds
// its Options dialog, and PPClass, which the page reads by name. Outlook's objects are called
// late bound, by name.
#include "addin/connect.h"

#include "addin/bellnest_connect_h.h"
#include "com/com_object.h"
#include "com/dispatch.h"
#include "platform/win32/win32_world.h"
#include "support/error_log.h"
#include "support/local_data_folder.h"
#include "support/platform.h"
#include "support/shared_state.h"

namespace bellnest::addin {

using com::Caller;
using com::ComPtr;
using com::DualInterface;
using com::Guarded;
using com::InterfaceEntry;
using com::RefCounted;
using com::VariantValue;

namespace {

constexpr DISPID kOptionsPagesAdd = 0xF005;  // ApplicationEvents.OptionsPagesAdd
constexpr const char* kPageProgId = "PPBellnest.UserControl1";
constexpr const char* kPageCaption = "Bellnest";
constexpr const char* kModule = "Connect";

// The add-in has no page session around it: it writes to the product's log with the Windows
// world installed for the one entry.
void Log(const ErrorInfo& error, const char* procedure, const char* context) {
  try {
    win32::Win32World world;
    ScopedPlatform installed(world.Seams());
    if (State().LocalDataFolder.empty()) State().LocalDataFolder = GetLocalDataFolder();
    LogError(error, kModule, procedure, context);
  } catch (...) {
    // An entry that cannot be written is lost, as the log does for its own failures.
  }
}

void Log(HRESULT hr, const char* procedure, const char* context) {
  Log(com::ErrorFromHresult(hr), procedure, context);
}

// Answers S_OK to every event, so Outlook is never disturbed; adds the page to the dialog.
class EventSink final : public IDispatch, private RefCounted<EventSink> {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    static const InterfaceEntry<EventSink> kInterfaces[] = {
        {&IID_IDispatch, &com::CastTo<EventSink, IDispatch>},
        {&DIID_ApplicationEvents, &com::CastTo<EventSink, IDispatch>},
    };
    return com::QueryInterfaceFrom(this, kInterfaces, iid, out);
  }
  STDMETHODIMP_(ULONG) AddRef() override { return AddRefImpl(); }
  STDMETHODIMP_(ULONG) Release() override { return ReleaseImpl(); }
  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    if (info) *info = nullptr;
    return DISP_E_BADINDEX;
  }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return DISP_E_UNKNOWNNAME; }
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) override {
    Guarded("ApplicationEvents.Invoke", [&]() -> HRESULT {
      if (id == kOptionsPagesAdd) OptionsPagesAdd(params);
      return S_OK;
    });
    return S_OK;
  }

 private:
  friend class RefCounted<EventSink>;
  ~EventSink() = default;

  static void OptionsPagesAdd(const DISPPARAMS* params) {
    Result<ComPtr<IDispatch>> pages = params && params->cArgs == 1 ? com::ObjectOf(params->rgvarg[0])
                                                                   : Result<ComPtr<IDispatch>>(ComPtr<IDispatch>());
    if (!pages || !pages.Value()) {
      Log(pages ? RuntimeError(err::kObjectNotSet) : pages.Error(), "Application_OptionsPagesAdd",
          "Could not get the property pages");
      return;
    }
    Caller caller(pages.Value(), nullptr);
    Status added = caller.Call("Add", {VariantValue::Text(kPageProgId), VariantValue::Text(kPageCaption)});
    if (!added) Log(added.Error(), "Application_OptionsPagesAdd", "Could not add the options page");
  }
};

class Connect;

// Whether Outlook works online, read afresh each time the page asks.
class PPClass final : public DualInterface<_PPClass, &IID__PPClass>, private RefCounted<PPClass> {
 public:
  explicit PPClass(ComPtr<IDispatch> application) : application_(std::move(application)) {}

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    static const InterfaceEntry<PPClass> kInterfaces[] = {
        {&IID__PPClass, &com::CastTo<PPClass, _PPClass>},
        {&IID_IDispatch, &com::CastTo<PPClass, _PPClass>},
    };
    return com::QueryInterfaceFrom(this, kInterfaces, iid, out);
  }
  STDMETHODIMP_(ULONG) AddRef() override { return AddRefImpl(); }
  STDMETHODIMP_(ULONG) Release() override { return ReleaseImpl(); }

  // True unless Outlook says it works offline; a NameSpace that cannot tell counts as online.
  STDMETHODIMP get_Online(VARIANT_BOOL* online) override {
    return Guarded("PPClass.Online", [&]() -> HRESULT {
      if (!online) return E_POINTER;
      *online = VARIANT_TRUE;
      if (!application_) return S_OK;
      Result<ComPtr<IDispatch>> nameSpace =
          Caller(application_, "Application").GetDispatch("GetNamespace", {VariantValue::Text("MAPI")});
      if (!nameSpace || !nameSpace.Value()) return S_OK;
      Result<bool> offline = Caller(nameSpace.Value(), "NameSpace").GetBoolean("Offline");
      if (offline.Ok() && offline.Value()) *online = VARIANT_FALSE;
      return S_OK;
    });
  }

 private:
  friend class RefCounted<PPClass>;
  ~PPClass() = default;

  ComPtr<IDispatch> application_;
};

class Connect final : public DualInterface<_Connect, &IID__Connect>, private RefCounted<Connect> {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    static const InterfaceEntry<Connect> kInterfaces[] = {
        {&IID__Connect, &com::CastTo<Connect, _Connect>},
        {&IID_IDispatch, &com::CastTo<Connect, _Connect>},
        {&IID_IDTExtensibility2, [](Connect* self) -> IUnknown* { return &self->extensibility_; }},
    };
    return com::QueryInterfaceFrom(this, kInterfaces, iid, out);
  }
  STDMETHODIMP_(ULONG) AddRef() override { return AddRefImpl(); }
  STDMETHODIMP_(ULONG) Release() override { return ReleaseImpl(); }

  STDMETHODIMP get_PPClass(_PPClass** ppClass) override {
    return Guarded("Connect.PPClass", [&]() -> HRESULT {
      if (!ppClass) return E_POINTER;
      *ppClass = new PPClass(application_);
      return S_OK;
    });
  }

 private:
  friend class RefCounted<Connect>;
  ~Connect() { LetGo(); }

  // IDTExtensibility2 has its own IDispatch (DISPIDs 1-5), so it is a part of the object
  // rather than a second base: both share the object's identity and count.
  class Extensibility final : public DualInterface<IDTExtensibility2, &IID_IDTExtensibility2> {
   public:
    explicit Extensibility(Connect& owner) : owner_(owner) {}
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override { return owner_.QueryInterface(iid, out); }
    STDMETHODIMP_(ULONG) AddRef() override { return owner_.AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return owner_.Release(); }

    STDMETHODIMP OnConnection(IDispatch* application, LONG, IDispatch* addInInst, SAFEARRAY**) override {
      return Guarded("IDTExtensibility2.OnConnection",
                     [&]() -> HRESULT { return owner_.OnConnection(application, addInInst); });
    }
    STDMETHODIMP OnDisconnection(LONG, SAFEARRAY**) override {
      return Guarded("IDTExtensibility2.OnDisconnection", [&]() -> HRESULT { return owner_.LetGo(); });
    }
    STDMETHODIMP OnAddInsUpdate(SAFEARRAY**) override { return S_OK; }
    STDMETHODIMP OnStartupComplete(SAFEARRAY**) override { return S_OK; }
    STDMETHODIMP OnBeginShutdown(SAFEARRAY**) override {
      return Guarded("IDTExtensibility2.OnBeginShutdown", [&]() -> HRESULT { return owner_.LetGo(); });
    }

   private:
    Connect& owner_;
  };

  // Keeps the Application, makes this object the add-in instance's Object, and listens to
  // Outlook's application events. A step that fails is logged and the rest still runs.
  HRESULT OnConnection(IDispatch* application, IDispatch* addInInst) {
    LetGo();
    application_ = ComPtr<IDispatch>(application);
    if (addInInst) {
      Status set = Caller(ComPtr<IDispatch>(addInInst), nullptr)
                       .Put("Object", VariantValue::Object(static_cast<_Connect*>(this)));
      if (!set) Log(set.Error(), "IDTExtensibility2_OnConnection", "Could not set the add-in instance's object");
    }
    ComPtr<IConnectionPointContainer> container;
    HRESULT hr = application_ ? ComPtr<IDispatch>(application_).As(IID_IConnectionPointContainer, container) : E_POINTER;
    if (SUCCEEDED(hr)) hr = container->FindConnectionPoint(DIID_ApplicationEvents, events_.Put());
    if (SUCCEEDED(hr)) {
      auto sink = ComPtr<IDispatch>::Attach(new EventSink());
      hr = events_->Advise(sink.Get(), &cookie_);
    }
    if (FAILED(hr)) {
      events_ = nullptr;
      cookie_ = 0;
      Log(hr, "IDTExtensibility2_OnConnection", "Could not connect to Outlook's application events");
    }
    return S_OK;
  }

  // Lets go of Outlook: stops listening and releases what it kept. Any number of times, in
  // either order of OnBeginShutdown and OnDisconnection.
  HRESULT LetGo() {
    if (events_) {
      const HRESULT hr = events_->Unadvise(cookie_);
      if (FAILED(hr)) Log(hr, "IDTExtensibility2_OnDisconnection", "Could not disconnect from Outlook's application events");
    }
    events_ = nullptr;
    cookie_ = 0;
    application_ = nullptr;
    return S_OK;
  }

  ComPtr<IDispatch> application_;
  ComPtr<IConnectionPoint> events_;
  DWORD cookie_ = 0;
  Extensibility extensibility_{*this};
};

}  // namespace

HRESULT CreateConnect(REFIID iid, void** out) {
  auto* connect = new Connect();
  const HRESULT hr = connect->QueryInterface(iid, out);
  connect->Release();
  return hr;
}

}  // namespace bellnest::addin
