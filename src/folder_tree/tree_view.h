// The tree view seam: the operations of the common-controls tree (with check boxes and an
// image list) that the page performs, and the two events it handles. The Windows build wraps
// the comctl32 tree; the native world has an in-memory tree with the same semantics.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "host/error_info.h"

namespace bellnest {

class TreeNode;
using TreeNodePtr = std::shared_ptr<TreeNode>;

inline constexpr int32_t kTvwChild = 4;  // relationship: add as the last child of the relative

// A node handle. Indexes are 1-based in insertion order over the whole tree and shift down
// when nodes are removed. Child and Next walk the children in display order (sorted by text
// where the parent's Sorted is set); both give an empty pointer past the end.
class TreeNode {
 public:
  virtual ~TreeNode() = default;
  virtual Result<std::string> Key() = 0;
  virtual Result<std::string> Text() = 0;
  virtual Result<int32_t> Index() = 0;
  virtual Result<int32_t> Image() = 0;
  virtual Result<bool> Checked() = 0;
  // Setting the check mark by code raises no NodeCheck.
  virtual Status PutChecked(bool checked) = 0;
  virtual Result<bool> Expanded() = 0;
  // Expanding a collapsed node that has children raises Expand first, synchronously.
  virtual Status PutExpanded(bool expanded) = 0;
  virtual Status PutSorted(bool sorted) = 0;
  virtual Result<int32_t> Children() = 0;
  virtual Result<TreeNodePtr> Child() = 0;
  virtual Result<TreeNodePtr> Next() = 0;
  virtual Result<TreeNodePtr> Root() = 0;
};

// Receives the tree's events (the page).
class TreeViewEvents {
 public:
  virtual ~TreeViewEvents() = default;
  virtual void TreeView1_Expand(const TreeNodePtr& node) = 0;
  virtual void TreeView1_NodeCheck(const TreeNodePtr& node) = 0;
};

class TreeView {
 public:
  virtual ~TreeView() = default;
  virtual void SetEvents(TreeViewEvents* events) = 0;

  virtual Status NodesClear() = 0;
  // Adds a node; without a relative it is a top-level node. A key already in the tree fails
  // with 35602 "Key is not unique in collection".
  virtual Result<TreeNodePtr> NodesAdd(std::optional<int32_t> relative, int32_t relationship, const std::string& key,
                                       const std::string& text, int32_t image) = 0;
  // Removes the node and everything below it.
  virtual Status NodesRemove(int32_t index) = 0;
  virtual Result<TreeNodePtr> NodesItem(int32_t index) = 0;
  virtual Result<int32_t> NodesCount() = 0;

  virtual Status PutCheckboxes(bool on) = 0;
  virtual Result<int16_t> Appearance() = 0;
  virtual Status PutAppearance(int16_t appearance) = 0;
  virtual Result<int16_t> BorderStyle() = 0;
  virtual Status PutBorderStyle(int16_t style) = 0;
  virtual Status PutSelectedItem(const TreeNodePtr& node) = 0;
  virtual Status Refresh() = 0;
  // The argument-less call on the tree's container during a repaint: the page gives the
  // focus to its first control, the tree. It raises no page event of its own.
  virtual Status ContainerSetFocus() = 0;
};

}  // namespace bellnest
