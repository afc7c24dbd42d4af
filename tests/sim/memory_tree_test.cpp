// The in-memory tree behaves like the common-controls tree the page relies on.
#include "sim/memory_tree.h"

#include <gtest/gtest.h>

#include <vector>

namespace bellnest::sim {
namespace {

class RecordingEvents : public TreeViewEvents {
 public:
  void TreeView1_Expand(const TreeNodePtr& node) override {
    expanded.push_back(node->Key().Value());
    if (onExpand) onExpand(node);
  }
  void TreeView1_NodeCheck(const TreeNodePtr& node) override { checked.push_back(node->Key().Value()); }
  std::vector<std::string> expanded;
  std::vector<std::string> checked;
  std::function<void(const TreeNodePtr&)> onExpand;
};

std::vector<std::string> ChildTexts(const TreeNodePtr& parent) {
  std::vector<std::string> texts;
  for (TreeNodePtr child = parent->Child().Value(); child; child = child->Next().Value()) {
    texts.push_back(child->Text().Value());
  }
  return texts;
}

TEST(MemoryTree, IndexesFollowInsertionAndShiftWhenNodesGo) {
  auto tree = MemoryTree::Create();
  TreeNodePtr root = tree->NodesAdd(std::nullopt, 0, "R", "Root", 1).Value();
  TreeNodePtr a = tree->NodesAdd(1, kTvwChild, "A", "a", 13).Value();
  tree->NodesAdd(a->Index().Value(), kTvwChild, "A1", "a1", 13).Value();
  TreeNodePtr b = tree->NodesAdd(1, kTvwChild, "B", "b", 13).Value();
  EXPECT_EQ(b->Index().Value(), 4);
  // Removing a node takes its subtree with it; later indexes shift down.
  ASSERT_TRUE(tree->NodesRemove(a->Index().Value()).Ok());
  EXPECT_EQ(tree->NodesCount().Value(), 2);
  EXPECT_EQ(b->Index().Value(), 2);
  EXPECT_EQ(tree->NodesItem(2).Value()->Key().Value(), "B");
  EXPECT_FALSE(a->Key().Ok()) << "a removed node's handle fails";
  EXPECT_EQ(root->Children().Value(), 1);
  EXPECT_EQ(tree->NodesItem(3).Error().Number, err::kTreeIndexOutOfBounds);
}

TEST(MemoryTree, DuplicateKeyFailsWithTheControlsError) {
  auto tree = MemoryTree::Create();
  ASSERT_TRUE(tree->NodesAdd(std::nullopt, 0, "R", "Root", 1).Ok());
  Result<TreeNodePtr> again = tree->NodesAdd(1, kTvwChild, "R", "x", 1);
  ASSERT_FALSE(again.Ok());
  EXPECT_EQ(again.Error().Number, 35602);
  EXPECT_EQ(again.Error().Description, "Key is not unique in collection");
  EXPECT_EQ(tree->NodesCount().Value(), 1);
}

TEST(MemoryTree, SortedChildrenWalkInAlphabeticalOrderWithoutRegardToCase) {
  auto tree = MemoryTree::Create();
  TreeNodePtr root = tree->NodesAdd(std::nullopt, 0, "R", "Root", 1).Value();
  ASSERT_TRUE(root->PutSorted(true).Ok());
  for (const char* name : {"delta", "Alpha", "charlie", "Bravo"}) {
    ASSERT_TRUE(tree->NodesAdd(1, kTvwChild, name, name, 13).Ok());
  }
  EXPECT_EQ(ChildTexts(root), (std::vector<std::string>{"Alpha", "Bravo", "charlie", "delta"}));
  // Unsorted children keep insertion order.
  ASSERT_TRUE(root->PutSorted(false).Ok());
  EXPECT_EQ(ChildTexts(root), (std::vector<std::string>{"delta", "Alpha", "charlie", "Bravo"}));
}

TEST(MemoryTree, ExpandingByCodeRaisesExpandBeforeTheChildrenShow) {
  auto tree = MemoryTree::Create();
  RecordingEvents events;
  tree->SetEvents(&events);
  TreeNodePtr root = tree->NodesAdd(std::nullopt, 0, "R", "Root", 1).Value();
  ASSERT_TRUE(tree->NodesAdd(1, kTvwChild, "RD", "", 1).Ok());
  // The handler replaces the placeholder with real children, as the page's handler does.
  events.onExpand = [&](const TreeNodePtr& node) {
    EXPECT_FALSE(node->Expanded().Value());
    ASSERT_TRUE(tree->NodesRemove(node->Child().Value()->Index().Value()).Ok());
    ASSERT_TRUE(tree->NodesAdd(node->Index().Value(), kTvwChild, "C", "Child", 13).Ok());
  };
  ASSERT_TRUE(root->PutExpanded(true).Ok());
  EXPECT_EQ(events.expanded, std::vector<std::string>{"R"});
  EXPECT_TRUE(root->Expanded().Value());
  EXPECT_EQ(ChildTexts(root), std::vector<std::string>{"Child"});

  // Already expanded, or nothing below: no event.
  ASSERT_TRUE(root->PutExpanded(true).Ok());
  TreeNodePtr child = root->Child().Value();
  ASSERT_TRUE(child->PutExpanded(true).Ok());
  EXPECT_EQ(events.expanded.size(), 1u);
  // Collapsing raises nothing; expanding again raises Expand again.
  ASSERT_TRUE(root->PutExpanded(false).Ok());
  events.onExpand = nullptr;
  ASSERT_TRUE(root->PutExpanded(true).Ok());
  EXPECT_EQ(events.expanded.size(), 2u);
}

TEST(MemoryTree, OnlyTheUsersTicksRaiseNodeCheck) {
  auto tree = MemoryTree::Create();
  RecordingEvents events;
  tree->SetEvents(&events);
  TreeNodePtr root = tree->NodesAdd(std::nullopt, 0, "R", "Root", 1).Value();
  ASSERT_TRUE(root->PutChecked(true).Ok());
  EXPECT_TRUE(events.checked.empty());
  ASSERT_TRUE(tree->UserCheck(1, false).Ok());
  EXPECT_EQ(events.checked, std::vector<std::string>{"R"});
  EXPECT_FALSE(root->Checked().Value());
}

TEST(MemoryTree, DisplayCallsAreRecordedInOrder) {
  auto tree = MemoryTree::Create();
  ASSERT_TRUE(tree->NodesAdd(std::nullopt, 0, "R", "Root", 1).Ok());
  ASSERT_TRUE(tree->PutAppearance(0).Ok());
  ASSERT_TRUE(tree->PutSelectedItem(tree->NodesItem(1).Value()).Ok());
  ASSERT_TRUE(tree->Refresh().Ok());
  EXPECT_EQ(tree->DisplayLog(), (std::vector<std::string>{"Appearance=0", "SelectedItem=R", "Refresh"}));
}

TEST(MemoryTree, ClearInvalidatesEveryHandle) {
  auto tree = MemoryTree::Create();
  TreeNodePtr root = tree->NodesAdd(std::nullopt, 0, "R", "Root", 1).Value();
  ASSERT_TRUE(tree->NodesClear().Ok());
  EXPECT_FALSE(root->Index().Ok());
  EXPECT_EQ(tree->NodesCount().Value(), 0);
  EXPECT_TRUE(tree->NodesAdd(std::nullopt, 0, "R", "Root", 1).Ok()) << "the key is free again";
}

TEST(MemoryTree, ManyChildrenKeepCorrectIndexesAfterRemovals) {
  auto tree = MemoryTree::Create();
  TreeNodePtr root = tree->NodesAdd(std::nullopt, 0, "R", "Root", 1).Value();
  ASSERT_TRUE(root->PutSorted(true).Ok());
  std::vector<TreeNodePtr> kids;
  for (int i = 0; i < 300; ++i) {
    kids.push_back(tree->NodesAdd(1, kTvwChild, "K" + std::to_string(i), "n" + std::to_string(1000 - i), 13).Value());
  }
  for (int i = 0; i < 300; i += 3) ASSERT_TRUE(tree->NodesRemove(kids[i]->Index().Value()).Ok());
  int32_t expected = 2;
  for (int i = 0; i < 300; ++i) {
    if (i % 3 == 0) continue;
    EXPECT_EQ(kids[i]->Index().Value(), expected);
    EXPECT_EQ(tree->NodesItem(expected).Value()->Key().Value(), "K" + std::to_string(i));
    ++expected;
  }
  // Display order is by text: the last added ("n701") comes first.
  EXPECT_EQ(root->Child().Value()->Text().Value(), "n701");
}

}  // namespace
}  // namespace bellnest::sim
