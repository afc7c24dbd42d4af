// The native world's tree view: an in-memory tree with the semantics of the common-controls
// tree the page relies on. Indexes are 1-based in insertion order and shift when nodes are
// removed (an InsertionIndex); keys are unique; children of a Sorted node stay in alphabetical order of their
// text; expanding a collapsed node with children raises Expand synchronously first; check
// marks set by code raise no NodeCheck. Index, lookup and insertion cost O(log n).
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "folder_tree/insertion_index.h"
#include "folder_tree/tree_view.h"

namespace bellnest::sim {

class MemoryTree final : public TreeView, public std::enable_shared_from_this<MemoryTree> {
 public:
  static std::shared_ptr<MemoryTree> Create(int32_t imageCount = 13);

  void SetEvents(TreeViewEvents* events) override { events_ = events; }
  Status NodesClear() override;
  Result<TreeNodePtr> NodesAdd(std::optional<int32_t> relative, int32_t relationship, const std::string& key,
                               const std::string& text, int32_t image) override;
  Status NodesRemove(int32_t index) override;
  Result<TreeNodePtr> NodesItem(int32_t index) override;
  Result<int32_t> NodesCount() override;
  Status PutCheckboxes(bool on) override;
  Result<int16_t> Appearance() override { return appearance_; }
  Status PutAppearance(int16_t appearance) override;
  Result<int16_t> BorderStyle() override { return borderStyle_; }
  Status PutBorderStyle(int16_t style) override;
  Status PutSelectedItem(const TreeNodePtr& node) override;
  Status Refresh() override;
  Status ContainerSetFocus() override;

  // What the user does: toggles a check box (raising NodeCheck), expands or collapses a node.
  Status UserCheck(int32_t index, bool checked);
  Status UserExpand(int32_t index, bool expanded);

  // Inspection for tools and tests.
  TreeNodePtr FindByKey(const std::string& key);
  bool Checkboxes() const { return checkboxes_; }
  // The display calls in order ("Appearance=0", "Refresh", ...), for checking a repaint.
  const std::vector<std::string>& DisplayLog() const { return displayLog_; }
  void ClearDisplayLog() { displayLog_.clear(); }
  // The tree as a person sees it: one line per visible node, children of collapsed nodes hidden
  // unless all is true.
  std::string Render(bool all = false) const;

  struct NodeData;

 private:
  explicit MemoryTree(int32_t imageCount) : imageCount_(imageCount) {}
  friend class MemoryTreeNode;

  struct ChildRef {
    std::string sortText;
    uint64_t seq;
    NodeData* node;
    bool operator<(const ChildRef& other) const {
      return sortText != other.sortText ? sortText < other.sortText : seq < other.seq;
    }
  };
  using Children = std::set<ChildRef>;

  TreeNodePtr Handle(NodeData* node);
  int32_t IndexOf(const NodeData* node) const;
  NodeData* NodeAt(int32_t index) const;
  void Attach(NodeData* node, NodeData* parent);
  void Detach(NodeData* node);
  void Kill(NodeData* node);
  void Resort(NodeData* node);
  Status Expand(NodeData* node, bool expanded);
  void RenderNode(const NodeData* node, int depth, bool all, std::string& out) const;

  int32_t imageCount_;
  TreeViewEvents* events_ = nullptr;
  std::vector<std::shared_ptr<NodeData>> slots_;
  InsertionIndex index_;
  uint64_t nextSeq_ = 0;
  std::unordered_map<std::string, NodeData*> byKey_;
  Children topLevel_;
  bool checkboxes_ = false;
  int16_t appearance_ = 1;
  int16_t borderStyle_ = 1;
  std::vector<std::string> displayLog_;
};

struct MemoryTree::NodeData {
  std::string key;
  std::string text;
  int32_t image = 0;
  bool checked = false;
  bool expanded = false;
  bool sorted = false;
  bool alive = true;
  size_t slot = 0;
  uint64_t seq = 0;
  NodeData* parent = nullptr;
  Children children;
  Children::iterator position;
};

}  // namespace bellnest::sim
