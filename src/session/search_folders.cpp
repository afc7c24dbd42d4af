// clsPPSearchFolders. The search is restarted whatever failed after it was stopped.
#include "session/search_folders.h"

#include "host/invoke.h"
#include "support/error_trap.h"
#include "support/shared_state.h"

namespace bellnest {

bool clsPPSearchFolders::AddFolderToDefaultReminders(const RdoFolderPtr& folder) {
  const SharedState& state = State();
  if (!state.RemindersSearchFolder) return false;
  ErrorTrap trap(kSearchFoldersModule, "AddFolderToDefaultReminders");
  trap.Take(state.RemindersSearchFolder->Stop());
  if (state.SearchContainers) {
    trap.Take(state.SearchContainers->Add(folder));
  } else {
    trap.Raise(RuntimeError(err::kObjectNotSet));
  }
  trap.Take(state.RemindersSearchFolder->Start());
  const bool result = !trap.Pending();
  trap.ReportIfPending("Error in AddFolderToDefaultReminders");
  return result;
}

bool clsPPSearchFolders::RemoveFolderFromDefaultReminders(const RdoFolderPtr& folder) {
  const SharedState& state = State();
  if (!state.RemindersSearchFolder) return false;
  ErrorTrap trap(kSearchFoldersModule, "RemoveFolderFromDefaultReminders");
  trap.Take(state.RemindersSearchFolder->Stop());
  int32_t count = 0;
  trap.Take(Call(state.SearchContainers, &RdoSearchContainers::Count), count);

  std::string folderEntryId;
  const bool folderKnown = trap.Take(Call(folder, &RdoFolder::EntryID), folderEntryId);
  for (int32_t i = 1; i <= count; ++i) {
    RdoFolderPtr entry;
    std::string entryId;
    if (!trap.Take(Call(state.SearchContainers, &RdoSearchContainers::Item, i), entry) ||
        !trap.Take(Call(entry, &RdoFolder::EntryID), entryId) || !folderKnown) {
      // `If Session.CompareEntryIDs(entry.EntryID, folder.EntryID) Then`: a failing operand
      // fails the test, which counts as a match.
      trap.Take(Call(state.SearchContainers, &RdoSearchContainers::Remove, i));
      break;
    }
    if (trap.Test(Call(state.Session, &RdoSession::CompareEntryIDs, entryId, folderEntryId))) {
      trap.Take(Call(state.SearchContainers, &RdoSearchContainers::Remove, i));
      break;
    }
  }
  trap.Take(state.RemindersSearchFolder->Start());
  const bool result = !trap.Pending();
  trap.ReportIfPending("Error in RemoveFolderFromDefaultReminders");
  return result;
}

}  // namespace bellnest
