// The simulated Outlook object model: the page site, Application, the COM add-in list and the
// companion add-in's objects, NameSpace, MAPIFolder and the Folders enumeration.
#include <utility>

#include "sim/profile/sim_world.h"

namespace bellnest::sim {

namespace {

constexpr const char* kAddInProgId = "Bellnest.Connect";

MapiFolderPtr NewMapiFolder(const std::shared_ptr<World>& world, int folder);

class PPClassDispatch final : public Dispatch, public SimObject {
 public:
  explicit PPClassDispatch(std::shared_ptr<World> world) : SimObject(std::move(world), kind::kPPClass) {}
  Result<Variant> GetProperty(std::string_view name) override {
    const std::string method(name);
    return W().Invoke<Result<Variant>>(kind_, method.c_str(), {}, "", [&]() -> Result<Variant> {
      if (EqualsIgnoringCase(name, "Online")) return W().Model.AddIn.Online;
      return RuntimeError(err::kObjectDoesNotSupport);
    });
  }
};

// The add-in's object as the profile describes it. Over a loaded add-in's own object (real),
// the profile still decides what PPClass is when it says it is missing or not an object.
class AddInObjectDispatch final : public Dispatch, public SimObject {
 public:
  explicit AddInObjectDispatch(std::shared_ptr<World> world, DispatchPtr real = nullptr)
      : SimObject(std::move(world), kind::kAddInObject), real_(std::move(real)) {}
  Result<Variant> GetProperty(std::string_view name) override {
    const std::string method(name);
    return W().Invoke<Result<Variant>>(kind_, method.c_str(), {}, "", [&]() -> Result<Variant> {
      const bool ppClass = EqualsIgnoringCase(name, "PPClass");
      if (ppClass && W().Model.AddIn.PPClassText) return Variant(*W().Model.AddIn.PPClassText);
      if (ppClass && !W().Model.AddIn.HasPPClass) return RuntimeError(err::kObjectDoesNotSupport);
      if (real_) return real_->GetProperty(name);
      if (ppClass) return Variant(DispatchPtr(std::make_shared<PPClassDispatch>(world_)));
      return RuntimeError(err::kObjectDoesNotSupport);
    });
  }

  // Whether a loaded add-in's object needs the profile's word in front of it.
  static bool Overrides(const AddInModel& addIn) { return addIn.PPClassText.has_value() || !addIn.HasPPClass; }

 private:
  DispatchPtr real_;
};

class ComAddInProxy final : public ComAddIn, public SimObject {
 public:
  ComAddInProxy(std::shared_ptr<World> world, std::string progId)
      : SimObject(std::move(world), kind::kComAddIn), progId_(std::move(progId)) {}
  Result<DispatchPtr> Object() override {
    return W().Invoke<Result<DispatchPtr>>(kind_, "Object", {}, "", [&]() -> Result<DispatchPtr> {
      // Bellnest's own add-in is as the profile says, loaded or simulated.
      const bool ours = EqualsIgnoringCase(progId_, kAddInProgId);
      if (ours && !W().Model.AddIn.Connected) return DispatchPtr();
      if (!W().AddIns) return DispatchPtr(std::make_shared<AddInObjectDispatch>(world_));
      DispatchPtr real = W().AddIns->Find(progId_).value_or(DispatchPtr());
      if (ours && real && AddInObjectDispatch::Overrides(W().Model.AddIn)) {
        return DispatchPtr(std::make_shared<AddInObjectDispatch>(world_, real));
      }
      return real;
    });
  }

 private:
  std::string progId_;
};

class ComAddInsProxy final : public ComAddIns, public SimObject {
 public:
  explicit ComAddInsProxy(std::shared_ptr<World> world) : SimObject(std::move(world), kind::kComAddIns) {}
  Result<ComAddInPtr> Item(const std::string& progId) override {
    return W().Invoke<Result<ComAddInPtr>>(kind_, "Item", {progId}, "", [&]() -> Result<ComAddInPtr> {
      const bool ours = EqualsIgnoringCase(progId, kAddInProgId);
      const bool loaded = W().AddIns && W().AddIns->Find(progId).has_value();
      const bool listed = ours ? W().Model.AddIn.Listed && (!W().AddIns || loaded) : loaded;
      if (!listed) return OutlookError(hr::kBadIndex);
      return ComAddInPtr(std::make_shared<ComAddInProxy>(world_, progId));
    });
  }
};

class FolderEnumeratorProxy final : public FolderEnumerator, public SimObject {
 public:
  FolderEnumeratorProxy(std::shared_ptr<World> world, std::vector<int> folders, std::string target)
      : SimObject(std::move(world), kind::kFolderEnumerator),
        folders_(std::move(folders)),
        target_(std::move(target)) {}
  Result<MapiFolderPtr> Next() override {
    return W().Invoke<Result<MapiFolderPtr>>(kind_, "Next", {}, target_, [&]() -> Result<MapiFolderPtr> {
      if (next_ >= folders_.size()) return MapiFolderPtr();
      return NewMapiFolder(world_, folders_[next_++]);
    });
  }

 private:
  std::vector<int> folders_;  // the subfolders as they were when the enumeration began
  size_t next_ = 0;
  std::string target_;
};

class FoldersProxy final : public Folders, public SimObject {
 public:
  FoldersProxy(std::shared_ptr<World> world, int folder)
      : SimObject(std::move(world), kind::kFolders), folder_(folder) {}
  Result<FolderEnumeratorPtr> NewEnum() override {
    const std::string& id = W().Model.Folder(folder_).EntryID;
    return W().Invoke<Result<FolderEnumeratorPtr>>(kind_, "NewEnum", {}, id, [&]() -> Result<FolderEnumeratorPtr> {
      return FolderEnumeratorPtr(
          std::make_shared<FolderEnumeratorProxy>(world_, W().Model.Folder(folder_).Children, id));
    });
  }

 private:
  int folder_;
};

class MapiFolderProxy final : public MapiFolder, public FolderObject {
 public:
  MapiFolderProxy(std::shared_ptr<World> world, int folder)
      : FolderObject(std::move(world), kind::kMapiFolder, folder) {}

  Result<MapiFolderPtr> Parent() override {
    return W().Invoke<Result<MapiFolderPtr>>(kind_, "Parent", {}, Id(), [&]() -> Result<MapiFolderPtr> {
      const int parent = W().Model.Folder(folder_).Parent;
      // Above a top folder Outlook answers the NameSpace, which is no folder.
      if (parent == kNone) return RuntimeError(err::kTypeMismatch);
      return NewMapiFolder(world_, parent);
    });
  }
  Result<std::string> EntryID() override { return GetEntryID(); }
  Result<std::string> StoreID() override { return GetStoreID(); }
  Result<std::string> Name() override { return GetName(); }
  Result<FoldersPtr> Folders() override {
    return W().Invoke<Result<FoldersPtr>>(kind_, "Folders", {}, Id(), [&] {
      return Result<FoldersPtr>(FoldersPtr(std::make_shared<FoldersProxy>(world_, folder_)));
    });
  }
};

MapiFolderPtr NewMapiFolder(const std::shared_ptr<World>& world, int folder) {
  return std::make_shared<MapiFolderProxy>(world, folder);
}

class NameSpaceProxy final : public NameSpace, public SimObject {
 public:
  explicit NameSpaceProxy(std::shared_ptr<World> world) : SimObject(std::move(world), kind::kNameSpace) {}

  Result<MapiFolderPtr> GetDefaultFolder(int32_t folderType) override {
    return W().Invoke<Result<MapiFolderPtr>>(
        kind_, "GetDefaultFolder", {std::to_string(folderType)}, "", [&]() -> Result<MapiFolderPtr> {
          const std::optional<DefaultFolder> role = DefaultFolderByNumber(folderType);
          if (!role) return OutlookError(hr::kInvalidArg);
          const int folder = W().Model.DefaultFolderOf(*role);
          if (folder == kNone) return OutlookError(err::kMapiNotFound);
          return NewMapiFolder(world_, folder);
        });
  }
  Result<MapiFolderPtr> GetFolderFromID(const std::string& entryId, const std::string& storeId) override {
    return W().Invoke<Result<MapiFolderPtr>>(kind_, "GetFolderFromID", {entryId, storeId}, "",
                                             [&]() -> Result<MapiFolderPtr> {
                                               const World::Opened opened = W().OpenFolder(entryId, storeId);
                                               if (opened.Error != 0) return OutlookError(opened.Error);
                                               return NewMapiFolder(world_, opened.Folder);
                                             });
  }
  Result<Variant> GetProperty(const std::string& name) override {
    return W().Invoke<Result<Variant>>(kind_, name.c_str(), {}, "", [&]() -> Result<Variant> {
      if (EqualsIgnoringCase(name, "MAPIOBJECT"))
        return Variant(DispatchPtr(std::make_shared<MapiObjectDispatch>(world_)));
      // The profile's add-in answer says whether Outlook works online.
      if (EqualsIgnoringCase(name, "Offline")) {
        Result<bool> online = ToBoolean(W().Model.AddIn.Online);
        return Variant(online.Ok() && !online.Value());
      }
      return RuntimeError(err::kObjectDoesNotSupport);
    });
  }
};

class ApplicationProxy final : public Application, public SimObject {
 public:
  explicit ApplicationProxy(std::shared_ptr<World> world) : SimObject(std::move(world), kind::kApplication) {}

  Result<ComAddInsPtr> COMAddIns() override {
    return W().Invoke<Result<ComAddInsPtr>>(kind_, "COMAddIns", {}, "", [&] {
      return Result<ComAddInsPtr>(ComAddInsPtr(std::make_shared<ComAddInsProxy>(world_)));
    });
  }
  Result<NameSpacePtr> GetNamespace(const std::string& type) override {
    return W().Invoke<Result<NameSpacePtr>>(kind_, "GetNamespace", {type}, "", [&]() -> Result<NameSpacePtr> {
      if (!EqualsIgnoringCase(type, "MAPI")) return OutlookError(hr::kInvalidArg);
      return NameSpacePtr(std::make_shared<NameSpaceProxy>(world_));
    });
  }
  Result<std::string> Version() override {
    return W().Invoke<Result<std::string>>(kind_, "Version", {}, "",
                                           [&] { return Result<std::string>(W().Model.OutlookVersion); });
  }
};

class PageSiteProxy final : public PropertyPageSite, public SimObject {
 public:
  explicit PageSiteProxy(std::shared_ptr<World> world) : SimObject(std::move(world), kind::kPropertyPageSite) {}

  Result<ApplicationPtr> Application() override {
    return W().Invoke<Result<ApplicationPtr>>(kind_, "Application", {}, "", [&]() -> Result<ApplicationPtr> {
      if (!W().Model.SiteHasApplication) return ApplicationPtr();
      return NewApplication(world_);
    });
  }
  Status OnStatusChange() override {
    return W().Invoke<Status>(kind_, "OnStatusChange", {}, "", [&] {
      ++W().StatusChanges;
      return Status();
    });
  }
};

}  // namespace

PropertyPageSitePtr NewPageSite(const std::shared_ptr<World>& world) { return std::make_shared<PageSiteProxy>(world); }
ApplicationPtr NewApplication(const std::shared_ptr<World>& world) { return std::make_shared<ApplicationProxy>(world); }

}  // namespace bellnest::sim
