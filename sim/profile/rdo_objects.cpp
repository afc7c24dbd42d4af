// The simulated RDO library: the session, stores, folders, the Reminders search folder and its
// list of search containers.
#include <utility>

#include "sim/profile/sim_world.h"

namespace bellnest::sim {

namespace {

constexpr const char* kNotLoggedOn = "not logged on";

std::string HexTag(uint32_t tag) {
  static const char* digits = "0123456789ABCDEF";
  std::string text = "0x00000000";
  for (int i = 9; i >= 2; --i, tag >>= 4) text[static_cast<size_t>(i)] = digits[tag & 0xF];
  return text;
}

RdoFolderPtr NewRdoFolder(const std::shared_ptr<World>& world, int folder);

// The members every RDO folder has, for plain and search folders alike.
template <class Interface>
class RdoFolderBase : public Interface, public FolderIdentity, public FolderObject {
 public:
  RdoFolderBase(std::shared_ptr<World> world, int folder, const char* kindName)
      : FolderObject(std::move(world), kindName, folder) {}

  Result<std::string> EntryID() override { return GetEntryID(); }
  Result<std::string> StoreID() override { return GetStoreID(); }
  Result<std::string> Name() override { return GetName(); }
  Result<Variant> Fields(uint32_t propTag) override {
    return W().template Invoke<Result<Variant>>(kind_, "Fields", {HexTag(propTag)}, Id(), [&]() -> Result<Variant> {
      const FolderModel& f = W().Model.Folder(folder_);
      switch (propTag) {
        case mapi::kPrContainerClass:
        case 0x3613001F:  // the Unicode form of the same property
          if (f.ContainerClass) return Variant(*f.ContainerClass);
          break;
        case mapi::kPrSubfolders:
          if (std::optional<bool> value = W().Model.SubfoldersValue(folder_)) return Variant(*value);
          break;
        case 0x3001001E:  // PR_DISPLAY_NAME
        case 0x3001001F:
          return Variant(f.Name);
        default:
          break;
      }
      return RdoError(kind_, "Fields", err::kMapiNotFound);
    });
  }

  int FolderIndex() const override { return folder_; }
  const World* Owner() const override { return world_.get(); }
};

class RdoFolderProxy final : public RdoFolderBase<RdoFolder> {
 public:
  RdoFolderProxy(std::shared_ptr<World> world, int folder)
      : RdoFolderBase(std::move(world), folder, kind::kRdoFolder) {}
};

class SearchContainersProxy final : public RdoSearchContainers, public SimObject {
 public:
  SearchContainersProxy(std::shared_ptr<World> world, int store)
      : SimObject(std::move(world), kind::kRdoSearchContainers), store_(store) {}

  Result<int32_t> Count() override {
    return W().Invoke<Result<int32_t>>(kind_, "Count", {}, Id(),
                                       [&] { return Result<int32_t>(static_cast<int32_t>(List().size())); });
  }
  Result<RdoFolderPtr> Item(int32_t index) override {
    return W().Invoke<Result<RdoFolderPtr>>(kind_, "Item", {std::to_string(index)}, Id(),
                                            [&]() -> Result<RdoFolderPtr> {
                                              if (index < 1 || index > static_cast<int32_t>(List().size()))
                                                return RdoError(kind_, "Item", hr::kBadIndex);
                                              const ContainerRef& c = List()[static_cast<size_t>(index - 1)];
                                              // A container whose folder is gone cannot be opened.
                                              if (c.Folder == kNone) return RdoError(kind_, "Item", err::kMapiNotFound);
                                              return NewRdoFolder(world_, c.Folder);
                                            });
  }
  Status Add(const RdoFolderPtr& folder) override {
    const auto* identity = dynamic_cast<const FolderIdentity*>(folder.get());
    const bool ours = identity != nullptr && identity->Owner() == world_.get();
    std::string arg = !folder ? "Nothing"
                      : ours  ? "RDOFolder(" + W().Model.Folder(identity->FolderIndex()).EntryID + ")"
                              : "Object()";
    return W().Invoke<Status>(kind_, "Add", {std::move(arg)}, Id(), [&]() -> Status {
      if (!ours) return RdoError(kind_, "Add", hr::kInvalidArg);
      Append(W().Model.ContainerFor(identity->FolderIndex()));
      return {};
    });
  }
  Status Add(const std::string& entryId) override {
    return W().Invoke<Status>(kind_, "Add", {entryId}, Id(), [&]() -> Status {
      const World::Opened opened = W().OpenFolder(entryId, "");
      if (opened.Error != 0) return RdoError(kind_, "Add", opened.Error);
      Append(W().Model.ContainerFor(opened.Folder));
      return {};
    });
  }
  Status Remove(int32_t index) override {
    return W().Invoke<Status>(kind_, "Remove", {std::to_string(index)}, Id(), [&]() -> Status {
      if (index < 1 || index > static_cast<int32_t>(List().size())) return RdoError(kind_, "Remove", hr::kBadIndex);
      List().erase(List().begin() + (index - 1));
      Search().History.push_back("Remove " + std::to_string(index));
      return {};
    });
  }

 private:
  SearchFolderModel& Search() const { return *W().Model.Store(store_).Reminders; }
  std::vector<ContainerRef>& List() const { return Search().Containers; }
  const std::string& Id() const { return W().Model.Folder(Search().Folder).EntryID; }
  void Append(ContainerRef container) {
    Search().History.push_back("Add " + container.EntryID);
    List().push_back(std::move(container));
  }
  int store_;
};

class SearchFolderProxy final : public RdoFolderBase<RdoSearchFolder> {
 public:
  SearchFolderProxy(std::shared_ptr<World> world, int folder)
      : RdoFolderBase(std::move(world), folder, kind::kRdoSearchFolder) {}

  Result<RdoSearchContainersPtr> SearchContainers() override {
    return W().Invoke<Result<RdoSearchContainersPtr>>(kind_, "SearchContainers", {}, Id(), [&] {
      return Result<RdoSearchContainersPtr>(
          RdoSearchContainersPtr(std::make_shared<SearchContainersProxy>(world_, StoreIndex())));
    });
  }
  Status Stop() override {
    return W().Invoke<Status>(kind_, "Stop", {}, Id(), [&] {
      Search().Running = false;
      Search().History.push_back("Stop");
      return Status();
    });
  }
  Status Start() override {
    return W().Invoke<Status>(kind_, "Start", {}, Id(), [&] {
      // Outlook takes the edited list as the new scope; whether it accepts it is JudgeScope's.
      Search().Running = true;
      Search().Effective = Search().Containers;
      Search().History.push_back("Start");
      return Status();
    });
  }
  Result<bool> IsRunning() override {
    return W().Invoke<Result<bool>>(kind_, "IsRunning", {}, Id(), [&] { return Result<bool>(Search().Running); });
  }

 private:
  int StoreIndex() const { return W().Model.Folder(folder_).Store; }
  SearchFolderModel& Search() const { return *W().Model.Store(StoreIndex()).Reminders; }
};

RdoFolderPtr NewRdoFolder(const std::shared_ptr<World>& world, int folder) {
  if (world->Model.Folder(folder).IsSearchFolder) return std::make_shared<SearchFolderProxy>(world, folder);
  return std::make_shared<RdoFolderProxy>(world, folder);
}

class RemindersProxy final : public RdoReminders, public SimObject {
 public:
  RemindersProxy(std::shared_ptr<World> world, int store)
      : SimObject(std::move(world), kind::kRdoReminders), store_(store) {}
  Result<RdoSearchFolderPtr> SearchFolder() override {
    const std::string& id = W().Model.Store(store_).EntryID;
    return W().Invoke<Result<RdoSearchFolderPtr>>(kind_, "SearchFolder", {}, id, [&]() -> Result<RdoSearchFolderPtr> {
      const std::optional<SearchFolderModel>& search = W().Model.Store(store_).Reminders;
      if (!search) return RdoSearchFolderPtr();
      return RdoSearchFolderPtr(std::make_shared<SearchFolderProxy>(world_, search->Folder));
    });
  }

 private:
  int store_;
};

class StoreProxy final : public RdoStore, public SimObject {
 public:
  StoreProxy(std::shared_ptr<World> world, int store) : SimObject(std::move(world), kind::kRdoStore), store_(store) {}
  Result<std::string> EntryID() override {
    return W().Invoke<Result<std::string>>(kind_, "EntryID", {}, Id(), [&] { return Result<std::string>(Id()); });
  }
  Result<RdoRemindersPtr> Reminders() override {
    return W().Invoke<Result<RdoRemindersPtr>>(kind_, "Reminders", {}, Id(), [&] {
      return Result<RdoRemindersPtr>(RdoRemindersPtr(std::make_shared<RemindersProxy>(world_, store_)));
    });
  }

 private:
  const std::string& Id() const { return W().Model.Store(store_).EntryID; }
  int store_;
};

class StoresProxy final : public RdoStores, public SimObject {
 public:
  explicit StoresProxy(std::shared_ptr<World> world) : SimObject(std::move(world), kind::kRdoStores) {}
  Result<RdoStorePtr> DefaultStore() override {
    return W().Invoke<Result<RdoStorePtr>>(kind_, "DefaultStore", {}, "", [&]() -> Result<RdoStorePtr> {
      if (W().Model.DefaultStore == kNone) return RdoStorePtr();
      return RdoStorePtr(std::make_shared<StoreProxy>(world_, W().Model.DefaultStore));
    });
  }
};

class SessionProxy final : public RdoSession, public SimObject {
 public:
  explicit SessionProxy(std::shared_ptr<World> world) : SimObject(std::move(world), kind::kRdoSession) {}

  Status Logon(const std::string& profileName, const std::string& password, bool showDialog, bool newSession) override {
    return W().Invoke<Status>(kind_, "Logon",
                              {profileName, password, showDialog ? "True" : "False", newSession ? "True" : "False"}, "",
                              [&]() -> Status {
                                // An empty name logs on to the default profile, which is the simulated one.
                                if (!profileName.empty() && profileName != W().Model.ProfileName)
                                  return RdoError(kind_, "Logon", hr::kLogonFailed);
                                // Either flag is a visible difference in Outlook: a profile
                                // picker, or a second MAPI session beside Outlook's.
                                LogOn(std::string("Logon") + (showDialog ? ", profile dialog shown" : "") +
                                      (newSession ? ", new MAPI session" : ""));
                                return {};
                              });
  }
  Status PutMAPIOBJECT(const Variant& mapiObject) override {
    return W().Invoke<Status>(kind_, "MAPIOBJECT", {VariantText(mapiObject)}, "", [&]() -> Status {
      const DispatchPtr* object = std::get_if<DispatchPtr>(&mapiObject);
      const auto* session = object != nullptr ? dynamic_cast<const MapiObjectDispatch*>(object->get()) : nullptr;
      if (session == nullptr || session->Owner() != world_.get()) return RdoError(kind_, "MAPIOBJECT", hr::kInvalidArg);
      mapiObject_ = *object;  // the session keeps Outlook's MAPI session while it lives
      LogOn("MAPIOBJECT");
      return {};
    });
  }
  Result<std::string> ProfileName() override {
    return W().Invoke<Result<std::string>>(kind_, "ProfileName", {}, "", [&]() -> Result<std::string> {
      if (!loggedOn_) return NotLoggedOn("ProfileName");
      return W().Model.ProfileName;
    });
  }
  Result<RdoStoresPtr> Stores() override {
    return W().Invoke<Result<RdoStoresPtr>>(kind_, "Stores", {}, "", [&]() -> Result<RdoStoresPtr> {
      if (!loggedOn_) return NotLoggedOn("Stores");
      return RdoStoresPtr(std::make_shared<StoresProxy>(world_));
    });
  }
  Result<RdoFolderPtr> GetFolderFromID(const std::string& entryId, const std::string& storeId) override {
    return W().Invoke<Result<RdoFolderPtr>>(kind_, "GetFolderFromID", {entryId, storeId}, "",
                                            [&]() -> Result<RdoFolderPtr> {
                                              if (!loggedOn_) return NotLoggedOn("GetFolderFromID");
                                              const World::Opened opened = W().OpenFolder(entryId, storeId);
                                              if (opened.Error != 0)
                                                return RdoError(kind_, "GetFolderFromID", opened.Error);
                                              return NewRdoFolder(world_, opened.Folder);
                                            });
  }
  Result<bool> CompareEntryIDs(const std::string& entryId1, const std::string& entryId2) override {
    return W().Invoke<Result<bool>>(kind_, "CompareEntryIDs", {entryId1, entryId2}, "", [&]() -> Result<bool> {
      if (!loggedOn_) return NotLoggedOn("CompareEntryIDs");
      const World::Compared compared = W().CompareIds(entryId1, entryId2);
      if (compared.Error != 0) return RdoError(kind_, "CompareEntryIDs", compared.Error);
      return compared.Same;
    });
  }

 private:
  void LogOn(std::string how) {
    loggedOn_ = true;
    W().Logons.push_back(std::move(how));
  }
  ErrorInfo NotLoggedOn(const char* method) const {
    ErrorInfo error = RdoError(kind_, method, hr::kNotInitialized);
    error.Description += std::string(" (") + kNotLoggedOn + ")";
    return error;
  }

  bool loggedOn_ = false;
  DispatchPtr mapiObject_;
};

}  // namespace

RdoSessionPtr NewSession(const std::shared_ptr<World>& world) { return std::make_shared<SessionProxy>(world); }

}  // namespace bellnest::sim
