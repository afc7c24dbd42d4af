// The tree model's contract, run natively against the in-memory tree and under Wine against
// the comctl32 tree, whose Child, Next and Text read the control. Each test binary instantiates
// it with a maker of a fresh, empty tree with the product's 13 folder images.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "folder_tree/tree_view.h"

namespace bellnest {

class TreeSuite : public ::testing::TestWithParam<std::shared_ptr<TreeView> (*)()> {
 protected:
  void SetUp() override { ASSERT_NE(tree_ = GetParam()(), nullptr); }
  std::shared_ptr<TreeView> tree_;
};

// A node with image 12 under parent (none: at the top), made Sorted as the page's folders are.
TreeNodePtr AddSorted(TreeView& tree, std::optional<int32_t> parent, const std::string& key, const std::string& text);
std::vector<std::string> ChildTexts(const TreeNodePtr& node);  // through Child and Next

}  // namespace bellnest
