// The in-memory tree view.
#include "sim/memory_tree.h"

#include <algorithm>
#include <functional>

namespace bellnest::sim {

namespace {
constexpr int32_t kNodeRemoved = 35605;

ErrorInfo TreeError(int32_t number) {
  if (number == kNodeRemoved) return ErrorInfo{number, "Control has been deleted", "TreeView"};
  ErrorInfo e = RuntimeError(number);
  e.Source = "TreeView";
  return e;
}

// Tree labels sort without regard to case, as the common controls compare them.
std::string SortText(const std::string& text) {
  std::string folded = text;
  std::transform(folded.begin(), folded.end(), folded.begin(),
                 [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; });
  return folded;
}
}  // namespace

// A node handle; it outlives its node safely and then fails every call.
class MemoryTreeNode final : public TreeNode {
 public:
  MemoryTreeNode(std::shared_ptr<MemoryTree> tree, std::shared_ptr<MemoryTree::NodeData> data)
      : tree_(std::move(tree)), data_(std::move(data)) {}

  Result<std::string> Key() override {
    if (!data_->alive) return TreeError(kNodeRemoved);
    return data_->key;
  }
  Result<std::string> Text() override {
    if (!data_->alive) return TreeError(kNodeRemoved);
    return data_->text;
  }
  Result<int32_t> Index() override {
    if (!data_->alive) return TreeError(kNodeRemoved);
    return tree_->IndexOf(data_.get());
  }
  Result<int32_t> Image() override {
    if (!data_->alive) return TreeError(kNodeRemoved);
    return data_->image;
  }
  Result<bool> Checked() override {
    if (!data_->alive) return TreeError(kNodeRemoved);
    return data_->checked;
  }
  Status PutChecked(bool checked) override {
    if (!data_->alive) return TreeError(kNodeRemoved);
    data_->checked = checked;
    return {};
  }
  Result<bool> Expanded() override {
    if (!data_->alive) return TreeError(kNodeRemoved);
    return data_->expanded;
  }
  Status PutExpanded(bool expanded) override {
    if (!data_->alive) return TreeError(kNodeRemoved);
    return tree_->Expand(data_.get(), expanded);
  }
  Status PutSorted(bool sorted) override {
    if (!data_->alive) return TreeError(kNodeRemoved);
    if (data_->sorted != sorted) {
      data_->sorted = sorted;
      tree_->Resort(data_.get());
    }
    return {};
  }
  Result<int32_t> Children() override {
    if (!data_->alive) return TreeError(kNodeRemoved);
    return static_cast<int32_t>(data_->children.size());
  }
  Result<TreeNodePtr> Child() override {
    if (!data_->alive) return TreeError(kNodeRemoved);
    if (data_->children.empty()) return TreeNodePtr{};
    return tree_->Handle(data_->children.begin()->node);
  }
  Result<TreeNodePtr> Next() override {
    if (!data_->alive) return TreeError(kNodeRemoved);
    const auto& siblings = data_->parent ? data_->parent->children : tree_->topLevel_;
    auto next = std::next(data_->position);
    if (next == siblings.end()) return TreeNodePtr{};
    return tree_->Handle(next->node);
  }
  Result<TreeNodePtr> Root() override {
    if (!data_->alive) return TreeError(kNodeRemoved);
    MemoryTree::NodeData* top = data_.get();
    while (top->parent) top = top->parent;
    return tree_->Handle(top);
  }

 private:
  std::shared_ptr<MemoryTree> tree_;
  std::shared_ptr<MemoryTree::NodeData> data_;
};

std::shared_ptr<MemoryTree> MemoryTree::Create(int32_t imageCount) {
  return std::shared_ptr<MemoryTree>(new MemoryTree(imageCount));
}

TreeNodePtr MemoryTree::Handle(NodeData* node) {
  return std::make_shared<MemoryTreeNode>(shared_from_this(), slots_[node->slot]);
}

int32_t MemoryTree::IndexOf(const NodeData* node) const { return index_.IndexOf(node->slot); }

MemoryTree::NodeData* MemoryTree::NodeAt(int32_t index) const {
  const std::optional<size_t> slot = index_.SlotAt(index);
  return slot ? slots_[*slot].get() : nullptr;
}

void MemoryTree::Attach(NodeData* node, NodeData* parent) {
  node->parent = parent;
  Children& siblings = parent ? parent->children : topLevel_;
  const bool sorted = parent && parent->sorted;
  node->position = siblings.insert(ChildRef{sorted ? SortText(node->text) : std::string(), node->seq, node}).first;
}

void MemoryTree::Detach(NodeData* node) {
  Children& siblings = node->parent ? node->parent->children : topLevel_;
  siblings.erase(node->position);
}

void MemoryTree::Resort(NodeData* node) {
  std::vector<NodeData*> kids;
  for (const ChildRef& ref : node->children) kids.push_back(ref.node);
  node->children.clear();
  for (NodeData* kid : kids) Attach(kid, node);
}

void MemoryTree::Kill(NodeData* node) {
  for (const ChildRef& ref : node->children) Kill(ref.node);
  node->children.clear();
  node->alive = false;
  byKey_.erase(node->key);
  index_.Remove(node->slot);
}

Status MemoryTree::NodesClear() {
  for (auto& slot : slots_) slot->alive = false;
  slots_.clear();
  index_.Clear();
  byKey_.clear();
  topLevel_.clear();
  return {};
}

Result<TreeNodePtr> MemoryTree::NodesAdd(std::optional<int32_t> relative, int32_t relationship, const std::string& key,
                                         const std::string& text, int32_t image) {
  NodeData* parent = nullptr;
  if (relative) {
    parent = NodeAt(*relative);
    if (!parent) return TreeError(err::kTreeIndexOutOfBounds);
    // Only the child relationship is used by the page; other relationships are not modelled.
    if (relationship != kTvwChild) return TreeError(err::kInvalidProcedureCall);
  }
  if (image < 0 || image > imageCount_) return TreeError(err::kTreeIndexOutOfBounds);
  if (!key.empty() && byKey_.count(key) != 0) return TreeError(err::kTreeKeyNotUnique);

  auto data = std::make_shared<NodeData>();
  data->key = key;
  data->text = text;
  data->image = image;
  data->seq = nextSeq_++;
  data->slot = index_.Append();
  slots_.push_back(data);
  if (!key.empty()) byKey_.emplace(key, data.get());
  Attach(data.get(), parent);
  return Handle(data.get());
}

Status MemoryTree::NodesRemove(int32_t index) {
  NodeData* node = NodeAt(index);
  if (!node) return TreeError(err::kTreeIndexOutOfBounds);
  Detach(node);
  Kill(node);
  return {};
}

Result<TreeNodePtr> MemoryTree::NodesItem(int32_t index) {
  NodeData* node = NodeAt(index);
  if (!node) return TreeError(err::kTreeIndexOutOfBounds);
  return Handle(node);
}

Result<int32_t> MemoryTree::NodesCount() { return index_.Count(); }

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
  if (!node) return TreeError(err::kObjectNotSet);
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

Status MemoryTree::Expand(NodeData* node, bool expanded) {
  if (expanded && !node->expanded && !node->children.empty() && events_) {
    events_->TreeView1_Expand(Handle(node));
    if (!node->alive) return {};
  }
  node->expanded = expanded;
  return {};
}

Status MemoryTree::UserCheck(int32_t index, bool checked) {
  NodeData* node = NodeAt(index);
  if (!node) return TreeError(err::kTreeIndexOutOfBounds);
  node->checked = checked;
  if (events_) events_->TreeView1_NodeCheck(Handle(node));
  return {};
}

Status MemoryTree::UserExpand(int32_t index, bool expanded) {
  NodeData* node = NodeAt(index);
  if (!node) return TreeError(err::kTreeIndexOutOfBounds);
  return Expand(node, expanded);
}

TreeNodePtr MemoryTree::FindByKey(const std::string& key) {
  auto it = byKey_.find(key);
  return it == byKey_.end() ? TreeNodePtr{} : Handle(it->second);
}

void MemoryTree::RenderNode(const NodeData* node, int depth, bool all, std::string& out) const {
  out.append(static_cast<size_t>(depth) * 4, ' ');
  const char* sign = node->children.empty() ? "   " : node->expanded ? "[-]" : "[+]";
  out += sign;
  out += checkboxes_ ? (node->checked ? " [x] " : " [ ] ") : " ";
  out += "#" + std::to_string(node->image) + " ";
  out += node->text.empty() ? "(placeholder)" : node->text;
  out += '\n';
  if (node->expanded || all) {
    for (const ChildRef& ref : node->children) RenderNode(ref.node, depth + 1, all, out);
  }
}

std::string MemoryTree::Render(bool all) const {
  std::string out;
  for (const ChildRef& ref : topLevel_) RenderNode(ref.node, 0, all, out);
  return out;
}

}  // namespace bellnest::sim
