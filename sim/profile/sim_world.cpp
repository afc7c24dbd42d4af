// Identifier resolution and comparison, and the live-object count, shared by all host objects.
#include "sim/profile/sim_world.h"

namespace bellnest::sim {

World::Opened World::OpenFolder(const std::string& entryId, const std::string& storeId) const {
  if (!IsWellFormedEntryId(entryId)) return {kNone, hr::kInvalidEntryId};
  if (!storeId.empty() && !IsWellFormedEntryId(storeId)) return {kNone, hr::kInvalidEntryId};
  const int folder = Model.FolderById(entryId);
  if (folder == kNone) return {kNone, err::kMapiNotFound};
  if (!storeId.empty() && Model.StoreById(storeId) != Model.Folder(folder).Store) return {kNone, err::kMapiNotFound};
  return {folder, 0};
}

World::Compared World::CompareIds(const std::string& a, const std::string& b) const {
  if (a.empty() || b.empty()) return {false, 0};
  if (!IsWellFormedEntryId(a) || !IsWellFormedEntryId(b)) return {false, hr::kInvalidEntryId};
  const int folderA = Model.FolderById(a);
  const int folderB = Model.FolderById(b);
  if (folderA != kNone || folderB != kNone) return {folderA == folderB, 0};
  const int storeA = Model.StoreById(a);
  const int storeB = Model.StoreById(b);
  if (storeA != kNone || storeB != kNone) return {storeA == storeB, 0};
  return {UpperHex(a) == UpperHex(b), 0};
}

SimObject::SimObject(std::shared_ptr<World> world, const char* kindName) : world_(std::move(world)), kind_(kindName) {
  ++world_->Live;
  ++world_->LiveByKind[kind_];
}

SimObject::~SimObject() {
  --world_->Live;
  if (--world_->LiveByKind[kind_] == 0) world_->LiveByKind.erase(kind_);
}

Result<Variant> MapiObjectDispatch::GetProperty(std::string_view name) {
  const std::string method(name);
  return W().Invoke<Result<Variant>>(kind_, method.c_str(), {}, "",
                                     [] { return Result<Variant>(RuntimeError(err::kObjectDoesNotSupport)); });
}

std::string VariantText(const Variant& v) {
  if (std::holds_alternative<Empty>(v)) return "Empty";
  if (const DispatchPtr* d = std::get_if<DispatchPtr>(&v)) {
    if (!*d) return "Nothing";
    if (dynamic_cast<const MapiObjectDispatch*>(d->get()) != nullptr) return "MAPIOBJECT()";
    return "Object()";
  }
  return ToText(v).ValueOr("");
}

}  // namespace bellnest::sim
