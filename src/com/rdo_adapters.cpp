// The RDO library's session, stores, folders and the Reminders search folder over IDispatch,
// late bound by name: its DISPIDs differ between library versions. Also CreateObject for the
// session.
#include <utility>

#include "com/dispatch.h"
#include "com/host_adapters.h"

namespace bellnest::com {

namespace {

template <class Adapter, class Ptr>
Result<Ptr> Wrapped(Result<ComPtr<IDispatch>> object) {
  if (!object) return object.Error();
  if (!object.Value()) return Ptr();
  return Ptr(std::make_shared<Adapter>(std::move(object).Value()));
}

Status Done(Status status) { return status; }
Status Done(const Result<VariantValue>& value) {
  if (!value) return value.Error();
  return {};
}

// The members every RDO folder has, plain and search folders alike.
template <class Interface>
class FolderAdapterBase : public Interface, public ComBacked {
 public:
  FolderAdapterBase(ComPtr<IDispatch> object, const char* kind) : caller_(std::move(object), kind) {}
  IUnknown* ComObject() const override { return caller_.Object(); }

  Result<std::string> EntryID() override {
    return Guarded<Result<std::string>>([&] { return caller_.GetText("EntryID"); });
  }
  Result<std::string> StoreID() override {
    return Guarded<Result<std::string>>([&] { return caller_.GetText("StoreID"); });
  }
  Result<std::string> Name() override {
    return Guarded<Result<std::string>>([&] { return caller_.GetText("Name"); });
  }
  Result<Variant> Fields(uint32_t propTag) override {
    return Guarded<Result<Variant>>([&]() -> Result<Variant> {
      Result<VariantValue> value = caller_.Get("Fields", {VariantValue::Long(static_cast<int32_t>(propTag))});
      if (!value) return value.Error();
      return ToHostVariant(value.Value().Get());
    });
  }

 protected:
  Caller caller_;
};

class FolderAdapter final : public FolderAdapterBase<RdoFolder> {
 public:
  explicit FolderAdapter(ComPtr<IDispatch> object) : FolderAdapterBase(std::move(object), "RDOFolder") {}
};

class SearchContainersAdapter final : public RdoSearchContainers, public ComBacked {
 public:
  explicit SearchContainersAdapter(ComPtr<IDispatch> object) : caller_(std::move(object), "RDOSearchContainers") {}
  IUnknown* ComObject() const override { return caller_.Object(); }

  Result<int32_t> Count() override {
    return Guarded<Result<int32_t>>([&]() -> Result<int32_t> {
      Result<VariantValue> value = caller_.Get("Count");
      if (!value) return value.Error();
      return VariantLong(value.Value().Get());
    });
  }
  Result<RdoFolderPtr> Item(int32_t index) override {
    return Guarded<Result<RdoFolderPtr>>(
        [&] { return Wrapped<FolderAdapter, RdoFolderPtr>(caller_.GetDispatch("Item", {VariantValue::Long(index)})); });
  }
  Status Add(const RdoFolderPtr& folder) override {
    return Guarded<Status>([&] {
      ComPtr<IDispatch> object;
      if (IUnknown* unknown = ComObjectOf(folder.get())) ComPtr<IUnknown>(unknown).As(IID_IDispatch, object);
      return Done(caller_.Get("Add", {VariantValue::Object(object.Get())}));
    });
  }
  Status Add(const std::string& entryId) override {
    return Guarded<Status>([&] { return Done(caller_.Get("Add", {VariantValue::Text(entryId)})); });
  }
  Status Remove(int32_t index) override {
    return Guarded<Status>([&] { return Done(caller_.Call("Remove", {VariantValue::Long(index)})); });
  }

 private:
  Caller caller_;
};

class SearchFolderAdapter final : public FolderAdapterBase<RdoSearchFolder> {
 public:
  explicit SearchFolderAdapter(ComPtr<IDispatch> object) : FolderAdapterBase(std::move(object), "RDOSearchFolder") {}

  Result<RdoSearchContainersPtr> SearchContainers() override {
    return Guarded<Result<RdoSearchContainersPtr>>([&] {
      return Wrapped<SearchContainersAdapter, RdoSearchContainersPtr>(caller_.GetDispatch("SearchContainers"));
    });
  }
  Status Stop() override {
    return Guarded<Status>([&] { return Done(caller_.Call("Stop")); });
  }
  Status Start() override {
    return Guarded<Status>([&] { return Done(caller_.Call("Start")); });
  }
  Result<bool> IsRunning() override {
    return Guarded<Result<bool>>([&] { return caller_.GetBoolean("IsRunning"); });
  }
};

class RemindersAdapter final : public RdoReminders, public ComBacked {
 public:
  explicit RemindersAdapter(ComPtr<IDispatch> object) : caller_(std::move(object), "RDOReminders") {}
  IUnknown* ComObject() const override { return caller_.Object(); }
  Result<RdoSearchFolderPtr> SearchFolder() override {
    return Guarded<Result<RdoSearchFolderPtr>>(
        [&] { return Wrapped<SearchFolderAdapter, RdoSearchFolderPtr>(caller_.GetDispatch("SearchFolder")); });
  }

 private:
  Caller caller_;
};

class StoreAdapter final : public RdoStore, public ComBacked {
 public:
  explicit StoreAdapter(ComPtr<IDispatch> object) : caller_(std::move(object), "RDOStore") {}
  IUnknown* ComObject() const override { return caller_.Object(); }
  Result<std::string> EntryID() override {
    return Guarded<Result<std::string>>([&] { return caller_.GetText("EntryID"); });
  }
  Result<RdoRemindersPtr> Reminders() override {
    return Guarded<Result<RdoRemindersPtr>>(
        [&] { return Wrapped<RemindersAdapter, RdoRemindersPtr>(caller_.GetDispatch("Reminders")); });
  }

 private:
  Caller caller_;
};

class StoresAdapter final : public RdoStores, public ComBacked {
 public:
  explicit StoresAdapter(ComPtr<IDispatch> object) : caller_(std::move(object), "RDOStores") {}
  IUnknown* ComObject() const override { return caller_.Object(); }
  Result<RdoStorePtr> DefaultStore() override {
    return Guarded<Result<RdoStorePtr>>(
        [&] { return Wrapped<StoreAdapter, RdoStorePtr>(caller_.GetDispatch("DefaultStore")); });
  }

 private:
  Caller caller_;
};

class SessionAdapter final : public RdoSession, public ComBacked {
 public:
  explicit SessionAdapter(ComPtr<IDispatch> object) : caller_(std::move(object), "RDOSession") {}
  IUnknown* ComObject() const override { return caller_.Object(); }

  Status Logon(const std::string& profileName, const std::string& password, bool showDialog, bool newSession) override {
    return Guarded<Status>([&] {
      return Done(caller_.Call("Logon", {VariantValue::Text(profileName), VariantValue::Text(password),
                                         VariantValue::Boolean(showDialog), VariantValue::Boolean(newSession)}));
    });
  }
  Status PutMAPIOBJECT(const Variant& mapiObject) override {
    return Guarded<Status>([&]() -> Status {
      Result<VariantValue> value = FromHostVariant(mapiObject);
      if (!value) return value.Error();
      return caller_.Put("MAPIOBJECT", value.Value());
    });
  }
  Result<std::string> ProfileName() override {
    return Guarded<Result<std::string>>([&] { return caller_.GetText("ProfileName"); });
  }
  Result<RdoStoresPtr> Stores() override {
    return Guarded<Result<RdoStoresPtr>>(
        [&] { return Wrapped<StoresAdapter, RdoStoresPtr>(caller_.GetDispatch("Stores")); });
  }
  Result<RdoFolderPtr> GetFolderFromID(const std::string& entryId, const std::string& storeId) override {
    return Guarded<Result<RdoFolderPtr>>([&] {
      return Wrapped<FolderAdapter, RdoFolderPtr>(
          caller_.GetDispatch("GetFolderFromID", {VariantValue::Text(entryId), VariantValue::Text(storeId)}));
    });
  }
  Result<bool> CompareEntryIDs(const std::string& entryId1, const std::string& entryId2) override {
    return Guarded<Result<bool>>([&]() -> Result<bool> {
      Result<VariantValue> same =
          caller_.Get("CompareEntryIDs", {VariantValue::Text(entryId1), VariantValue::Text(entryId2)});
      if (!same) return same.Error();
      return VariantBoolean(same.Value().Get());
    });
  }

 private:
  Caller caller_;
};

}  // namespace

RdoSessionPtr WrapRdoSession(IDispatch* session) {
  if (session == nullptr) return nullptr;
  return std::make_shared<SessionAdapter>(ComPtr<IDispatch>(session));
}

Result<RdoSessionPtr> ComRdoFactory::CreateSession(const std::string& progId) {
  return Guarded<Result<RdoSessionPtr>>([&]() -> Result<RdoSessionPtr> {
    const std::wstring name = WideFromUtf8(progId);
    CLSID clsid;
    if (FAILED(::CLSIDFromProgID(name.c_str(), &clsid))) return RuntimeError(err::kCantCreateObject);
    ComPtr<IDispatch> session;
    if (FAILED(::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IDispatch,
                                  session.PutVoid())) ||
        !session)
      return RuntimeError(err::kCantCreateObject);
    return WrapRdoSession(session.Get());
  });
}

}  // namespace bellnest::com
