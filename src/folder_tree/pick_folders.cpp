// basPPPickFolders, tree side. Every step runs under the procedure's trap: a failing call
// leaves its target as it was and the next step runs.
#include "folder_tree/pick_folders.h"

#include "host/invoke.h"
#include "support/error_trap.h"
#include "support/shared_state.h"

namespace bellnest {

namespace {

// Whether a flag property of the folder is set. A failing read counts as set: for
// PR_SUBFOLDERS that means the subfolders are looked for rather than hidden by a passing failure.
bool FieldIsTrue(ErrorTrap& trap, const RdoFolderPtr& folder, uint32_t tag) {
  Result<Variant> value = Call(folder, &RdoFolder::Fields, tag);
  if (!value.Ok()) return trap.Test(value.Error());
  const bool* flag = std::get_if<bool>(&value.Value());
  return flag && *flag;
}

// Adds a node and sets its Sorted; on failure the node stays unset.
TreeNodePtr AddSortedNode(ErrorTrap& trap, TreeView& tree, std::optional<int32_t> relative, const std::string& key,
                          const std::string& text, int32_t image) {
  TreeNodePtr node;
  trap.Take(tree.NodesAdd(relative, kTvwChild, key, text, image), node);
  trap.Take(Call(node, &TreeNode::PutSorted, true));
  return node;
}

}  // namespace

void LoadReminderFolders(TreeView& tree) {
  ErrorTrap trap(kPickFoldersModule, "LoadReminderFolders");
  trap.Take(tree.NodesClear());
  trap.Clear();

  const MapiFolderPtr& top = State().RootFolder;
  TreeNodePtr root;
  std::string entryId;
  std::string name;
  if (trap.Take(Call(top, &MapiFolder::EntryID), entryId) && trap.Take(Call(top, &MapiFolder::Name), name)) {
    root = AddSortedNode(trap, tree, std::nullopt, entryId, name, image::kStore);
  } else {
    trap.Take(Call(root, &TreeNode::PutSorted, true));
  }

  // The placeholder goes in whether or not the top folder has subfolders.
  int32_t rootIndex = 0;
  if (trap.Take(Call(root, &TreeNode::Index), rootIndex) && trap.Take(Call(top, &MapiFolder::EntryID), entryId)) {
    AddSortedNode(trap, tree, rootIndex, entryId + kPlaceholderSuffix, "", image::kStore);
  }
  trap.ReportIfPending("Error in LoadReminderFolders");
}

void AddSubfolderNodes(const MapiFolderPtr& folder, int32_t parentIndex, TreeView& tree) {
  if (!folder) return;
  ErrorTrap trap(kPickFoldersModule, "AddSubfolderNodes");
  const RdoSessionPtr& session = State().Session;

  RdoFolderPtr rdoFolder;
  std::string entryId;
  std::string storeId;
  if (trap.Take(folder->EntryID(), entryId) && trap.Take(folder->StoreID(), storeId)) {
    trap.Take(Call(session, &RdoSession::GetFolderFromID, entryId, storeId), rdoFolder);
  }
  if (!FieldIsTrue(trap, rdoFolder, mapi::kPrSubfolders)) return;

  FoldersPtr subfolders;
  trap.Take(folder->Folders(), subfolders);
  FolderEnumeratorPtr walk;
  if (!subfolders || !trap.Take(subfolders->NewEnum(), walk) || !walk) return;

  for (;;) {
    MapiFolderPtr subfolder;
    if (!trap.Take(walk->Next(), subfolder) || !subfolder) break;

    // A subfolder that RDO cannot open gets type 0 and no node: the previous subfolder's RDO
    // object is not reused, so its type cannot leak onto this one.
    RdoFolderPtr rdoSubfolder;
    std::string subEntryId;
    std::string subStoreId;
    trap.Take(subfolder->EntryID(), subEntryId);
    if (trap.Take(subfolder->StoreID(), subStoreId)) {
      trap.Take(Call(session, &RdoSession::GetFolderFromID, subEntryId, subStoreId), rdoSubfolder);
    }
    const int16_t type = GetMailFolderType(rdoSubfolder);
    if (type == image::kHidden) continue;

    TreeNodePtr node;
    std::string name;
    if (trap.Take(subfolder->Name(), name)) node = AddSortedNode(trap, tree, parentIndex, subEntryId, name, type);

    if (FieldIsTrue(trap, rdoSubfolder, mapi::kPrSubfolders)) {
      int32_t nodeIndex = 0;
      // The full index: a 16-bit one wraps past 32767 nodes and would hang the placeholder
      // under another node, or nowhere.
      if (trap.Take(Call(node, &TreeNode::Index), nodeIndex)) {
        AddSortedNode(trap, tree, nodeIndex, subEntryId + kPlaceholderSuffix, "", type);
      }
    }

    // Unchecked folders are simply not in the set.
    if (RemindersCollection().Contains(MakeFolderKey(subStoreId, subEntryId))) {
      trap.Take(Call(node, &TreeNode::PutChecked, true));
    }
  }
  trap.Clear();
}

int16_t GetMailFolderType(const RdoFolderPtr& folder) {
  if (!folder) return image::kHidden;
  ErrorTrap trap(kPickFoldersModule, "GetMailFolderType");
  const SharedState& state = State();
  const RdoSessionPtr& session = state.Session;
  auto names = [&](const std::string& known, const std::string& entryId) {
    return trap.Test(Call(session, &RdoSession::CompareEntryIDs, known, entryId));
  };

  std::string entryId;
  trap.Take(folder->EntryID(), entryId);
  trap.Clear();

  std::string folderClass;
  Variant classValue;
  if (trap.Take(folder->Fields(mapi::kPrContainerClass), classValue)) trap.Take(ToText(classValue), folderClass);

  int16_t type = image::kHidden;
  if (!trap.Pending() && !folderClass.empty()) {
    if (folderClass == "IPF.Note") {
      type = names(state.DraftsEntryID, entryId) ? image::kDrafts : image::kMailFolder;
    } else if (folderClass == "IPF.Appointment") {
      type = image::kCalendar;
    } else if (folderClass == "IPF.Contact") {
      type = image::kContacts;
    } else if (folderClass == "IPF.Journal" || folderClass == "IPF.StickyNote") {
      type = image::kHidden;
    } else if (folderClass == "IPF.Task") {
      type = image::kTasks;
    } else {
      type = image::kPlainFolder;
    }
  } else {
    std::string rootEntryId;
    const bool rootKnown = trap.Take(Call(state.RootFolder, &MapiFolder::EntryID), rootEntryId);
    // `If Session.CompareEntryIDs(RootFolder.EntryID, entryID)`: a failing operand fails the test.
    if (!rootKnown || names(rootEntryId, entryId)) {
      type = image::kPlainFolder;
    } else if (names(state.InboxEntryID, entryId)) {
      type = image::kInbox;
    } else if (names(state.DeletedItemsEntryID, entryId)) {
      type = image::kHidden;
    } else if (names(state.SentItemsEntryID, entryId)) {
      type = image::kSentItems;
    } else if (names(state.OutboxEntryID, entryId)) {
      type = image::kHidden;
    } else if (names(state.DraftsEntryID, entryId)) {
      type = image::kDrafts;
    } else if (names(state.JunkEntryID, entryId)) {
      type = image::kHidden;
    } else {
      type = image::kMailFolder;
    }
  }
  trap.ReportIfPending("Error");
  return type;
}

}  // namespace bellnest
