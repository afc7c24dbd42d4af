// basPPPickFolders, tree side: resetting the tree to the store's top folder, loading one level
// of subfolders per expansion, the folder type that is both a node's image and the verdict
// whether a folder is shown and may be ticked.
#pragma once

#include <cstdint>
#include <string>

#include "folder_tree/tree_view.h"
#include "host/outlook.h"
#include "host/rdo.h"
#include "support/folder_key.h"

namespace bellnest {

// Image indexes of the 13-image list (1-based), by role.
namespace image {
inline constexpr int16_t kHidden = 0;        // not shown
inline constexpr int16_t kStore = 1;         // the root node and its placeholder
inline constexpr int16_t kCalendar = 2;      // "IPF.Appointment"
inline constexpr int16_t kContacts = 3;      // "IPF.Contact"
inline constexpr int16_t kWasteBin = 4;      // not used
inline constexpr int16_t kDrafts = 5;        // the default Drafts folder
inline constexpr int16_t kInbox = 6;         // the default Inbox without a class
inline constexpr int16_t kJournalBook = 7;   // not used
inline constexpr int16_t kNote = 8;          // not used
inline constexpr int16_t kOutbox = 9;        // not used
inline constexpr int16_t kSentItems = 10;    // the default Sent Items without a class
inline constexpr int16_t kTasks = 11;        // "IPF.Task"
inline constexpr int16_t kPlainFolder = 12;  // any other class, and the store's top folder
inline constexpr int16_t kMailFolder = 13;   // "IPF.Note" and classless folders
inline constexpr int32_t kCount = 13;
}  // namespace image

// Key suffix of the child that stands in for subfolders not loaded yet.
inline constexpr const char* kPlaceholderSuffix = "D";

void LoadReminderFolders(TreeView& tree);
void AddSubfolderNodes(const MapiFolderPtr& folder, int32_t parentIndex, TreeView& tree);
int16_t GetMailFolderType(const RdoFolderPtr& folder);

}  // namespace bellnest
