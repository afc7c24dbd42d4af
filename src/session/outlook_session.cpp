// basPPOutlook. InitHandler's trap resumes after every failing call; four checks end start-up
// with a message to the user.
#include "session/outlook_session.h"

#include "host/invoke.h"
#include "reminder_folders/reminders_collection.h"
#include "session/search_folders.h"
#include "support/error_log.h"
#include "support/error_trap.h"
#include "support/local_data_folder.h"
#include "support/platform.h"
#include "support/registry.h"
#include "support/shared_state.h"

namespace bellnest {

namespace {

void FailStartUp(ErrorTrap& trap, const std::string& message) {
  Ui().MsgBox(message + "\r\nPlease contact your Administrator.", ui::kMsgCritical | ui::kMsgOkOnly, kMessageTitle);
  trap.Report(message);
}

std::string DefaultFolderEntryId(ErrorTrap& trap, int32_t folderType, const std::string& current) {
  MapiFolderPtr folder;
  std::string entryId = current;
  if (trap.Take(Call(State().MAPINameSpace, &NameSpace::GetDefaultFolder, folderType), folder)) {
    trap.Take(Call(folder, &MapiFolder::EntryID), entryId);
  }
  return entryId;
}

// An option: any non-zero number is on, a missing value off. A value that is no number leaves
// the flag as it was, with the error pending.
void LoadOption(ErrorTrap& trap, const char* valueName, bool& flag) {
  int32_t number = 0;
  if (trap.Take(ToLong(ReadRegistryValue(kHkeyCurrentUser, kProductKeyPath, valueName)), number)) flag = number != 0;
}

}  // namespace

void InitHandler() {
  ErrorTrap trap(kOutlookModule, "InitHandler");
  SharedState& state = State();

  state.StoredSetNotLoaded = true;
  state.LocalDataFolder = GetLocalDataFolder();
  trap.Take(Call(state.OutlookApp, &Application::GetNamespace, std::string("MAPI")), state.MAPINameSpace);
  DetectOutlookVersion();
  trap.Clear();

  trap.Take(Rdo().CreateSession(kRdoProgId), state.Session);
  if (!state.Session) return FailStartUp(trap, "Could not establish RDO Session");

  if (state.OutlookVersion <= 9) {
    trap.Take(state.Session->Logon("", "", false, false));
  } else {
    // Outlook's own MAPI session, read by name.
    Variant mapiObject;
    if (trap.Take(Call(state.MAPINameSpace, &NameSpace::GetProperty, std::string("MAPIOBJECT")), mapiObject)) {
      trap.Take(state.Session->PutMAPIOBJECT(mapiObject));
    }
  }

  state.DefaultStore = GetDefaultStore();
  if (!state.DefaultStore) return FailStartUp(trap, "Could not locate default InfoStore");

  trap.Take(state.DefaultStore->EntryID(), state.DefaultStoreID);
  trap.Clear();
  state.SearchFoldersObject = std::make_shared<clsPPSearchFolders>();

  MapiFolderPtr inbox;
  if (trap.Take(Call(state.MAPINameSpace, &NameSpace::GetDefaultFolder, ol::kFolderInbox), inbox)) {
    trap.Take(Call(inbox, &MapiFolder::Parent), state.RootFolder);
  }
  trap.Take(state.Session->ProfileName(), state.ProfileName);

  state.RemindersFolder = GetRemindersFolder();
  if (!state.RemindersFolder) return FailStartUp(trap, "Could not locate Reminders folder");

  state.CalendarEntryID = DefaultFolderEntryId(trap, ol::kFolderCalendar, state.CalendarEntryID);
  state.InboxEntryID = DefaultFolderEntryId(trap, ol::kFolderInbox, state.InboxEntryID);
  state.SentItemsEntryID = DefaultFolderEntryId(trap, ol::kFolderSentMail, state.SentItemsEntryID);
  state.DraftsEntryID = DefaultFolderEntryId(trap, ol::kFolderDrafts, state.DraftsEntryID);
  state.DeletedItemsEntryID = DefaultFolderEntryId(trap, ol::kFolderDeletedItems, state.DeletedItemsEntryID);
  state.OutboxEntryID = DefaultFolderEntryId(trap, ol::kFolderOutbox, state.OutboxEntryID);
  state.ContactsEntryID = DefaultFolderEntryId(trap, ol::kFolderContacts, state.ContactsEntryID);
  state.TasksEntryID = DefaultFolderEntryId(trap, ol::kFolderTasks, state.TasksEntryID);
  state.JunkEntryID = state.OutlookVersion > 9 ? DefaultFolderEntryId(trap, ol::kFolderJunk, state.JunkEntryID) : "";

  trap.Take(Call(state.RemindersSearchFolder, &RdoSearchFolder::SearchContainers), state.SearchContainers);
  if (!state.SearchContainers) return FailStartUp(trap, "Could not init Search container object");

  SetRemindersCollection();

  LoadOption(trap, "IncludeSubfolders", state.IncludeSubfoldersFlag);
  LoadOption(trap, "DisableDefaultFolders", state.DisableDefaultFoldersFlag);

  if (trap.Pending()) {
    trap.Report("Error in InitHandler");
    Ui().MsgBox("Error in InitHandler", ui::kMsgInformation | ui::kMsgOkOnly, kMessageTitle);
  }
}

RdoFolderPtr GetRemindersFolder() {
  ErrorTrap trap(kOutlookModule, "GetRemindersFolder");
  SharedState& state = State();
  RdoFolderPtr result;
  state.RemindersSearchFolder.reset();

  RdoRemindersPtr reminders;
  if (trap.Take(Call(state.DefaultStore, &RdoStore::Reminders), reminders)) {
    trap.Take(Call(reminders, &RdoReminders::SearchFolder), state.RemindersSearchFolder);
  }
  if (state.RemindersSearchFolder) {
    std::string entryId;
    if (trap.Take(state.RemindersSearchFolder->EntryID(), entryId)) {
      trap.Take(Call(state.Session, &RdoSession::GetFolderFromID, entryId, state.DefaultStoreID), result);
    }
  }
  trap.ReportIfPending("Error!");
  return result;
}

RdoStorePtr GetDefaultStore() {
  Result<RdoStoresPtr> found = Call(State().Session, &RdoSession::Stores);
  if (!found.Ok() || !found.Value()) return nullptr;
  Result<RdoStorePtr> store = found.Value()->DefaultStore();
  return store.Ok() ? store.Value() : nullptr;
}

void DetectOutlookVersion() {
  Result<std::string> version = Call(State().OutlookApp, &Application::Version);
  if (!version.Ok()) return;
  const std::string& text = version.Value();
  if (text.rfind("9", 0) == 0) {
    State().OutlookVersion = 9;
  } else if (text.rfind("10", 0) == 0) {
    State().OutlookVersion = 10;
  } else if (text.rfind("11", 0) == 0) {
    State().OutlookVersion = 11;
  }
}

void ExitHandler() {
  SharedState& state = State();
  if (!state.OutlookApp) return;
  state.AboutDialog.reset();

  SaveRemindersCollection();
  state.StoredSetNotLoaded = false;
  ClearRemindersCollection();
  state.RemindersCollection.reset();
  ClearOfflineFoldersCollection();
  state.OfflineFoldersCollection.reset();

  state.SearchFoldersObject.reset();
  state.Session.reset();
  state.RootFolder.reset();
  state.RemindersFolder.reset();
  state.DefaultStore.reset();
  state.SearchContainers.reset();
  state.RemindersSearchFolder.reset();
  state.MAPINameSpace.reset();
  state.OutlookApp.reset();
}

}  // namespace bellnest
