// The simulated RDO library's objects as the library serves them, late bound by name: the
// session, stores, folders (plain and search folders share one table, so a member has one
// DISPID on every folder), the Reminders object and the search containers.
#include <utility>

#include "standin/dispatch_object.h"

namespace bellnest::standin {

namespace {

template <class T>
T& Self(DispObject& object) {
  return static_cast<T&>(object);
}

class FolderObject final : public DispObject {
 public:
  explicit FolderObject(RdoFolderPtr sim)
      : DispObject(Table()), sim_(std::move(sim)), search_(std::dynamic_pointer_cast<RdoSearchFolder>(sim_)) {}
  RdoFolderPtr SimFolder() const override { return sim_; }

 private:
  // The search folder's own members; a plain folder has none of them.
  template <class Body>
  static Result<VariantValue> OfSearch(DispObject& o, Body&& body) {
    const RdoSearchFolderPtr& search = Self<FolderObject>(o).search_;
    if (!search) return RuntimeError(err::kObjectDoesNotSupport);
    return body(*search);
  }

  static const std::vector<Member>& Table();
  RdoFolderPtr sim_;
  RdoSearchFolderPtr search_;
};

class SearchContainersObject final : public DispObject {
 public:
  explicit SearchContainersObject(RdoSearchContainersPtr sim) : DispObject(Table()), sim_(std::move(sim)) {}

 private:
  static const std::vector<Member>& Table() {
    static const std::vector<Member> members = {
        {"Item", DISPID_VALUE,
         [](DispObject& o, const Args& a) -> Result<VariantValue> {
           Result<int32_t> index = a.Long(0);
           if (!index) return index.Error();
           return ReturnedObject<FolderObject>(Self<SearchContainersObject>(o).sim_->Item(index.Value()));
         }},
        {"Count", 1,
         [](DispObject& o, const Args&) { return Returned(Self<SearchContainersObject>(o).sim_->Count()); }},
        {"Add", 2,
         [](DispObject& o, const Args& a) -> Result<VariantValue> {
           const RdoSearchContainersPtr& sim = Self<SearchContainersObject>(o).sim_;
           const VARIANT* item = a.At(0);
           if (item != nullptr && (V_VT(item) == VT_DISPATCH || V_VT(item) == VT_UNKNOWN)) {
             DispObject* served = Served(*item);
             return Returned(sim->Add(served != nullptr ? served->SimFolder() : RdoFolderPtr()));
           }
           Result<std::string> entryId = a.Text(0);
           if (!entryId) return entryId.Error();
           return Returned(sim->Add(entryId.Value()));
         }},
        {"Remove", 3,
         [](DispObject& o, const Args& a) -> Result<VariantValue> {
           Result<int32_t> index = a.Long(0);
           if (!index) return index.Error();
           return Returned(Self<SearchContainersObject>(o).sim_->Remove(index.Value()));
         }},
    };
    return members;
  }
  RdoSearchContainersPtr sim_;
};

const std::vector<Member>& FolderObject::Table() {
  static const std::vector<Member> members = {
      {"EntryID", 1, [](DispObject& o, const Args&) { return Returned(Self<FolderObject>(o).sim_->EntryID()); }},
      {"StoreID", 2, [](DispObject& o, const Args&) { return Returned(Self<FolderObject>(o).sim_->StoreID()); }},
      {"Name", 3, [](DispObject& o, const Args&) { return Returned(Self<FolderObject>(o).sim_->Name()); }},
      {"Fields", 4,
       [](DispObject& o, const Args& a) -> Result<VariantValue> {
         Result<int32_t> tag = a.Long(0);
         if (!tag) return tag.Error();
         return Returned(Self<FolderObject>(o).sim_->Fields(static_cast<uint32_t>(tag.Value())));
       }},
      {"SearchContainers", 5,
       [](DispObject& o, const Args&) {
         return OfSearch(
             o, [](RdoSearchFolder& s) { return ReturnedObject<SearchContainersObject>(s.SearchContainers()); });
       }},
      {"Stop", 6,
       [](DispObject& o, const Args&) { return OfSearch(o, [](RdoSearchFolder& s) { return Returned(s.Stop()); }); }},
      {"Start", 7,
       [](DispObject& o, const Args&) { return OfSearch(o, [](RdoSearchFolder& s) { return Returned(s.Start()); }); }},
      {"IsRunning", 8,
       [](DispObject& o, const Args&) {
         return OfSearch(o, [](RdoSearchFolder& s) { return Returned(s.IsRunning()); });
       }},
  };
  return members;
}

class RemindersObject final : public DispObject {
 public:
  explicit RemindersObject(RdoRemindersPtr sim) : DispObject(Table()), sim_(std::move(sim)) {}

 private:
  static const std::vector<Member>& Table() {
    static const std::vector<Member> members = {
        {"SearchFolder", 1,
         [](DispObject& o, const Args&) {
           return ReturnedObject<FolderObject>(Self<RemindersObject>(o).sim_->SearchFolder());
         }},
    };
    return members;
  }
  RdoRemindersPtr sim_;
};

class StoreObject final : public DispObject {
 public:
  explicit StoreObject(RdoStorePtr sim) : DispObject(Table()), sim_(std::move(sim)) {}

 private:
  static const std::vector<Member>& Table() {
    static const std::vector<Member> members = {
        {"EntryID", 1, [](DispObject& o, const Args&) { return Returned(Self<StoreObject>(o).sim_->EntryID()); }},
        {"Reminders", 2,
         [](DispObject& o, const Args&) {
           return ReturnedObject<RemindersObject>(Self<StoreObject>(o).sim_->Reminders());
         }},
    };
    return members;
  }
  RdoStorePtr sim_;
};

class StoresObject final : public DispObject {
 public:
  explicit StoresObject(RdoStoresPtr sim) : DispObject(Table()), sim_(std::move(sim)) {}

 private:
  static const std::vector<Member>& Table() {
    static const std::vector<Member> members = {
        {"DefaultStore", 1,
         [](DispObject& o, const Args&) {
           return ReturnedObject<StoreObject>(Self<StoresObject>(o).sim_->DefaultStore());
         }},
    };
    return members;
  }
  RdoStoresPtr sim_;
};

class SessionObject final : public DispObject {
 public:
  explicit SessionObject(RdoSessionPtr sim) : DispObject(Table()), sim_(std::move(sim)) {}

 private:
  static const std::vector<Member>& Table() {
    static const std::vector<Member> members = {
        {"Logon", 1,
         [](DispObject& o, const Args& a) -> Result<VariantValue> {
           // ParentWindowHandle and NoMailbox, when given, change nothing here.
           Result<std::string> profile = a.Text(0);
           Result<std::string> password = a.Text(1);
           Result<bool> showDialog = a.Boolean(2);
           Result<bool> newSession = a.Boolean(3);
           if (!profile) return profile.Error();
           if (!password) return password.Error();
           if (!showDialog) return showDialog.Error();
           if (!newSession) return newSession.Error();
           return Returned(Self<SessionObject>(o).sim_->Logon(profile.Value(), password.Value(), showDialog.Value(),
                                                              newSession.Value()));
         }},
        {"MAPIOBJECT", 2,
         [](DispObject& o, const Args& a) -> Result<VariantValue> {
           Result<Variant> value = a.Value(0);
           if (!value) return value.Error();
           return Returned(Self<SessionObject>(o).sim_->PutMAPIOBJECT(value.Value()));
         },
         true},
        {"ProfileName", 3,
         [](DispObject& o, const Args&) { return Returned(Self<SessionObject>(o).sim_->ProfileName()); }},
        {"Stores", 4,
         [](DispObject& o, const Args&) {
           return ReturnedObject<StoresObject>(Self<SessionObject>(o).sim_->Stores());
         }},
        {"GetFolderFromID", 5,
         [](DispObject& o, const Args& a) -> Result<VariantValue> {
           Result<std::string> entryId = a.Text(0);
           Result<std::string> storeId = a.Text(1);
           if (!entryId) return entryId.Error();
           if (!storeId) return storeId.Error();
           return ReturnedObject<FolderObject>(
               Self<SessionObject>(o).sim_->GetFolderFromID(entryId.Value(), storeId.Value()));
         }},
        {"CompareEntryIDs", 6,
         [](DispObject& o, const Args& a) -> Result<VariantValue> {
           Result<std::string> first = a.Text(0);
           Result<std::string> second = a.Text(1);
           if (!first) return first.Error();
           if (!second) return second.Error();
           return Returned(Self<SessionObject>(o).sim_->CompareEntryIDs(first.Value(), second.Value()));
         }},
    };
    return members;
  }
  RdoSessionPtr sim_;
};

}  // namespace

com::ComPtr<IDispatch> ServeRdoSession(RdoSessionPtr session) { return Serve<SessionObject>(std::move(session)); }

}  // namespace bellnest::standin
