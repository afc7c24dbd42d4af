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

  // The list entry lives across the loop: when Item(i) fails, the entry of the place before
  // is compared again (it did not match), so a failing read never removes container i. Only
  // at the first place is there no entry, and the failing test then counts as a match.
  RdoFolderPtr entry;
  for (int32_t i = 1; i <= count; ++i) {
    trap.Take(Call(state.SearchContainers, &RdoSearchContainers::Item, i), entry);
    // Both identifiers are read for each comparison; a failing read fails the test, which
    // counts as a match.
    auto same = [&]() -> Result<bool> {
      Result<std::string> entryId = Call(entry, &RdoFolder::EntryID);
      if (!entryId.Ok()) return entryId.Error();
      Result<std::string> folderEntryId = Call(folder, &RdoFolder::EntryID);
      if (!folderEntryId.Ok()) return folderEntryId.Error();
      return Call(state.Session, &RdoSession::CompareEntryIDs, entryId.Value(), folderEntryId.Value());
    };
    if (trap.Test(same())) {
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
