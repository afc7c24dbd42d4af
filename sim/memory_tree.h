// The native world's tree view: the shared tree model (indexes, keys, sorting, removal) with
// each node's check mark and expansion kept in memory. Expanding a collapsed node with children
// raises Expand synchronously first; check marks set by code raise no NodeCheck. It adds what
// the user does and inspection for tools and tests.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "folder_tree/tree_model.h"

namespace bellnest::sim {

class MemoryTree final : public TreeModel {
 public:
  static std::shared_ptr<MemoryTree> Create(int32_t imageCount = 13);

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
  // Whether a page still receives the tree's events (one that is gone must not).
  bool HasEventSink() const { return Events() != nullptr; }
  // The display calls in order ("Appearance=0", "Refresh", ...), for checking a repaint.
  const std::vector<std::string>& DisplayLog() const { return displayLog_; }
  void ClearDisplayLog() { displayLog_.clear(); }
  // The tree as a person sees it: one line per visible node, children of collapsed nodes hidden
  // unless all is true.
  std::string Render(bool all = false) const;

 private:
  explicit MemoryTree(int32_t imageCount) : TreeModel(imageCount) {}

  struct State : Node {
    bool checked = false;
    bool expanded = false;
    std::vector<State*> shown;  // the children in the order on screen
  };
  static State& StateOf(Node& node) { return static_cast<State&>(node); }

  std::shared_ptr<Node> NewNode() override { return std::make_shared<State>(); }
  // Like the control, the screen keeps its own sibling order: a node goes in after the one
  // before it in the model, and a change of Sorted shows only once the view re-orders.
  Status Show(Node& node) override;
  void Hide(Node* node) override;
  void Reordered(Node& node) override;
  TreeNodePtr ChildOf(Node& node) override;
  TreeNodePtr NextOf(Node& node) override;
  std::vector<State*>& ShownUnder(Node* parent) { return parent ? StateOf(*parent).shown : shownTop_; }
  bool IsChecked(Node& node) override { return StateOf(node).checked; }
  void SetChecked(Node& node, bool checked) override { StateOf(node).checked = checked; }
  bool IsExpanded(Node& node) override { return StateOf(node).expanded; }
  void SetExpanded(Node& node, bool expanded) override { StateOf(node).expanded = expanded; }
  void RenderNode(const State& node, int depth, bool all, std::string& out) const;

  std::vector<State*> shownTop_;
  bool checkboxes_ = false;
  int16_t appearance_ = 1;
  int16_t borderStyle_ = 1;
  std::vector<std::string> displayLog_;
};

}  // namespace bellnest::sim
