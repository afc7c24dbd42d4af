// Outlook's Application, NameSpace, MAPIFolder, Folders (through _NewEnum), COMAddIns and
// COMAddIn, and the PropertyPageSite, over IDispatch.
#include <utility>

#include "com/dispatch.h"
#include "com/host_adapters.h"

namespace bellnest::com {

namespace {

// Outlook's members with a documented DISPID; every other member is found by name once.
struct KnownMember {
  const char* Kind;
  const char* Name;
  DISPID Id;
};
constexpr KnownMember kKnownMembers[] = {
    {"PropertyPageSite", "Application", 0xF000},
    {"PropertyPageSite", "OnStatusChange", 0x2100},
    {"Folders", "_NewEnum", DISPID_NEWENUM},
};

// OlObjectClass of a folder: Parent above a top folder answers the NameSpace, no folder.
constexpr int32_t kClassFolder = 2;

DISPID KnownId(std::string_view kind, std::string_view name) {
  for (const KnownMember& m : kKnownMembers)
    if (kind == m.Kind && name == m.Name) return m.Id;
  return DISPID_UNKNOWN;
}

// One Outlook object: its calls go by documented DISPID when the table has one.
class OutlookObject : public ComBacked {
 public:
  OutlookObject(ComPtr<IDispatch> object, const char* kind) : caller_(std::move(object), kind), kind_(kind) {}
  IUnknown* ComObject() const override { return caller_.Object(); }

 protected:
  Result<VariantValue> Get(const char* name, std::initializer_list<VariantValue> args = {}) {
    const DISPID id = KnownId(kind_, name);
    return id != DISPID_UNKNOWN ? caller_.Get(id, args) : caller_.Get(name, args);
  }
  Result<ComPtr<IDispatch>> GetDispatch(const char* name, std::initializer_list<VariantValue> args = {}) {
    Result<VariantValue> value = Get(name, args);
    if (!value) return value.Error();
    return ObjectOf(value.Value().Get());
  }
  Result<std::string> GetText(const char* name) {
    Result<VariantValue> value = Get(name);
    if (!value) return value.Error();
    return VariantText(value.Value().Get());
  }

  Caller caller_;
  const char* kind_;
};

// An object result as the host object over it (Nothing stays Nothing).
template <class Adapter, class Ptr>
Result<Ptr> Wrapped(Result<ComPtr<IDispatch>> object) {
  if (!object) return object.Error();
  if (!object.Value()) return Ptr();
  return Ptr(std::make_shared<Adapter>(std::move(object).Value()));
}

class MapiFolderAdapter;
class FolderEnumeratorAdapter final : public FolderEnumerator, public ComBacked {
 public:
  explicit FolderEnumeratorAdapter(ComPtr<IEnumVARIANT> items) : items_(std::move(items)) {}
  IUnknown* ComObject() const override { return items_.Get(); }
  Result<MapiFolderPtr> Next() override;

 private:
  ComPtr<IEnumVARIANT> items_;
};

class FoldersAdapter final : public Folders, public OutlookObject {
 public:
  explicit FoldersAdapter(ComPtr<IDispatch> object) : OutlookObject(std::move(object), "Folders") {}
  Result<FolderEnumeratorPtr> NewEnum() override {
    return Guarded<Result<FolderEnumeratorPtr>>([&]() -> Result<FolderEnumeratorPtr> {
      Result<VariantValue> value = Get("_NewEnum");
      if (!value) return value.Error();
      const VARIANT& v = value.Value().Get();
      IUnknown* object = V_VT(&v) == VT_UNKNOWN || V_VT(&v) == VT_DISPATCH ? V_UNKNOWN(&v) : nullptr;
      ComPtr<IEnumVARIANT> items;
      if (object == nullptr || FAILED(ComPtr<IUnknown>(object).As(IID_IEnumVARIANT, items)))
        return RuntimeError(err::kTypeMismatch);
      return FolderEnumeratorPtr(std::make_shared<FolderEnumeratorAdapter>(std::move(items)));
    });
  }
};

class MapiFolderAdapter final : public MapiFolder, public OutlookObject {
 public:
  explicit MapiFolderAdapter(ComPtr<IDispatch> object) : OutlookObject(std::move(object), "MAPIFolder") {}

  Result<MapiFolderPtr> Parent() override {
    return Guarded<Result<MapiFolderPtr>>([&]() -> Result<MapiFolderPtr> {
      Result<ComPtr<IDispatch>> parent = GetDispatch("Parent");
      if (!parent) return parent.Error();
      if (!parent.Value()) return MapiFolderPtr();
      // Set into a MAPIFolder variable: anything but a folder is a type mismatch.
      Caller parentCaller(parent.Value(), nullptr);  // of no known type yet
      Result<VariantValue> objectClass = parentCaller.Get("Class");
      if (!objectClass || VariantLong(objectClass.Value().Get()).ValueOr(0) != kClassFolder)
        return RuntimeError(err::kTypeMismatch);
      return MapiFolderPtr(std::make_shared<MapiFolderAdapter>(std::move(parent).Value()));
    });
  }
  Result<std::string> EntryID() override {
    return Guarded<Result<std::string>>([&] { return GetText("EntryID"); });
  }
  Result<std::string> StoreID() override {
    return Guarded<Result<std::string>>([&] { return GetText("StoreID"); });
  }
  Result<std::string> Name() override {
    return Guarded<Result<std::string>>([&] { return GetText("Name"); });
  }
  Result<FoldersPtr> Folders() override {
    return Guarded<Result<FoldersPtr>>([&] { return Wrapped<FoldersAdapter, FoldersPtr>(GetDispatch("Folders")); });
  }
};

Result<MapiFolderPtr> FolderEnumeratorAdapter::Next() {
  return Guarded<Result<MapiFolderPtr>>([&]() -> Result<MapiFolderPtr> {
    VariantValue item;
    ULONG fetched = 0;
    const HRESULT hr = items_->Next(1, item.Put(), &fetched);
    if (FAILED(hr)) return ErrorFromHresult(hr, items_.Get());
    if (hr != S_OK || fetched == 0) return MapiFolderPtr();
    return Wrapped<MapiFolderAdapter, MapiFolderPtr>(ObjectOf(item.Get()));
  });
}

class NameSpaceAdapter final : public NameSpace, public OutlookObject {
 public:
  explicit NameSpaceAdapter(ComPtr<IDispatch> object) : OutlookObject(std::move(object), "NameSpace") {}

  Result<MapiFolderPtr> GetDefaultFolder(int32_t folderType) override {
    return Guarded<Result<MapiFolderPtr>>([&] {
      return Wrapped<MapiFolderAdapter, MapiFolderPtr>(
          GetDispatch("GetDefaultFolder", {VariantValue::Long(folderType)}));
    });
  }
  Result<MapiFolderPtr> GetFolderFromID(const std::string& entryId, const std::string& storeId) override {
    return Guarded<Result<MapiFolderPtr>>([&] {
      return Wrapped<MapiFolderAdapter, MapiFolderPtr>(
          GetDispatch("GetFolderFromID", {VariantValue::Text(entryId), VariantValue::Text(storeId)}));
    });
  }
  Result<Variant> GetProperty(const std::string& name) override {
    return Guarded<Result<Variant>>([&]() -> Result<Variant> {
      Result<VariantValue> value = Get(name.c_str());
      if (!value) return value.Error();
      return ToHostVariant(value.Value().Get());
    });
  }
};

class ComAddInAdapter final : public ComAddIn, public OutlookObject {
 public:
  explicit ComAddInAdapter(ComPtr<IDispatch> object) : OutlookObject(std::move(object), "COMAddIn") {}
  Result<DispatchPtr> Object() override {
    return Guarded<Result<DispatchPtr>>([&]() -> Result<DispatchPtr> {
      Result<ComPtr<IDispatch>> object = GetDispatch("Object");
      if (!object) return object.Error();
      return WrapDispatch(object.Value().Get());
    });
  }
};

class ComAddInsAdapter final : public ComAddIns, public OutlookObject {
 public:
  explicit ComAddInsAdapter(ComPtr<IDispatch> object) : OutlookObject(std::move(object), "COMAddIns") {}
  Result<ComAddInPtr> Item(const std::string& progId) override {
    return Guarded<Result<ComAddInPtr>>(
        [&] { return Wrapped<ComAddInAdapter, ComAddInPtr>(GetDispatch("Item", {VariantValue::Text(progId)})); });
  }
};

class ApplicationAdapter final : public Application, public OutlookObject {
 public:
  explicit ApplicationAdapter(ComPtr<IDispatch> object) : OutlookObject(std::move(object), "Application") {}
  Result<ComAddInsPtr> COMAddIns() override {
    return Guarded<Result<ComAddInsPtr>>(
        [&] { return Wrapped<ComAddInsAdapter, ComAddInsPtr>(GetDispatch("COMAddIns")); });
  }
  Result<NameSpacePtr> GetNamespace(const std::string& type) override {
    return Guarded<Result<NameSpacePtr>>([&] {
      return Wrapped<NameSpaceAdapter, NameSpacePtr>(GetDispatch("GetNamespace", {VariantValue::Text(type)}));
    });
  }
  Result<std::string> Version() override {
    return Guarded<Result<std::string>>([&] { return GetText("Version"); });
  }
};

class PageSiteAdapter final : public PropertyPageSite, public OutlookObject {
 public:
  explicit PageSiteAdapter(ComPtr<IDispatch> object) : OutlookObject(std::move(object), "PropertyPageSite") {}
  Result<ApplicationPtr> Application() override {
    return Guarded<Result<ApplicationPtr>>(
        [&] { return Wrapped<ApplicationAdapter, ApplicationPtr>(GetDispatch("Application")); });
  }
  Status OnStatusChange() override {
    return Guarded<Status>([&]() -> Status {
      Result<VariantValue> r = Get("OnStatusChange");
      if (!r) return r.Error();
      return {};
    });
  }
};

}  // namespace

PropertyPageSitePtr WrapPageSite(IUnknown* site) {
  if (site == nullptr) return nullptr;
  ComPtr<IDispatch> pageSite;
  if (FAILED(ComPtr<IUnknown>(site).As(kIidPropertyPageSite, pageSite)) || !pageSite) return nullptr;
  return std::make_shared<PageSiteAdapter>(std::move(pageSite));
}

ApplicationPtr WrapApplication(IDispatch* application) {
  if (application == nullptr) return nullptr;
  return std::make_shared<ApplicationAdapter>(ComPtr<IDispatch>(application));
}

}  // namespace bellnest::com
