// The bookkeeping both tree views share (in memory and over comctl32): the nodes with their
// keys, insertion numbering (an InsertionIndex) and children in display order, the checks of
// NodesAdd, subtree removal, and node handles that outlive their node and then fail with
// 35605. A view adds what it shows and how: check marks, expansion, the siblings' order on
// screen and, where a control holds it, text.
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "folder_tree/insertion_index.h"
#include "folder_tree/tree_view.h"

namespace bellnest {

class TreeModel : public TreeView, public std::enable_shared_from_this<TreeModel> {
 public:
  void SetEvents(TreeViewEvents* events) override { events_ = events; }
  Status NodesClear() override;
  Result<TreeNodePtr> NodesAdd(std::optional<int32_t> relative, int32_t relationship, const std::string& key,
                               const std::string& text, int32_t image) override;
  Status NodesRemove(int32_t index) override;
  Result<TreeNodePtr> NodesItem(int32_t index) override;
  Result<int32_t> NodesCount() override { return index_.Count(); }

  struct Node;
  struct ChildRef {
    std::string sortText;  // case-folded under a Sorted parent, empty otherwise
    uint64_t seq;
    Node* node;
    bool operator<(const ChildRef& other) const {
      return sortText != other.sortText ? sortText < other.sortText : seq < other.seq;
    }
  };
  using Children = std::set<ChildRef>;
  // A view derives its own node to add what it keeps per node.
  struct Node {
    std::string key;
    std::string text;  // as added
    int32_t image = 0;
    bool sorted = false;
    bool alive = true;
    size_t slot = 0;
    uint64_t seq = 0;  // unique for the tree's lifetime, never reused
    Node* parent = nullptr;
    Children children;
    Children::iterator position;  // in the parent's (or the top-level) children
  };

 protected:
  explicit TreeModel(int32_t imageCount) : imageCount_(imageCount) {}

  // The tree's errors, with its own source; 35605 for a node that was removed.
  static ErrorInfo Error(int32_t number);

  TreeNodePtr Handle(Node* node);
  Node* NodeAt(int32_t index) const;
  Node* Find(const std::string& key) const;
  // The children of parent, or the top-level nodes for none.
  const Children& ChildrenOf(const Node* parent) const { return parent ? parent->children : topLevel_; }
  // Expanding a collapsed node with children raises Expand first; the handler may remove it.
  Status Expand(Node& node, bool expanded);
  TreeViewEvents* Events() const { return events_; }

  // What a view adds. Show puts a new node, already among its siblings, on screen; Hide takes
  // a node whose subtree is gone off it (nullptr: every node); Reordered follows a change of
  // Sorted on a node with two or more children.
  virtual std::shared_ptr<Node> NewNode() = 0;
  virtual Status Show(Node& node) = 0;
  virtual void Hide(Node* node) = 0;
  virtual void Reordered(Node& node) = 0;
  virtual Result<std::string> TextOf(Node& node) { return node.text; }
  // The first child and the next sibling as the screen orders them.
  virtual TreeNodePtr ChildOf(Node& node) = 0;
  virtual TreeNodePtr NextOf(Node& node) = 0;
  virtual bool IsChecked(Node& node) = 0;
  virtual void SetChecked(Node& node, bool checked) = 0;
  virtual bool IsExpanded(Node& node) = 0;
  virtual void SetExpanded(Node& node, bool expanded) = 0;

 private:
  class NodeHandle;

  void Forget(Node* node);
  void PutSorted(Node& node, bool sorted);

  int32_t imageCount_;
  TreeViewEvents* events_ = nullptr;
  std::vector<std::shared_ptr<Node>> slots_;
  InsertionIndex index_;
  uint64_t nextSeq_ = 1;
  std::unordered_map<std::string, Node*> byKey_;
  Children topLevel_;
};

}  // namespace bellnest
