// basPPPickFolders, reminder set side. The reconciliation runs between one Stop and one Start
// of the Reminders search whatever fails in between; errors are cleared at fixed points (after
// Stop, after every lookup miss in the set, before every removal) and the one still pending at
// the end is reported.
#include "reminder_folders/reminders_collection.h"

#include <vector>

#include "host/invoke.h"
#include "support/error_log.h"
#include "support/error_trap.h"
#include "support/folder_key.h"
#include "support/platform.h"
#include "support/registry.h"
#include "support/shared_state.h"

namespace bellnest {

namespace {

// A lookup in the set; a miss clears the pending error, as the failed lookup's handler does.
bool InSet(ErrorTrap& trap, const std::string& key) {
  if (RemindersCollection().Contains(key)) return true;
  trap.Clear();
  return false;
}

// The folder's key from its StoreID and EntryID; false when either cannot be read.
bool KeyOf(ErrorTrap& trap, const RdoFolderPtr& folder, std::string& key) {
  std::string storeId;
  std::string entryId;
  if (!trap.Take(Call(folder, &RdoFolder::StoreID), storeId) ||
      !trap.Take(Call(folder, &RdoFolder::EntryID), entryId)) {
    return false;
  }
  key = MakeFolderKey(storeId, entryId);
  return true;
}

// The EntryID of container j, or "" when it cannot be read.
std::string ContainerEntryId(ErrorTrap& trap, int32_t j) {
  RdoFolderPtr container;
  std::string entryId;
  if (trap.Take(Call(State().SearchContainers, &RdoSearchContainers::Item, j), container)) {
    trap.Take(Call(container, &RdoFolder::EntryID), entryId);
  }
  return entryId;
}

RdoFolderPtr OpenFolder(ErrorTrap& trap, const std::string& entryId) {
  RdoFolderPtr folder;
  trap.Take(Call(State().Session, &RdoSession::GetFolderFromID, entryId, State().DefaultStoreID), folder);
  return folder;
}

std::vector<std::string> SplitAtCommas(const std::string& list) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    const size_t comma = list.find(',', start);
    parts.push_back(list.substr(start, comma - start));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return parts;
}

// Whether the mail profile's name can name one key right below the product's key. Refused:
// a backslash (it names a key further down, and "\" the product's own key, which holds the
// options and which a later start-up would delete as a stale set), a name of spaces only
// (blank wherever it is shown, so taken for no name), a NUL (the ANSI registry calls end the
// name there) and more than 255 characters (the registry's limit for a key name). Leading and
// trailing spaces are kept as they are: the registry keeps them, and trimming could let two
// profiles share one stored set.
bool IsKeyName(const std::string& name) {
  if (name.find_first_of(std::string("\\\0", 2)) != std::string::npos) return false;
  if (name.find_first_not_of(' ') == std::string::npos) return false;
  size_t utf16Units = 0;
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte & 0xC0) != 0x80) ++utf16Units;  // a character starts here
    if (byte >= 0xF0) ++utf16Units;           // beyond the Basic Multilingual Plane: two units
  }
  return utf16Units <= 255;
}

// Without a usable profile name the key path would name the product's own key or another one:
// the stored set is then neither read, deleted nor written, and the log says so.
bool ProfileKnown(std::string_view procedure, std::string_view what) {
  const std::string& name = State().ProfileName;
  if (!name.empty() && IsKeyName(name)) return true;
  const char* why = name.empty() ? "No mail profile name: " : "Mail profile name is not a registry key name: ";
  LogError(ErrorInfo{}, kPickFoldersModule, procedure, why + std::string(what));
  return false;
}

}  // namespace

std::string ProfileKeyPath() { return std::string(kProductKeyPath) + "\\" + State().ProfileName; }

void SetRemindersCollection() {
  ErrorTrap trap(kPickFoldersModule, "SetRemindersCollection");
  SharedState& state = State();
  const RdoSessionPtr& session = state.Session;
  const RdoSearchContainersPtr& containers = state.SearchContainers;
  auto compare = [&](const std::string& a, const std::string& b) {
    return Call(session, &RdoSession::CompareEntryIDs, a, b);
  };
  // SearchContainers.Add takes a folder object or an entry identifier.
  auto addToScope = [&](const auto& folderOrEntryId) -> Status {
    if (!containers) return RuntimeError(err::kObjectNotSet);
    return containers->Add(folderOrEntryId);
  };
  bool inboxSeen = false;
  bool contactsSeen = false;
  bool tasksSeen = false;
  bool calendarSeen = false;

  // The stored set and the store it belongs to.
  std::string storedList;
  const bool profileKnown = ProfileKnown("SetRemindersCollection", "the stored reminder folders were not read");
  if (profileKnown) {
    const std::string keyPath = ProfileKeyPath();
    trap.Take(ToText(ReadRegistryValue(kHkeyCurrentUser, keyPath, kReminderFoldersValue)), storedList);
    std::string storedStoreId;
    trap.Take(ToText(ReadRegistryValue(kHkeyCurrentUser, keyPath, kStoreIdValue)), storedStoreId);
    // A list kept for another store (or an unreadable StoreID) is discarded with its key.
    if (trap.TestNot(compare(storedStoreId, state.DefaultStoreID))) {
      storedList.clear();
      Registry().RegDeleteKeyA(kHkeyCurrentUser, Codec().ToAnsi(keyPath));
    }
  }

  trap.Take(Call(state.RemindersSearchFolder, &RdoSearchFolder::Stop));
  trap.Clear();

  if (storedList.empty()) {
    // First use: the set learns what the search already watches, default folders included.
    int32_t count = 0;
    trap.Take(Call(containers, &RdoSearchContainers::Count), count);
    for (int32_t j = 1; j <= count; ++j) {
      const std::string entryId = ContainerEntryId(trap, j);
      RdoFolderPtr folder = OpenFolder(trap, entryId);
      std::string key;
      if (folder && KeyOf(trap, folder, key) && !InSet(trap, key)) trap.Take(RemindersCollection().Add(folder, key));
    }
  } else {
    for (const std::string& entry : SplitAtCommas(storedList)) {
      bool taken = false;
      int32_t count = 0;
      trap.Take(Call(containers, &RdoSearchContainers::Count), count);
      for (int32_t j = 1; j <= count; ++j) {
        const std::string containerId = ContainerEntryId(trap, j);
        if (!trap.Test(compare(containerId, entry))) continue;
        RdoFolderPtr folder = OpenFolder(trap, containerId);
        std::string key;
        if (folder && KeyOf(trap, folder, key) && !InSet(trap, key)) {
          trap.Take(RemindersCollection().Add(folder, key));
          taken = true;
          break;
        }
      }
      if (taken) continue;

      RdoFolderPtr folder = OpenFolder(trap, entry);
      if (folder) {
        // The folder opened by the stored entry; when its EntryID cannot be read, the entry
        // itself names it, so a failing read does not drop a stored folder.
        std::string entryId = entry;
        trap.Take(folder->EntryID(), entryId);
        const std::string key = MakeFolderKey(state.DefaultStoreID, entryId);
        if (!InSet(trap, key)) trap.Take(RemindersCollection().Add(folder, key));
        trap.Take(addToScope(entryId));
      } else if (!state.OutlookOnline) {
        // Offline, a folder that cannot be opened now is kept for the next save.
        trap.Take(OfflineFoldersCollection().Add(entry));
      }
    }
  }

  // Prune the scope to the set and the four default folders.
  int32_t count = 0;
  trap.Take(Call(containers, &RdoSearchContainers::Count), count);
  for (int32_t j = count; j >= 1; --j) {
    const std::string containerId = ContainerEntryId(trap, j);
    RdoFolderPtr folder = OpenFolder(trap, containerId);
    std::string key;
    const bool keyKnown = folder && KeyOf(trap, folder, key);

    if (trap.Test(compare(containerId, state.InboxEntryID))) {
      inboxSeen = true;
    } else if (trap.Test(compare(containerId, state.ContactsEntryID))) {
      contactsSeen = true;
    } else if (trap.Test(compare(containerId, state.TasksEntryID))) {
      tasksSeen = true;
    } else if (trap.Test(compare(containerId, state.CalendarEntryID))) {
      calendarSeen = true;
    }

    if (!keyKnown || !InSet(trap, key)) {
      trap.Clear();
      // All four comparisons are made; one that fails makes the whole test fail, which
      // counts as true, so the container goes (and the failure, handled so, is not reported).
      bool failed = false;
      bool isDefault = false;
      for (const std::string* id :
           {&state.InboxEntryID, &state.ContactsEntryID, &state.TasksEntryID, &state.CalendarEntryID}) {
        Result<bool> same = compare(containerId, *id);
        failed = failed || !same.Ok();
        isDefault = isDefault || (same.Ok() && same.Value());
      }
      if (failed || !isDefault) trap.Take(Call(containers, &RdoSearchContainers::Remove, j));
    }
  }

  // Put back every default folder the scope lacks, into the scope and the set.
  const std::pair<bool, const std::string*> defaults[] = {{inboxSeen, &state.InboxEntryID},
                                                          {contactsSeen, &state.ContactsEntryID},
                                                          {tasksSeen, &state.TasksEntryID},
                                                          {calendarSeen, &state.CalendarEntryID}};
  for (const auto& [seen, entryId] : defaults) {
    if (seen) continue;
    RdoFolderPtr folder = OpenFolder(trap, *entryId);
    if (!folder) continue;
    std::string key;
    if (KeyOf(trap, folder, key) && !InSet(trap, key)) trap.Take(RemindersCollection().Add(folder, key));
    trap.Take(addToScope(folder));
  }

  trap.Take(Call(state.RemindersSearchFolder, &RdoSearchFolder::Start));
  state.StoredSetNotLoaded = false;
  trap.ReportIfPending("Error in SetRemindersCollection");
}

void SaveRemindersCollection() {
  ErrorTrap trap(kPickFoldersModule, "SaveRemindersCollection");
  const SharedState& state = State();
  FolderCollection& set = RemindersCollection();
  std::string list;
  for (int32_t i = 1; i <= set.Count(); ++i) {
    RdoFolderPtr folder;
    trap.Take(set.Item(i), folder);
    std::string entryId;
    // A folder whose EntryID cannot be read now is written under its key (its EntryID when it
    // joined), so that a failing read does not drop it from the stored set.
    if (!trap.Take(Call(folder, &RdoFolder::EntryID), entryId)) entryId = set.KeyAt(i).value_or("");
    if (!entryId.empty()) list += entryId + ",";
  }
  if (!state.OutlookOnline) {
    StringCollection& offline = OfflineFoldersCollection();
    for (int32_t i = 1; i <= offline.Count(); ++i) {
      std::string entry;
      if (trap.Take(offline.Item(i), entry)) list += entry + ",";
    }
  }
  if (!list.empty()) list.pop_back();  // the last separator

  if (state.StoredSetNotLoaded) {
    LogError(ErrorInfo{}, kPickFoldersModule, "SaveRemindersCollection",
             "The reminder folders were never loaded: the stored set is kept as it is");
  } else if (ProfileKnown("SaveRemindersCollection", "the reminder folders were not saved")) {
    WriteRegistryValue(kHkeyCurrentUser, ProfileKeyPath(), kReminderFoldersValue, list, reg::kSz);
    WriteRegistryValue(kHkeyCurrentUser, ProfileKeyPath(), kStoreIdValue, state.DefaultStoreID, reg::kSz);
  }
  trap.ReportIfPending("Error in SaveRemindersCollection");
}

void ClearRemindersCollection() {
  ErrorTrap trap(kPickFoldersModule, "ClearRemindersCollection");
  FolderCollection& set = RemindersCollection();
  for (int32_t i = set.Count(); i >= 1; --i) trap.Take(set.Remove(i));
  trap.ReportIfPending("Error in ClearRemindersCollection");
}

void ClearOfflineFoldersCollection() {
  ErrorTrap trap(kPickFoldersModule, "ClearOfflineFoldersCollection");
  StringCollection& offline = OfflineFoldersCollection();
  for (int32_t i = offline.Count(); i >= 1; --i) trap.Take(offline.Remove(i));
  trap.ReportIfPending("Error in ClearOfflineFoldersCollection");
}

}  // namespace bellnest
