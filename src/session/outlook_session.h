// basPPOutlook: start-up and shut-down of everything the page needs from Outlook and the RDO
// library, kept in the shared state for the other procedures.
#pragma once

#include "host/rdo.h"

namespace bellnest {

inline constexpr const char* kOutlookModule = "basPPOutlook";
inline constexpr const char* kMessageTitle = "Bellnest";

// Opens the session; the caller cannot tell whether it succeeded: the shared variables are
// simply set or left unset. Shows a message box for the failures that end start-up.
void InitHandler();
// Saves the reminder folder set and releases every object; does nothing without OutlookApp.
void ExitHandler();
RdoFolderPtr GetRemindersFolder();
RdoStorePtr GetDefaultStore();
void DetectOutlookVersion();

}  // namespace bellnest
