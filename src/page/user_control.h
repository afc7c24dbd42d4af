// UserControl1: the options page that Outlook shows as a tab of its Options dialog. It owns
// the folder tree (TreeView1), the working selection of reminder-enabled folders and the
// page's dirty state, and it handles the tree's Expand and NodeCheck events.
#pragma once

#include <memory>

#include "folder_tree/tree_view.h"
#include "session/shared_state.h"

namespace bellnest {

inline constexpr const char* kUserControlModule = "UserControl1";

class UserControl1 : public TreeViewEvents {
 public:
  explicit UserControl1(std::shared_ptr<TreeView> tree);
  ~UserControl1() override;
  UserControl1(const UserControl1&) = delete;
  UserControl1& operator=(const UserControl1&) = delete;

  TreeView& TreeView1() { return *tree_; }

  // Tree events.
  void TreeView1_Expand(const TreeNodePtr& node) override;
  void TreeView1_NodeCheck(const TreeNodePtr& node) override;

  // Repaints the tree with a flat look for a moment; SetDirty does nothing meanwhile.
  void RefreshTree();

  // Page members that other procedures read and write.
  bool IsRefreshingTree = false;
  FolderCollectionRef SelectedFolders;

 private:
  std::shared_ptr<TreeView> tree_;
};

}  // namespace bellnest
