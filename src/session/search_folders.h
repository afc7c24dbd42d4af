// clsPPSearchFolders: adding a folder to, or removing it from, the Reminders search scope with
// the stop, edit, restart protocol. Start-up creates one instance; COM clients cannot.
#pragma once

#include "host/rdo.h"

namespace bellnest {

inline constexpr const char* kSearchFoldersModule = "clsPPSearchFolders";

class clsPPSearchFolders {
 public:
  // Appends the folder to the search containers (without looking whether it is there already).
  // True when every step succeeded.
  bool AddFolderToDefaultReminders(const RdoFolderPtr& folder);
  // Removes the first container that names the folder. True when every step succeeded, also
  // when the folder was not in the list.
  bool RemoveFolderFromDefaultReminders(const RdoFolderPtr& folder);
};

}  // namespace bellnest
