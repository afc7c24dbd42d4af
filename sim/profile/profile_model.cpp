// The profile model: building it with checked identifiers, resolving identifiers and paths,
// and judging a search scope.
#include "sim/profile/profile_model.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace bellnest::sim {

namespace {

struct RoleInfo {
  DefaultFolder Role;
  const char* Name;
  int32_t Number;
};

// In the order of the enumeration.
constexpr std::array<RoleInfo, kDefaultFolderCount> kRoles = {{
    {DefaultFolder::DeletedItems, "DeletedItems", 3},
    {DefaultFolder::Outbox, "Outbox", 4},
    {DefaultFolder::SentItems, "SentItems", 5},
    {DefaultFolder::Inbox, "Inbox", 6},
    {DefaultFolder::Calendar, "Calendar", 9},
    {DefaultFolder::Contacts, "Contacts", 10},
    {DefaultFolder::Journal, "Journal", 11},
    {DefaultFolder::Notes, "Notes", 12},
    {DefaultFolder::Tasks, "Tasks", 13},
    {DefaultFolder::Drafts, "Drafts", 16},
    {DefaultFolder::Junk, "Junk", 23},
}};

ErrorInfo ModelError(std::string text) { return ErrorInfo{hr::kInvalidArg, std::move(text), "bellnest.sim"}; }

// FNV-1a, so generated identifiers are the same on every run and machine.
uint64_t Fnv1a(std::string_view text, uint64_t seed) {
  uint64_t hash = seed;
  for (unsigned char c : text) {
    hash ^= c;
    hash *= 1099511628211ULL;
  }
  return hash;
}

std::string Hex(uint64_t value, int digits) {
  std::string out(static_cast<size_t>(digits), '0');
  for (int i = digits - 1; i >= 0; --i, value >>= 4) out[static_cast<size_t>(i)] = "0123456789ABCDEF"[value & 0xF];
  return out;
}

std::string HexOfBytes(std::string_view text) {
  std::string out;
  for (unsigned char c : text) out += Hex(c, 2);
  return out;
}

}  // namespace

const char* DefaultFolderName(DefaultFolder role) { return kRoles[static_cast<size_t>(role)].Name; }
int32_t DefaultFolderNumber(DefaultFolder role) { return kRoles[static_cast<size_t>(role)].Number; }

std::optional<DefaultFolder> DefaultFolderByName(std::string_view name) {
  for (const RoleInfo& r : kRoles)
    if (name == r.Name) return r.Role;
  return std::nullopt;
}

std::optional<DefaultFolder> DefaultFolderByNumber(int32_t number) {
  for (const RoleInfo& r : kRoles)
    if (number == r.Number) return r.Role;
  return std::nullopt;
}

std::string DefaultFolderNameList() {
  std::string list;
  for (const RoleInfo& r : kRoles) list += (list.empty() ? "" : ", ") + std::string(r.Name);
  return list;
}

bool IsWellFormedEntryId(std::string_view entryId) {
  return !entryId.empty() && entryId.size() % 2 == 0 && std::all_of(entryId.begin(), entryId.end(), [](char c) {
    return std::isxdigit(static_cast<unsigned char>(c));
  });
}

std::string UpperHex(std::string_view entryId) {
  std::string out(entryId);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

ProfileModel::ProfileModel() { defaults_.fill(kNone); }

Status ProfileModel::Register(const std::string& entryId, IdTarget target, const std::string& what) {
  if (!IsWellFormedEntryId(entryId))
    return ModelError("entry id " + Quoted(entryId) + " of " + what + " is not hex of even length");
  auto [it, inserted] = ids_.emplace(UpperHex(entryId), target);
  if (!inserted) return ModelError("duplicate entry id " + Quoted(entryId) + ": " + what + " and " + Describe(it->second));
  return {};
}

std::string ProfileModel::Describe(IdTarget target) const {
  if (target.IsStore) return "store " + Quoted(Store(target.Index).Name);
  const std::optional<std::string> path = PathOf(target.Index);
  return "folder " + Quoted((path ? *path : Folder(target.Index).Name));
}

std::string ProfileModel::GenerateFolderId(int store) {
  // Like a PST folder identifier: flags, the store's provider UID, a node id.
  const uint32_t node = nextNodeIds_[static_cast<size_t>(store)]++;
  return "00000000" + storeUids_[static_cast<size_t>(store)] + Hex((static_cast<uint64_t>(node) << 5) | 0x02, 8);
}

Result<int> ProfileModel::AddStore(std::string name, std::string entryId, std::string topFolderName,
                                   std::string topFolderEntryId) {
  const int index = static_cast<int>(stores_.size());
  const std::string seed = name + "#" + std::to_string(index);
  std::string uid = Hex(Fnv1a(seed, 14695981039346656037ULL), 16) + Hex(Fnv1a(seed, 1099511628211ULL), 16);
  if (entryId.empty()) entryId = "00000000" + uid + "0000" + HexOfBytes(name) + "00";
  if (Status s = Register(entryId, {true, index}, "store " + Quoted(name)); !s) return s.Error();
  StoreModel store;
  store.Name = name;
  store.EntryID = std::move(entryId);
  stores_.push_back(std::move(store));
  storeUids_.push_back(std::move(uid));
  nextNodeIds_.push_back(0x401);
  if (DefaultStore == kNone && index == 0) DefaultStore = 0;

  // The top folder ("Top of Information Store") has no container class.
  if (topFolderEntryId.empty()) topFolderEntryId = GenerateFolderId(index);
  FolderModel top;
  top.Name = topFolderName.empty() ? name : std::move(topFolderName);
  top.Store = index;
  top.EntryID = topFolderEntryId;
  const int topIndex = static_cast<int>(folders_.size());
  if (Status s = Register(topFolderEntryId, {false, topIndex}, "the top folder of store " + Quoted(name)); !s) {
    ids_.erase(UpperHex(stores_.back().EntryID));
    stores_.pop_back();
    storeUids_.pop_back();
    nextNodeIds_.pop_back();
    if (DefaultStore == index) DefaultStore = kNone;
    return s.Error();
  }
  folders_.push_back(std::move(top));
  stores_.back().TopFolder = topIndex;
  return index;
}

Result<int> ProfileModel::AddFolder(int parent, std::string name, std::optional<std::string> containerClass,
                                    std::string entryId) {
  if (parent < 0 || parent >= static_cast<int>(folders_.size()) || Folder(parent).IsSearchFolder)
    return ModelError("folder " + Quoted(name) + " has no valid parent folder");
  const int store = Folder(parent).Store;
  if (entryId.empty()) entryId = GenerateFolderId(store);
  const int index = static_cast<int>(folders_.size());
  if (Status s = Register(entryId, {false, index}, "folder " + Quoted(name)); !s) return s.Error();
  FolderModel folder;
  folder.Name = std::move(name);
  folder.ContainerClass = std::move(containerClass);
  folder.EntryID = std::move(entryId);
  folder.Store = store;
  folder.Parent = parent;
  folders_.push_back(std::move(folder));
  Folder(parent).Children.push_back(index);
  return index;
}

Result<int> ProfileModel::AddRemindersFolder(int store, std::string entryId, std::string name) {
  if (store < 0 || store >= static_cast<int>(stores_.size())) return ModelError("no such store");
  if (Store(store).Reminders) return ModelError("store " + Quoted(Store(store).Name) + " already has a Reminders folder");
  if (entryId.empty()) entryId = GenerateFolderId(store);
  const int index = static_cast<int>(folders_.size());
  if (Status s = Register(entryId, {false, index}, "the Reminders folder of store " + Quoted(Store(store).Name)); !s)
    return s.Error();
  FolderModel folder;
  folder.Name = std::move(name);
  folder.ContainerClass = "Outlook.Reminder";
  folder.Subfolders = SubfoldersProperty::False;
  folder.EntryID = std::move(entryId);
  folder.Store = store;
  folder.IsSearchFolder = true;
  folders_.push_back(std::move(folder));
  SearchFolderModel search;
  search.Folder = index;
  Store(store).Reminders = std::move(search);
  return index;
}

Status ProfileModel::AddFolderAlias(int folder, std::string alias) {
  if (Status s = Register(alias, {false, folder}, "an alias of folder " + Quoted(Folder(folder).Name)); !s) return s;
  Folder(folder).Aliases.push_back(std::move(alias));
  return {};
}

Status ProfileModel::AddStoreAlias(int store, std::string alias) {
  if (Status s = Register(alias, {true, store}, "an alias of store " + Quoted(Store(store).Name)); !s) return s;
  Store(store).Aliases.push_back(std::move(alias));
  return {};
}

Status ProfileModel::SetDefaultFolder(DefaultFolder role, int folder) {
  if (folder != kNone) {
    if (folder < 0 || folder >= static_cast<int>(folders_.size())) return ModelError("no such folder");
    if (Folder(folder).Store != DefaultStore)
      return ModelError(std::string("default folder ") + DefaultFolderName(role) + " must be in the default store");
  }
  defaults_[static_cast<size_t>(role)] = folder;
  return {};
}

int ProfileModel::FolderById(std::string_view entryId) const {
  auto it = ids_.find(UpperHex(entryId));
  return it == ids_.end() || it->second.IsStore ? kNone : it->second.Index;
}

int ProfileModel::StoreById(std::string_view entryId) const {
  auto it = ids_.find(UpperHex(entryId));
  return it == ids_.end() || !it->second.IsStore ? kNone : it->second.Index;
}

int ProfileModel::FolderByPath(std::string_view path) const {
  int store = DefaultStore;
  size_t longest = 0;
  for (size_t s = 0; s < stores_.size(); ++s) {
    const std::string& name = stores_[s].Name;
    if (name.size() + 1 > longest && path.size() > name.size() && path.compare(0, name.size(), name) == 0 &&
        path[name.size()] == ':') {
      store = static_cast<int>(s);
      longest = name.size() + 1;
    }
  }
  path.remove_prefix(longest);
  if (store == kNone) return kNone;
  if (!path.empty() && path.front() == '/') path.remove_prefix(1);
  int folder = Store(store).TopFolder;
  while (!path.empty()) {
    const size_t slash = path.find('/');
    const std::string_view segment = path.substr(0, slash);
    path = slash == std::string_view::npos ? std::string_view() : path.substr(slash + 1);
    if (segment.empty()) return kNone;
    const auto& children = Folder(folder).Children;
    auto it = std::find_if(children.begin(), children.end(), [&](int c) { return Folder(c).Name == segment; });
    if (it == children.end()) return kNone;
    folder = *it;
    if (slash != std::string_view::npos && path.empty()) return kNone;  // trailing slash
  }
  return folder;
}

std::optional<std::string> ProfileModel::PathOf(int folder) const {
  const FolderModel& f = Folder(folder);
  if (f.IsSearchFolder) return std::nullopt;
  std::string path;
  for (int at = folder; Folder(at).Parent != kNone; at = Folder(at).Parent)
    path = Folder(at).Name + (path.empty() ? "" : "/") + path;
  if (f.Store != DefaultStore) path = Store(f.Store).Name + ":" + path;
  return path;
}

std::string ProfileModel::EntryIdAt(std::string_view path) const {
  const int folder = FolderByPath(path);
  return folder == kNone ? std::string() : Folder(folder).EntryID;
}

std::optional<bool> ProfileModel::SubfoldersValue(int folder) const {
  const FolderModel& f = Folder(folder);
  switch (f.Subfolders) {
    case SubfoldersProperty::Derived:
      return !f.Children.empty();
    case SubfoldersProperty::True:
      return true;
    case SubfoldersProperty::False:
      return false;
    case SubfoldersProperty::Absent:
      return std::nullopt;
  }
  return std::nullopt;
}

ContainerRef ProfileModel::ContainerFor(std::string_view entryId) const {
  const int folder = FolderById(entryId);
  return folder == kNone ? ContainerRef{kNone, std::string(entryId)} : ContainerFor(folder);
}

ContainerRef ProfileModel::ContainerFor(int folder) const { return ContainerRef{folder, Folder(folder).EntryID}; }

ScopeVerdict ProfileModel::JudgeScope(int store) const {
  const std::optional<SearchFolderModel>& search = Store(store).Reminders;
  if (!search) return {false, "the store has no Reminders search folder"};
  const std::vector<ContainerRef>& scope = search->Effective;
  if (Scope.RejectEmpty && scope.empty()) return {false, "the scope has no containers"};
  if (Scope.MaxContainers > 0 && static_cast<int>(scope.size()) > Scope.MaxContainers)
    return {false,
            std::to_string(scope.size()) + " containers exceed the limit of " + std::to_string(Scope.MaxContainers)};
  for (size_t i = 0; i < scope.size(); ++i) {
    const std::string position = "container " + std::to_string(i + 1);
    if (scope[i].Folder == kNone) {
      if (Scope.RejectUnknown) return {false, position + " names no folder"};
      continue;
    }
    if (Scope.RejectOtherStores && Folder(scope[i].Folder).Store != store)
      return {false, position + " is a folder of store " + Quoted(Store(Folder(scope[i].Folder).Store).Name)};
    if (Scope.RejectDuplicates) {
      for (size_t j = 0; j < i; ++j)
        if (scope[j].Folder == scope[i].Folder)
          return {false, position + " repeats container " + std::to_string(j + 1)};
    }
  }
  return {true, ""};
}

}  // namespace bellnest::sim
