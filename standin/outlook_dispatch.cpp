// The simulated Outlook's objects as Outlook serves them: the page site (PropertyPageSite with
// its IID and DISPIDs), Application, COMAddIns and COMAddIn, NameSpace, MAPIFolder, Folders
// with _NewEnum and its IEnumVARIANT, and the objects read only by name.
#include <algorithm>
#include <utility>

#include "addin/bellnest_connect_h.h"
#include "com/host_adapters.h"
#include "standin/dispatch_object.h"
#include "standin/standin.h"

namespace bellnest::standin {

namespace {

template <class T>
T& Self(DispObject& object) {
  return static_cast<T&>(object);
}

// The object a simulated late-bound value stands for: every member read by name.
class LateBoundObject final : public DispObject {
 public:
  explicit LateBoundObject(DispatchPtr sim) : DispObject(Table()), sim_(std::move(sim)) {}
  DispatchPtr SimDispatch() const override { return sim_; }

 protected:
  bool AnswersAnyName() const override { return true; }
  Result<VariantValue> ByName(const std::string& name, const Args&) override {
    return Returned(sim_->GetProperty(name));
  }

 private:
  static const std::vector<Member>& Table() {
    static const std::vector<Member> members;
    return members;
  }
  DispatchPtr sim_;
};

// For Each over a folder's subfolders; a failure leaves the host's error as IErrorInfo.
class FolderItems final : public SingleInterface<IEnumVARIANT, &IID_IEnumVARIANT> {
 public:
  explicit FolderItems(FolderEnumeratorPtr sim) : sim_(std::move(sim)) {}

  HRESULT STDMETHODCALLTYPE Next(ULONG count, VARIANT* items, ULONG* fetched) override;
  HRESULT STDMETHODCALLTYPE Skip(ULONG) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Reset() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT** out) override {
    if (out != nullptr) *out = nullptr;
    return E_NOTIMPL;
  }

 private:
  FolderEnumeratorPtr sim_;
};

class FoldersObject final : public DispObject {
 public:
  explicit FoldersObject(FoldersPtr sim) : DispObject(Table()), sim_(std::move(sim)) {}

 private:
  static const std::vector<Member>& Table() {
    static const std::vector<Member> members = {
        {"_NewEnum", DISPID_NEWENUM,
         [](DispObject& o, const Args&) -> Result<VariantValue> {
           Result<FolderEnumeratorPtr> items = Self<FoldersObject>(o).sim_->NewEnum();
           if (!items) return items.Error();
           VariantValue out;
           VARIANT* v = out.Put();
           V_VT(v) = VT_UNKNOWN;
           V_UNKNOWN(v) = new FolderItems(items.Value());
           return out;
         }},
    };
    return members;
  }
  FoldersPtr sim_;
};

class MapiFolderObject final : public DispObject {
 public:
  explicit MapiFolderObject(MapiFolderPtr sim) : DispObject(Table()), sim_(std::move(sim)) {}

 private:
  static constexpr int32_t kClassFolder = 2;  // OlObjectClass olFolder

  static const std::vector<Member>& Table() {
    static const std::vector<Member> members = {
        {"Parent", 0xF001,
         [](DispObject& o, const Args&) {
           return ReturnedObject<MapiFolderObject>(Self<MapiFolderObject>(o).sim_->Parent());
         }},
        {"Class", 0xF00A, [](DispObject&, const Args&) { return Returned(Result<int32_t>(kClassFolder)); }},
        {"EntryID", 1, [](DispObject& o, const Args&) { return Returned(Self<MapiFolderObject>(o).sim_->EntryID()); }},
        {"StoreID", 2, [](DispObject& o, const Args&) { return Returned(Self<MapiFolderObject>(o).sim_->StoreID()); }},
        {"Name", 3, [](DispObject& o, const Args&) { return Returned(Self<MapiFolderObject>(o).sim_->Name()); }},
        {"Folders", 4,
         [](DispObject& o, const Args&) {
           return ReturnedObject<FoldersObject>(Self<MapiFolderObject>(o).sim_->Folders());
         }},
    };
    return members;
  }
  MapiFolderPtr sim_;
};

HRESULT STDMETHODCALLTYPE FolderItems::Next(ULONG count, VARIANT* items, ULONG* fetched) {
  try {
    if (items == nullptr) return E_POINTER;
    ULONG n = 0;
    for (; n < count; ++n) {
      Result<MapiFolderPtr> folder = sim_->Next();
      if (!folder) {
        for (ULONG i = 0; i < n; ++i) ::VariantClear(&items[i]);
        if (fetched != nullptr) *fetched = 0;
        return com::SetComError(folder.Error());
      }
      if (!folder.Value()) break;
      ::VariantInit(&items[n]);
      V_VT(&items[n]) = VT_DISPATCH;
      V_DISPATCH(&items[n]) = Serve<MapiFolderObject>(folder.Value()).Detach();
    }
    if (fetched != nullptr) *fetched = n;
    return n == count ? S_OK : S_FALSE;
  } catch (...) {
    LogError(ErrorInfo{static_cast<int32_t>(E_UNEXPECTED), "exception in Next", "standin"}, "standin", "Next", "");
    return E_UNEXPECTED;
  }
}

class NameSpaceObject final : public DispObject {
 public:
  explicit NameSpaceObject(NameSpacePtr sim) : DispObject(Table()), sim_(std::move(sim)) {}

 protected:
  // MAPIOBJECT and any other member are read by name.
  bool AnswersAnyName() const override { return true; }
  Result<VariantValue> ByName(const std::string& name, const Args&) override {
    return Returned(sim_->GetProperty(name));
  }

 private:
  static const std::vector<Member>& Table() {
    static const std::vector<Member> members = {
        {"GetDefaultFolder", 1,
         [](DispObject& o, const Args& a) -> Result<VariantValue> {
           Result<int32_t> type = a.Long(0);
           if (!type) return type.Error();
           return ReturnedObject<MapiFolderObject>(Self<NameSpaceObject>(o).sim_->GetDefaultFolder(type.Value()));
         }},
        {"GetFolderFromID", 2,
         [](DispObject& o, const Args& a) -> Result<VariantValue> {
           Result<std::string> entryId = a.Text(0);
           Result<std::string> storeId = a.Text(1);
           if (!entryId) return entryId.Error();
           if (!storeId) return storeId.Error();
           return ReturnedObject<MapiFolderObject>(
               Self<NameSpaceObject>(o).sim_->GetFolderFromID(entryId.Value(), storeId.Value()));
         }},
    };
    return members;
  }
  NameSpacePtr sim_;
};

class ComAddInObject final : public DispObject {
 public:
  explicit ComAddInObject(ComAddInPtr sim) : DispObject(Table()), sim_(std::move(sim)) {}

 private:
  static const std::vector<Member>& Table() {
    static const std::vector<Member> members = {
        {"Object", 1,
         [](DispObject& o, const Args&) -> Result<VariantValue> {
           Result<DispatchPtr> object = Self<ComAddInObject>(o).sim_->Object();
           if (!object) return object.Error();
           return Returned(Result<Variant>(Variant(object.Value())));
         }},
    };
    return members;
  }
  ComAddInPtr sim_;
};

class ComAddInsObject final : public DispObject {
 public:
  explicit ComAddInsObject(ComAddInsPtr sim) : DispObject(Table()), sim_(std::move(sim)) {}

 private:
  static const std::vector<Member>& Table() {
    static const std::vector<Member> members = {
        {"Item", DISPID_VALUE,
         [](DispObject& o, const Args& a) -> Result<VariantValue> {
           Result<std::string> progId = a.Text(0);
           if (!progId) return progId.Error();
           return ReturnedObject<ComAddInObject>(Self<ComAddInsObject>(o).sim_->Item(progId.Value()));
         }},
    };
    return members;
  }
  ComAddInsPtr sim_;
};

// Outlook's ApplicationEvents connection point: the sinks that add-ins advised, in order.
class ApplicationEvents final : public SingleInterface<IConnectionPoint, &IID_IConnectionPoint> {
 public:
  explicit ApplicationEvents(IConnectionPointContainer* container) : container_(container) {}
  void Detach() { container_ = nullptr; }
  std::vector<com::ComPtr<IDispatch>> Sinks() const {
    std::vector<com::ComPtr<IDispatch>> sinks;
    for (const Advised& a : advised_) sinks.push_back(a.Sink);
    return sinks;
  }

  HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override {
    if (iid == nullptr) return E_POINTER;
    *iid = DIID_ApplicationEvents;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** container) override {
    if (container == nullptr) return E_POINTER;
    *container = com::ComPtr<IConnectionPointContainer>(container_).Detach();
    return container_ != nullptr ? S_OK : E_UNEXPECTED;
  }
  HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override {
    if (cookie == nullptr) return E_POINTER;
    *cookie = 0;
    if (sink == nullptr) return E_POINTER;
    com::ComPtr<IDispatch> dispatch;
    if (FAILED(com::ComPtr<IUnknown>(sink).As(IID_IDispatch, dispatch))) return CONNECT_E_CANNOTCONNECT;
    advised_.push_back({++lastCookie_, std::move(dispatch)});
    *cookie = lastCookie_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override {
    auto it = std::find_if(advised_.begin(), advised_.end(), [cookie](const Advised& a) { return a.Cookie == cookie; });
    if (it == advised_.end()) return CONNECT_E_NOCONNECTION;
    advised_.erase(it);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** connections) override {
    if (connections != nullptr) *connections = nullptr;
    return E_NOTIMPL;
  }

 private:
  struct Advised {
    DWORD Cookie;
    com::ComPtr<IDispatch> Sink;
  };
  IConnectionPointContainer* container_;  // the Application, which outlives its use here
  std::vector<Advised> advised_;
  DWORD lastCookie_ = 0;
};

class ApplicationObject final : public DispObject, public IConnectionPointContainer {
 public:
  explicit ApplicationObject(ApplicationPtr sim)
      : DispObject(Table()), sim_(std::move(sim)), events_(com::ComPtr<ApplicationEvents>::Attach(new ApplicationEvents(this))) {}
  ~ApplicationObject() override { events_->Detach(); }

  std::vector<com::ComPtr<IDispatch>> Sinks() const { return events_->Sinks(); }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (out != nullptr && IsEqualIID(iid, IID_IConnectionPointContainer)) {
      *out = static_cast<IConnectionPointContainer*>(this);
      AddRef();
      return S_OK;
    }
    return DispObject::QueryInterface(iid, out);
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return DispObject::AddRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return DispObject::Release(); }
  HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** points) override {
    if (points != nullptr) *points = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** point) override {
    if (point == nullptr) return E_POINTER;
    *point = nullptr;
    if (!IsEqualIID(iid, DIID_ApplicationEvents)) return CONNECT_E_NOCONNECTION;
    *point = com::ComPtr<ApplicationEvents>(events_).Detach();
    return S_OK;
  }

 private:
  static const std::vector<Member>& Table() {
    static const std::vector<Member> members = {
        {"COMAddIns", 1,
         [](DispObject& o, const Args&) {
           return ReturnedObject<ComAddInsObject>(Self<ApplicationObject>(o).sim_->COMAddIns());
         }},
        {"GetNamespace", 2,
         [](DispObject& o, const Args& a) -> Result<VariantValue> {
           Result<std::string> type = a.Text(0);
           if (!type) return type.Error();
           return ReturnedObject<NameSpaceObject>(Self<ApplicationObject>(o).sim_->GetNamespace(type.Value()));
         }},
        {"Version", 3, [](DispObject& o, const Args&) { return Returned(Self<ApplicationObject>(o).sim_->Version()); }},
    };
    return members;
  }
  ApplicationPtr sim_;
  com::ComPtr<ApplicationEvents> events_;
};

// The page site answers by Invoke and by vtable; both reach the same table.
class PageSiteObject final : public DispObject, public PropertyPageSiteDual {
 public:
  PageSiteObject(PropertyPageSitePtr sim, com::ComPtr<IDispatch> application)
      : DispObject(Table()), sim_(std::move(sim)), application_(std::move(application)) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (out != nullptr && IsEqualIID(iid, com::kIidPropertyPageSite)) {
      *out = static_cast<PropertyPageSiteDual*>(this);
      AddRef();
      return S_OK;
    }
    return DispObject::QueryInterface(iid, out);
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return DispObject::AddRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return DispObject::Release(); }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override { return DispObject::GetTypeInfoCount(count); }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override {
    return DispObject::GetTypeInfo(index, lcid, info);
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override {
    return DispObject::GetIDsOfNames(iid, names, count, lcid, ids);
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO* exception, UINT* badArgument) override {
    return DispObject::Invoke(id, iid, lcid, flags, params, result, exception, badArgument);
  }

  HRESULT STDMETHODCALLTYPE get_Application(IDispatch** application) override {
    return Object(kApplication, application);
  }
  HRESULT STDMETHODCALLTYPE get_Class(LONG* objectClass) override {
    if (objectClass == nullptr) return E_POINTER;
    *objectClass = kClassPropertyPageSite;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_Session(IDispatch** session) override { return NotServed(session); }
  HRESULT STDMETHODCALLTYPE get_Parent(IDispatch** parent) override { return NotServed(parent); }
  HRESULT STDMETHODCALLTYPE OnStatusChange() override {
    DISPPARAMS none{};
    return DispObject::Invoke(kOnStatusChange, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr);
  }

 private:
  static constexpr DISPID kApplication = 0xF000;
  static constexpr DISPID kOnStatusChange = 0x2100;
  static constexpr LONG kClassPropertyPageSite = 103;  // OlObjectClass olPropertyPageSite

  HRESULT Object(DISPID id, IDispatch** out) {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    DISPPARAMS none{};
    VariantValue value;
    const HRESULT hr = DispObject::Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, value.Put(), nullptr, nullptr);
    if (FAILED(hr)) return hr;
    Result<com::ComPtr<IDispatch>> object = com::ObjectOf(value.Get());
    if (!object) return E_UNEXPECTED;
    *out = object.Value().Detach();
    return S_OK;
  }
  // The simulation has no Session or Parent of the page site.
  static HRESULT NotServed(IDispatch** out) {
    if (out != nullptr) *out = nullptr;
    return E_NOTIMPL;
  }

  static const std::vector<Member>& Table() {
    static const std::vector<Member> members = {
        {"Application", kApplication,
         [](DispObject& o, const Args&) -> Result<VariantValue> {
           auto& self = static_cast<PageSiteObject&>(o);
           Result<ApplicationPtr> application = self.sim_->Application();
           if (application && application.Value() && self.application_)
             return VariantValue::Object(self.application_.Get());
           return ReturnedObject<ApplicationObject>(application);
         }},
        {"OnStatusChange", kOnStatusChange,
         [](DispObject& o, const Args&) { return Returned(static_cast<PageSiteObject&>(o).sim_->OnStatusChange()); }},
    };
    return members;
  }
  PropertyPageSitePtr sim_;
  com::ComPtr<IDispatch> application_;  // the one Application of an add-in host, else none
};

}  // namespace

com::ComPtr<IDispatch> ServePageSite(PropertyPageSitePtr site) { return ServePageSite(std::move(site), nullptr); }
com::ComPtr<IDispatch> ServePageSite(PropertyPageSitePtr site, com::ComPtr<IDispatch> application) {
  return com::ComPtr<IDispatch>::Attach(static_cast<DispObject*>(new PageSiteObject(std::move(site), std::move(application))));
}
std::vector<com::ComPtr<IDispatch>> ApplicationEventSinks(IDispatch* application) {
  VARIANT value;
  V_VT(&value) = VT_DISPATCH;
  V_DISPATCH(&value) = application;
  auto* served = dynamic_cast<ApplicationObject*>(Served(value));
  return served != nullptr ? served->Sinks() : std::vector<com::ComPtr<IDispatch>>();
}
com::ComPtr<IDispatch> ServeApplication(ApplicationPtr application) {
  return Serve<ApplicationObject>(std::move(application));
}
com::ComPtr<IDispatch> ServeDispatch(DispatchPtr object) { return Serve<LateBoundObject>(std::move(object)); }

}  // namespace bellnest::standin
