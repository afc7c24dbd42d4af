// Inside the simulated Outlook: the state its host objects share (the model, the call record,
// the live-object counts) and the one gate every host call passes. Only the simulation's own
// source files include this header.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "host/outlook.h"
#include "host/rdo.h"
#include "sim/profile/host_calls.h"
#include "sim/profile/profile_model.h"
#include "sim/profile/simulated_outlook.h"

namespace bellnest::sim {

template <class R>
struct NothingResult {
  static constexpr bool kPossible = false;
};
template <class P>
struct NothingResult<Result<std::shared_ptr<P>>> {
  static constexpr bool kPossible = true;
  static Result<std::shared_ptr<P>> Make() { return std::shared_ptr<P>(); }
};
template <>
struct NothingResult<Result<Variant>> {
  static constexpr bool kPossible = true;
  static Result<Variant> Make() { return Variant(DispatchPtr()); }
};

struct World {
  explicit World(ProfileModel model) : Model(std::move(model)) {}

  ProfileModel Model;
  std::shared_ptr<AddInList> AddIns;  // set: the add-ins really loaded, else the profile's
  CallRecord Calls;
  int Live = 0;
  std::map<std::string, int> LiveByKind;
  int StatusChanges = 0;
  int SessionsCreated = 0;
  std::vector<std::string> Logons;

  using Args = std::vector<std::string>;

  // Applies the fault rules (every matching rule counts the call; the first that trips
  // decides), runs the call, and records it.
  template <class R, class Body>
  R Invoke(const char* kindName, const char* method, Args args, std::string_view target, Body&& body) {
    FaultRule* tripped = nullptr;
    for (FaultRule& rule : Model.Faults)
      if (rule.Matches(kindName, method, args, target) && rule.Trips() && tripped == nullptr) tripped = &rule;
    if (tripped != nullptr) {
      if constexpr (NothingResult<R>::kPossible) {
        if (tripped->ReturnNothing) {
          Record(kindName, method, std::move(args), target, true, 0);
          return NothingResult<R>::Make();
        }
      }
      Record(kindName, method, std::move(args), target, false, tripped->Error.Number);
      return R(tripped->Error);
    }
    R result = body();
    const bool ok = result.Ok();
    Record(kindName, method, std::move(args), target, ok, ok ? 0 : result.Error().Number);
    return result;
  }

  void Record(const char* kindName, const char* method, Args args, std::string_view target, bool ok, int32_t error) {
    Calls.Add(HostCall{kindName, method, std::move(args), std::string(target), ok, error});
  }

  // The folder an identifier pair names (an empty store identifier looks in every store),
  // or the MAPI error number.
  struct Opened {
    int Folder = kNone;
    int32_t Error = 0;
  };
  Opened OpenFolder(const std::string& entryId, const std::string& storeId) const;

  // CompareEntryIDs: the same folder or store (aliases included); unknown identifiers are
  // equal when their bytes are; an empty one names nothing; a malformed one is an error.
  struct Compared {
    bool Same = false;
    int32_t Error = 0;
  };
  Compared CompareIds(const std::string& a, const std::string& b) const;
};

// Every host object: counts itself alive while it exists and keeps the world alive.
class SimObject {
 public:
  SimObject(std::shared_ptr<World> world, const char* kindName);
  ~SimObject();
  SimObject(const SimObject&) = delete;
  SimObject& operator=(const SimObject&) = delete;

 protected:
  World& W() const { return *world_; }
  std::shared_ptr<World> world_;
  const char* kind_;
};

// The identity members that Outlook's and RDO's folder objects share.
class FolderObject : public SimObject {
 public:
  FolderObject(std::shared_ptr<World> world, const char* kindName, int folder)
      : SimObject(std::move(world), kindName), folder_(folder) {}

 protected:
  const std::string& Id() const { return W().Model.Folder(folder_).EntryID; }
  Result<std::string> GetEntryID() {
    return W().Invoke<Result<std::string>>(kind_, "EntryID", {}, Id(), [&] { return Result<std::string>(Id()); });
  }
  Result<std::string> GetStoreID() {
    return W().Invoke<Result<std::string>>(kind_, "StoreID", {}, Id(), [&] {
      return Result<std::string>(W().Model.Store(W().Model.Folder(folder_).Store).EntryID);
    });
  }
  Result<std::string> GetName() {
    return W().Invoke<Result<std::string>>(kind_, "Name", {}, Id(),
                                           [&] { return Result<std::string>(W().Model.Folder(folder_).Name); });
  }

  int folder_;
};

// Lets the RDO objects recognise Outlook's MAPI session and their own folder objects.
class MapiObjectDispatch final : public Dispatch, public SimObject {
 public:
  explicit MapiObjectDispatch(std::shared_ptr<World> world) : SimObject(std::move(world), kind::kMapiObject) {}
  Result<Variant> GetProperty(std::string_view name) override;
  const World* Owner() const { return world_.get(); }
};

class FolderIdentity {
 public:
  virtual ~FolderIdentity() = default;
  virtual int FolderIndex() const = 0;
  virtual const World* Owner() const = 0;
};

PropertyPageSitePtr NewPageSite(const std::shared_ptr<World>& world);
ApplicationPtr NewApplication(const std::shared_ptr<World>& world);
RdoSessionPtr NewSession(const std::shared_ptr<World>& world);

std::string VariantText(const Variant& v);

}  // namespace bellnest::sim
