// The in-memory tree view.
#include "sim/memory_tree.h"

#include <algorithm>

namespace bellnest::sim {

std::shared_ptr<MemoryTree> MemoryTree::Create(int32_t imageCount) {
  return std::shared_ptr<MemoryTree>(new MemoryTree(imageCount));
}

Status MemoryTree::PutCheckboxes(bool on) {
  checkboxes_ = on;
  displayLog_.push_back(on ? "Checkboxes=True" : "Checkboxes=False");
  return {};
}

Status MemoryTree::PutAppearance(int16_t appearance) {
  appearance_ = appearance;
  displayLog_.push_back("Appearance=" + std::to_string(appearance));
  return {};
}

Status MemoryTree::PutBorderStyle(int16_t style) {
  borderStyle_ = style;
  displayLog_.push_back("BorderStyle=" + std::to_string(style));
  return {};
}

Status MemoryTree::PutSelectedItem(const TreeNodePtr& node) {
  if (!node) return Error(err::kObjectNotSet);
  Result<std::string> key = node->Key();
  if (!key.Ok()) return key.Error();
  displayLog_.push_back("SelectedItem=" + key.Value());
  return {};
}

Status MemoryTree::Refresh() {
  displayLog_.push_back("Refresh");
  return {};
}

Status MemoryTree::ContainerSetFocus() {
  displayLog_.push_back("ContainerSetFocus");
  return {};
}

Status MemoryTree::UserCheck(int32_t index, bool checked) {
  Node* node = NodeAt(index);
  if (!node) return Error(err::kTreeIndexOutOfBounds);
  SetChecked(*node, checked);
  if (Events()) Events()->TreeView1_NodeCheck(Handle(node));
  return {};
}

Status MemoryTree::UserExpand(int32_t index, bool expanded) {
  Node* node = NodeAt(index);
  if (!node) return Error(err::kTreeIndexOutOfBounds);
  return Expand(*node, expanded);
}

TreeNodePtr MemoryTree::FindByKey(const std::string& key) {
  Node* node = Find(key);
  return node ? Handle(node) : TreeNodePtr{};
}

Status MemoryTree::Show(Node& node) {
  std::vector<State*>& shown = ShownUnder(node.parent);
  const Children& siblings = ChildrenOf(node.parent);
  auto at = shown.begin();
  if (node.position != siblings.begin()) {
    // Searched from the end: nodes mostly come in the order they are shown.
    at = std::find(shown.rbegin(), shown.rend(), &StateOf(*std::prev(node.position)->node)).base();
  }
  shown.insert(at, &StateOf(node));
  return {};
}

void MemoryTree::Hide(Node* node) {
  if (!node) return shownTop_.clear();
  std::vector<State*>& shown = ShownUnder(node->parent);
  shown.erase(std::remove(shown.begin(), shown.end(), &StateOf(*node)), shown.end());
  StateOf(*node).shown.clear();
}

void MemoryTree::Reordered(Node& node) {
  std::vector<State*>& shown = StateOf(node).shown;
  shown.clear();
  for (const ChildRef& ref : node.children) shown.push_back(&StateOf(*ref.node));
}

TreeNodePtr MemoryTree::ChildOf(Node& node) {
  const std::vector<State*>& shown = StateOf(node).shown;
  return shown.empty() ? TreeNodePtr{} : Handle(shown.front());
}

TreeNodePtr MemoryTree::NextOf(Node& node) {
  const std::vector<State*>& shown = ShownUnder(node.parent);
  auto at = std::find(shown.begin(), shown.end(), &StateOf(node));
  return at == shown.end() || std::next(at) == shown.end() ? TreeNodePtr{} : Handle(*std::next(at));
}

void MemoryTree::RenderNode(const State& node, int depth, bool all, std::string& out) const {
  out.append(static_cast<size_t>(depth) * 4, ' ');
  const char* sign = node.shown.empty() ? "   " : node.expanded ? "[-]" : "[+]";
  out += sign;
  out += checkboxes_ ? (node.checked ? " [x] " : " [ ] ") : " ";
  out += "#" + std::to_string(node.image) + " ";
  out += node.text.empty() ? "(placeholder)" : node.text;
  out += '\n';
  if (node.expanded || all) {
    for (const State* child : node.shown) RenderNode(*child, depth + 1, all, out);
  }
}

std::string MemoryTree::Render(bool all) const {
  std::string out;
  for (const State* node : shownTop_) RenderNode(*node, 0, all, out);
  return out;
}

}  // namespace bellnest::sim
