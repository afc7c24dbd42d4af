// The simulated mail profile as data: the Outlook version, the add-in, the stores with their
// folder trees and entry identifiers, the default folders, each store's Reminders search folder
// with its search containers, the rule by which Outlook accepts a search scope, and the
// injected faults. Loaded from a profile file, built in C++, or generated; the host objects of
// SimulatedOutlook read and change it.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "host/error_info.h"
#include "host/variant.h"
#include "sim/profile/host_calls.h"

namespace bellnest::sim {

inline constexpr int kNone = -1;

// Outlook's default folders, each with the OlDefaultFolders number that names it.
enum class DefaultFolder {
  DeletedItems,
  Outbox,
  SentItems,
  Inbox,
  Calendar,
  Contacts,
  Journal,
  Notes,
  Tasks,
  Drafts,
  Junk
};
inline constexpr int kDefaultFolderCount = 11;

const char* DefaultFolderName(DefaultFolder role);  // "Inbox", "SentItems", ...
int32_t DefaultFolderNumber(DefaultFolder role);    // 6, 5, ...
std::optional<DefaultFolder> DefaultFolderByName(std::string_view name);
std::optional<DefaultFolder> DefaultFolderByNumber(int32_t number);
std::string DefaultFolderNameList();

// PR_SUBFOLDERS: derived from the folder's children unless a profile says otherwise.
enum class SubfoldersProperty { Derived, True, False, Absent };

struct FolderModel {
  std::string Name;
  std::optional<std::string> ContainerClass;  // nullopt: PR_CONTAINER_CLASS absent
  SubfoldersProperty Subfolders = SubfoldersProperty::Derived;
  std::string EntryID;  // canonical: what EntryID reports
  std::vector<std::string> Aliases;
  int Store = kNone;
  int Parent = kNone;         // kNone for a store's top folder and for search folders
  std::vector<int> Children;  // in store order
  bool IsSearchFolder = false;
};

// A search container: a folder of the profile, or an identifier that names none.
struct ContainerRef {
  int Folder = kNone;
  std::string EntryID;  // the folder's canonical identifier, or the raw one

  friend bool operator==(const ContainerRef&, const ContainerRef&) = default;
};

struct SearchFolderModel {
  int Folder = kNone;
  std::vector<ContainerRef> Containers;  // the list as edited
  bool Running = true;
  std::vector<ContainerRef> Effective;  // the scope in force since the last Start
  std::vector<std::string> History;     // "Stop", "Start", "Add <id>", "Remove <n>"
};

struct StoreModel {
  std::string Name;
  std::string EntryID;
  std::vector<std::string> Aliases;
  int TopFolder = kNone;
  std::optional<SearchFolderModel> Reminders;  // nullopt: the store has no Reminders search folder
};

struct AddInModel {
  bool Listed = true;     // COMAddIns.Item("Bellnest.Connect") finds it
  bool Connected = true;  // COMAddIn.Object is the add-in's object, else Nothing
  bool HasPPClass = true;
  std::optional<std::string> PPClassText;  // PPClass answers this text instead of an object
  Variant Online = true;                   // what PPClass.Online answers
};

// When Outlook takes a search scope: it silently stops reminders for a scope it rejects.
struct ScopeRule {
  bool RejectOtherStores = true;  // a container in another store than the search folder's
  int MaxContainers = 0;          // more containers than this (0: no limit)
  bool RejectEmpty = false;
  bool RejectDuplicates = false;
  bool RejectUnknown = false;  // a container naming no folder
};

struct ScopeVerdict {
  bool Accepted = true;
  std::string Reason;  // why not, for dumps
};

class ProfileModel {
 public:
  std::string OutlookVersion = "11.0.0.8010";
  std::string ProfileName = "Outlook";
  bool RdoRegistered = true;
  bool SiteHasApplication = true;  // PropertyPageSite.Application answers an object
  AddInModel AddIn;
  int DefaultStore = kNone;
  ScopeRule Scope;
  std::vector<FaultRule> Faults;

  ProfileModel();

  const std::vector<StoreModel>& Stores() const { return stores_; }
  const std::vector<FolderModel>& Folders() const { return folders_; }
  StoreModel& Store(int index) { return stores_.at(static_cast<size_t>(index)); }
  const StoreModel& Store(int index) const { return stores_.at(static_cast<size_t>(index)); }
  FolderModel& Folder(int index) { return folders_.at(static_cast<size_t>(index)); }
  const FolderModel& Folder(int index) const { return folders_.at(static_cast<size_t>(index)); }

  // Building. An empty entry identifier is generated (deterministic, 48 hex digits for a
  // folder); a given one must be hex of even length and unused. The first store added
  // becomes the default store.
  Result<int> AddStore(std::string name, std::string entryId = "", std::string topFolderName = "",
                       std::string topFolderEntryId = "");
  Result<int> AddFolder(int parent, std::string name, std::optional<std::string> containerClass,
                        std::string entryId = "");
  Result<int> AddRemindersFolder(int store, std::string entryId = "", std::string name = "Reminders");
  Status AddFolderAlias(int folder, std::string alias);
  Status AddStoreAlias(int store, std::string alias);
  Status SetDefaultFolder(DefaultFolder role, int folder);  // kNone: missing
  int DefaultFolderOf(DefaultFolder role) const { return defaults_[static_cast<size_t>(role)]; }

  // Identifiers: canonical or alias, hex compared ignoring case.
  int FolderById(std::string_view entryId) const;
  int StoreById(std::string_view entryId) const;
  // Folder paths: "Inbox/Projects" in the default store, "Archive:Old" in the store named
  // "Archive", "" (or "Archive:") for a top folder. Search folders have no path.
  int FolderByPath(std::string_view path) const;
  std::optional<std::string> PathOf(int folder) const;
  // The entry identifier of the folder at a path, or "" when there is none.
  std::string EntryIdAt(std::string_view path) const;

  // PR_SUBFOLDERS as the folder answers it; nullopt when absent.
  std::optional<bool> SubfoldersValue(int folder) const;
  // A container for an identifier: the folder it names, or the raw identifier.
  ContainerRef ContainerFor(std::string_view entryId) const;
  ContainerRef ContainerFor(int folder) const;
  // Whether Outlook takes the store's effective search scope under Scope.
  ScopeVerdict JudgeScope(int store) const;

 private:
  struct IdTarget {
    bool IsStore;
    int Index;
  };
  Status Register(const std::string& entryId, IdTarget target, const std::string& what);
  std::string GenerateFolderId(int store);
  std::string Describe(IdTarget target) const;

  std::vector<StoreModel> stores_;
  std::vector<FolderModel> folders_;
  std::vector<std::string> storeUids_;
  std::vector<uint32_t> nextNodeIds_;
  std::array<int, kDefaultFolderCount> defaults_;
  std::unordered_map<std::string, IdTarget> ids_;  // upper-cased identifier -> object
};

// Entry identifiers are hex strings of even length (not empty).
bool IsWellFormedEntryId(std::string_view entryId);
std::string UpperHex(std::string_view entryId);

}  // namespace bellnest::sim
