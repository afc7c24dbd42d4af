// The tree model's contract; every expectation holds for the control as for the memory tree.
#include "common/tree_suite.h"

namespace bellnest {

TreeNodePtr AddSorted(TreeView& tree, std::optional<int32_t> parent, const std::string& key, const std::string& text) {
  TreeNodePtr node = tree.NodesAdd(parent, kTvwChild, key, text, 12).Value();
  EXPECT_TRUE(node->PutSorted(true).Ok());
  return node;
}

std::vector<std::string> ChildTexts(const TreeNodePtr& node) {
  std::vector<std::string> texts;
  for (TreeNodePtr child = node->Child().Value(); child; child = child->Next().Value()) {
    texts.push_back(child->Text().Value());
  }
  return texts;
}

namespace {

std::vector<std::string> KeysByIndex(TreeView& tree) {
  std::vector<std::string> keys;
  for (int32_t i = 1; i <= tree.NodesCount().Value(); ++i) keys.push_back(tree.NodesItem(i).Value()->Key().Value());
  return keys;
}

TEST_P(TreeSuite, IndexesFollowInsertionOrderAndShiftWhenASubtreeGoes) {
  TreeNodePtr root = AddSorted(*tree_, std::nullopt, "R", "Root");
  TreeNodePtr b = AddSorted(*tree_, 1, "B", "beta");
  AddSorted(*tree_, 1, "A", "Alpha");
  AddSorted(*tree_, b->Index().Value(), "B1", "b one");
  AddSorted(*tree_, b->Index().Value(), "B2", "b two");
  TreeNodePtr c = AddSorted(*tree_, 1, "C", "gamma");
  EXPECT_EQ(KeysByIndex(*tree_), (std::vector<std::string>{"R", "B", "A", "B1", "B2", "C"}));
  EXPECT_EQ(c->Index().Value(), 6);

  ASSERT_TRUE(tree_->NodesRemove(2).Ok());  // beta and its two children
  EXPECT_EQ(KeysByIndex(*tree_), (std::vector<std::string>{"R", "A", "C"}));
  EXPECT_EQ(c->Index().Value(), 3);
  EXPECT_EQ(b->Key().Error().Number, 35605);  // a handle of a removed node fails
  EXPECT_EQ(tree_->NodesItem(4).Error().Number, err::kTreeIndexOutOfBounds);
  EXPECT_EQ(ChildTexts(root), (std::vector<std::string>{"Alpha", "gamma"}));
  // A key in the tree fails with 35602; the key of a removed node can be used again.
  EXPECT_EQ(tree_->NodesAdd(1, kTvwChild, "A", "second", 12).Error().Number, err::kTreeKeyNotUnique);
  EXPECT_TRUE(tree_->NodesAdd(1, kTvwChild, "B", "beta again", 12).Ok());
  ASSERT_TRUE(tree_->NodesClear().Ok());
  EXPECT_EQ(tree_->NodesCount().Value(), 0);
}

TEST_P(TreeSuite, ChildrenOfASortedNodeComeInCaseFoldedOrderOthersInInsertionOrder) {
  TreeNodePtr root = tree_->NodesAdd(std::nullopt, kTvwChild, "R", "Root", 1).Value();
  for (const char* text : {"delta", "Alpha", "charlie", "Bravo", "alpha 2"}) {
    ASSERT_TRUE(tree_->NodesAdd(1, kTvwChild, text, text, 13).Ok());
  }
  EXPECT_EQ(ChildTexts(root), (std::vector<std::string>{"delta", "Alpha", "charlie", "Bravo", "alpha 2"}));
  ASSERT_TRUE(root->PutSorted(true).Ok());
  EXPECT_EQ(ChildTexts(root), (std::vector<std::string>{"Alpha", "alpha 2", "Bravo", "charlie", "delta"}));
  ASSERT_TRUE(tree_->NodesAdd(1, kTvwChild, "B", "beta \xC3\xA9", 13).Ok());
  EXPECT_EQ(ChildTexts(root),
            (std::vector<std::string>{"Alpha", "alpha 2", "beta \xC3\xA9", "Bravo", "charlie", "delta"}));
  // Indexes stay in insertion order whatever the display order.
  EXPECT_EQ(tree_->NodesItem(2).Value()->Key().Value(), "delta");
  // Two children are enough to re-order.
  TreeNodePtr pair = tree_->NodesAdd(1, kTvwChild, "P", "pair", 13).Value();
  for (const char* text : {"zulu", "yankee"})
    ASSERT_TRUE(tree_->NodesAdd(pair->Index().Value(), kTvwChild, text, text, 13).Ok());
  ASSERT_TRUE(pair->PutSorted(true).Ok());
  EXPECT_EQ(ChildTexts(pair), (std::vector<std::string>{"yankee", "zulu"}));
}

TEST_P(TreeSuite, AnImageBelowZeroOrAboveTheImageCountFailsAndAddsNothing) {
  for (int32_t image : {-1, 14}) {
    EXPECT_EQ(tree_->NodesAdd(std::nullopt, kTvwChild, "", "", image).Error().Number, err::kTreeIndexOutOfBounds);
  }
  EXPECT_EQ(tree_->NodesCount().Value(), 0);
  for (int32_t image : {0, 13}) {
    EXPECT_EQ(tree_->NodesAdd(std::nullopt, kTvwChild, "", "", image).Value()->Image().Value(), image);
  }
}

}  // namespace
}  // namespace bellnest
