// UserControl1: tree events and the repaint.
#include "page/user_control.h"

#include "folder_tree/pick_folders.h"
#include "host/invoke.h"
#include "support/error_trap.h"

namespace bellnest {

namespace {
// Trims blanks as the run-time's Trim does (spaces only).
bool BlankAfterTrim(const std::string& text) { return text.find_first_not_of(' ') == std::string::npos; }
}  // namespace

UserControl1::UserControl1(std::shared_ptr<TreeView> tree) : tree_(std::move(tree)) { tree_->SetEvents(this); }

UserControl1::~UserControl1() { tree_->SetEvents(nullptr); }

void UserControl1::TreeView1_Expand(const TreeNodePtr& node) {
  ErrorTrap trap(kUserControlModule, "TreeView1_Expand");
  // Whatever was loaded below the node goes; the loop stops when a step fails, since it could
  // then never make progress.
  for (;;) {
    TreeNodePtr child;
    int32_t index = 0;
    if (!trap.Take(Call(node, &TreeNode::Child), child) || !child) break;
    if (!trap.Take(child->Index(), index) || !trap.Take(tree_->NodesRemove(index))) break;
  }

  std::string key;
  trap.Take(Call(node, &TreeNode::Key), key);
  std::string entryId;
  std::string storeId;
  SplitFolderKey(key, entryId, storeId);
  if (!BlankAfterTrim(entryId) && !BlankAfterTrim(storeId)) {
    MapiFolderPtr folder;
    trap.Take(Call(State().MAPINameSpace, &NameSpace::GetFolderFromID, entryId, storeId), folder);
    int32_t index = 0;
    if (trap.Take(Call(node, &TreeNode::Index), index)) AddSubfolderNodes(folder, index, *tree_);
  }
  trap.Clear();
}

void UserControl1::TreeView1_NodeCheck(const TreeNodePtr& /*node*/) {}

void UserControl1::RefreshTree() {
  ErrorTrap trap(kUserControlModule, "RefreshTree");
  IsRefreshingTree = true;
  int16_t appearance = 0;
  int16_t borderStyle = 0;
  trap.Take(tree_->Appearance(), appearance);
  trap.Take(tree_->BorderStyle(), borderStyle);
  trap.Take(tree_->PutAppearance(0));
  trap.Take(tree_->PutBorderStyle(0));
  TreeNodePtr root;
  if (trap.Take(tree_->NodesItem(1), root)) trap.Take(tree_->PutSelectedItem(root));
  trap.Take(tree_->ContainerSetFocus());
  trap.Take(tree_->Refresh());
  trap.Take(tree_->PutAppearance(appearance));
  trap.Take(tree_->PutBorderStyle(borderStyle));
  trap.Take(tree_->Refresh());
  IsRefreshingTree = false;
  trap.Clear();
}

}  // namespace bellnest
