// The tree views' shared bookkeeping.
#include "folder_tree/tree_model.h"

#include <algorithm>

namespace bellnest {

namespace {
constexpr int32_t kNodeRemoved = 35605;

// A node's place among its siblings. Labels sort without regard to case, as the common
// controls compare them.
TreeModel::ChildRef RefOf(TreeModel::Node* node, bool sorted) {
  std::string folded = sorted ? node->text : std::string();
  std::transform(folded.begin(), folded.end(), folded.begin(),
                 [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; });
  return {std::move(folded), node->seq, node};
}
}  // namespace

// A node handle; it outlives its node safely and then fails every call.
class TreeModel::NodeHandle final : public TreeNode {
 public:
  NodeHandle(std::shared_ptr<TreeModel> tree, std::shared_ptr<Node> node)
      : tree_(std::move(tree)), node_(std::move(node)) {}

  Result<std::string> Key() override { return Live([&]() -> Result<std::string> { return node_->key; }); }
  Result<std::string> Text() override { return Live([&] { return tree_->TextOf(*node_); }); }
  Result<int32_t> Index() override {
    return Live([&]() -> Result<int32_t> { return tree_->index_.IndexOf(node_->slot); });
  }
  Result<int32_t> Image() override { return Live([&]() -> Result<int32_t> { return node_->image; }); }
  Result<bool> Checked() override { return Live([&]() -> Result<bool> { return tree_->IsChecked(*node_); }); }
  Status PutChecked(bool checked) override {
    return Live([&]() -> Status {
      tree_->SetChecked(*node_, checked);
      return {};
    });
  }
  Result<bool> Expanded() override { return Live([&]() -> Result<bool> { return tree_->IsExpanded(*node_); }); }
  Status PutExpanded(bool expanded) override { return Live([&] { return tree_->Expand(*node_, expanded); }); }
  Status PutSorted(bool sorted) override {
    return Live([&]() -> Status {
      tree_->PutSorted(*node_, sorted);
      return {};
    });
  }
  Result<int32_t> Children() override {
    return Live([&]() -> Result<int32_t> { return static_cast<int32_t>(node_->children.size()); });
  }
  Result<TreeNodePtr> Child() override { return Live([&]() -> Result<TreeNodePtr> { return tree_->ChildOf(*node_); }); }
  Result<TreeNodePtr> Next() override { return Live([&]() -> Result<TreeNodePtr> { return tree_->NextOf(*node_); }); }
  Result<TreeNodePtr> Root() override {
    return Live([&]() -> Result<TreeNodePtr> {
      Node* top = node_.get();
      while (top->parent) top = top->parent;
      return tree_->Handle(top);
    });
  }

 private:
  template <class F>
  auto Live(F&& f) -> decltype(f()) {
    if (!node_->alive) return Error(kNodeRemoved);
    return f();
  }

  std::shared_ptr<TreeModel> tree_;
  std::shared_ptr<Node> node_;
};

ErrorInfo TreeModel::Error(int32_t number) {
  if (number == kNodeRemoved) return ErrorInfo{number, "Control has been deleted", "TreeView"};
  ErrorInfo e = RuntimeError(number);
  e.Source = "TreeView";
  return e;
}

TreeNodePtr TreeModel::Handle(Node* node) { return std::make_shared<NodeHandle>(shared_from_this(), slots_[node->slot]); }

TreeModel::Node* TreeModel::NodeAt(int32_t index) const {
  const std::optional<size_t> slot = index_.SlotAt(index);
  return slot ? slots_[*slot].get() : nullptr;
}

TreeModel::Node* TreeModel::Find(const std::string& key) const {
  auto it = byKey_.find(key);
  return it == byKey_.end() ? nullptr : it->second;
}

Status TreeModel::NodesClear() {
  Hide(nullptr);
  for (auto& slot : slots_) slot->alive = false;
  slots_.clear();
  index_.Clear();
  byKey_.clear();
  topLevel_.clear();
  return {};
}

Result<TreeNodePtr> TreeModel::NodesAdd(std::optional<int32_t> relative, int32_t relationship, const std::string& key,
                                        const std::string& text, int32_t image) {
  Node* parent = nullptr;
  if (relative) {
    parent = NodeAt(*relative);
    if (!parent) return Error(err::kTreeIndexOutOfBounds);
    // Only the child relationship is used by the page; other relationships are not modelled.
    if (relationship != kTvwChild) return Error(err::kInvalidProcedureCall);
  }
  if (image < 0 || image > imageCount_) return Error(err::kTreeIndexOutOfBounds);
  if (!key.empty() && byKey_.count(key) != 0) return Error(err::kTreeKeyNotUnique);

  std::shared_ptr<Node> node = NewNode();
  node->key = key;
  node->text = text;
  node->image = image;
  node->seq = nextSeq_++;
  node->parent = parent;
  Children& siblings = parent ? parent->children : topLevel_;
  node->position = siblings.insert(RefOf(node.get(), parent && parent->sorted)).first;
  if (Status shown = Show(*node); !shown.Ok()) {
    siblings.erase(node->position);
    return shown.Error();
  }
  node->slot = index_.Append();
  slots_.push_back(node);
  if (!key.empty()) byKey_.emplace(key, node.get());
  return Handle(node.get());
}

void TreeModel::Forget(Node* node) {
  for (const ChildRef& ref : node->children) Forget(ref.node);
  node->children.clear();
  node->alive = false;
  if (!node->key.empty()) byKey_.erase(node->key);
  index_.Remove(node->slot);
}

Status TreeModel::NodesRemove(int32_t index) {
  Node* node = NodeAt(index);
  if (!node) return Error(err::kTreeIndexOutOfBounds);
  (node->parent ? node->parent->children : topLevel_).erase(node->position);
  Forget(node);
  Hide(node);
  return {};
}

Result<TreeNodePtr> TreeModel::NodesItem(int32_t index) {
  Node* node = NodeAt(index);
  if (!node) return Error(err::kTreeIndexOutOfBounds);
  return Handle(node);
}

void TreeModel::PutSorted(Node& node, bool sorted) {
  if (node.sorted == sorted) return;
  node.sorted = sorted;
  std::vector<Node*> kids;
  for (const ChildRef& ref : node.children) kids.push_back(ref.node);
  node.children.clear();
  for (Node* kid : kids) kid->position = node.children.insert(RefOf(kid, sorted)).first;
  // Fewer than two children are in order already.
  if (kids.size() >= 2) Reordered(node);
}

Status TreeModel::Expand(Node& node, bool expanded) {
  if (expanded && !IsExpanded(node) && !node.children.empty() && events_) {
    std::shared_ptr<Node> keep = slots_[node.slot];
    events_->TreeView1_Expand(Handle(&node));
    if (!keep->alive) return {};
  }
  SetExpanded(node, expanded);
  return {};
}

}  // namespace bellnest
