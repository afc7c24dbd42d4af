// The module-level variables the procedures share: one copy per thread that hosts the library,
// at their start values until start-up fills them. ResetSharedState puts them back.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "host/outlook.h"
#include "host/rdo.h"
#include "support/keyed_collection.h"

namespace bellnest {

class clsPPSearchFolders;
class frmPPAbout;

using FolderCollection = KeyedCollection<RdoFolderPtr>;
using FolderCollectionRef = FolderCollection::Ref;
using StringCollection = KeyedCollection<std::string>;
using StringCollectionRef = StringCollection::Ref;

inline constexpr const char* kProductKeyPath = "Software\\Quillfen\\Bellnest";

struct SharedState {
  ApplicationPtr OutlookApp;
  bool OutlookOnline = false;
  std::string HelpFilePath;
  std::string LocalDataFolder;
  NameSpacePtr MAPINameSpace;
  int32_t OutlookVersion = 0;
  RdoSessionPtr Session;
  RdoStorePtr DefaultStore;
  std::string DefaultStoreID;
  MapiFolderPtr RootFolder;
  std::string ProfileName;
  RdoSearchFolderPtr RemindersSearchFolder;
  RdoFolderPtr RemindersFolder;
  RdoSearchContainersPtr SearchContainers;
  std::string CalendarEntryID;
  std::string InboxEntryID;
  std::string SentItemsEntryID;
  std::string DraftsEntryID;
  std::string DeletedItemsEntryID;
  std::string OutboxEntryID;
  std::string ContactsEntryID;
  std::string TasksEntryID;
  std::string JunkEntryID;
  bool IncludeSubfoldersFlag = false;
  bool DisableDefaultFoldersFlag = false;
  FolderCollectionRef RemindersCollection;
  // Set while a start-up has begun but not yet loaded the stored set: a shut-down after a
  // start-up that never got that far must not overwrite the stored set with an empty one.
  bool StoredSetNotLoaded = false;
  StringCollectionRef OfflineFoldersCollection;
  std::shared_ptr<clsPPSearchFolders> SearchFoldersObject;
  std::shared_ptr<frmPPAbout> AboutDialog;
};

// This thread's shared state.
SharedState& State();
// Every variable back to its start value (objects unset, strings empty, flags false, numbers 0).
void ResetSharedState();

// The two collections are created empty on first use while unset.
FolderCollection& RemindersCollection();
StringCollection& OfflineFoldersCollection();

}  // namespace bellnest
