// basPPPickFolders, reminder set side: loading the stored reminder folder set of the mail
// profile and reconciling it with the Reminders search scope, saving it back, and emptying
// the two collections at shut-down.
#pragma once

#include <string>

namespace bellnest {

inline constexpr const char* kReminderFoldersValue = "ReminderFolders";
inline constexpr const char* kStoreIdValue = "StoreID";

// The profile's key under HKEY_CURRENT_USER: the product key, a backslash, the profile name.
std::string ProfileKeyPath();

void SetRemindersCollection();
void SaveRemindersCollection();
void ClearRemindersCollection();
void ClearOfflineFoldersCollection();

}  // namespace bellnest
