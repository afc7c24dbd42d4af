// The comctl32 folder tree: the shared tree suite (indexes, keys, images, sorting, UTF-8 text
// read back from the control as Unicode) against it, and what only the control shows: the
// items it holds, Expand on every expansion by code or by the user, NodeCheck only for the
// user's own toggles, sent as real mouse and key messages.
#include "platform/win32/win32_tree_view.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/tree_suite.h"
#include "support/platform.h"
#include "support/shared_state.h"
#include "windows/win32_test_world.h"
#include "windows/win32_window_test.h"

namespace bellnest::win32 {
namespace {

// The tree of a page window, which it keeps alive.
std::shared_ptr<TreeView> MakeWin32Tree() {
  auto window = std::make_shared<TestPageWindow>();
  return window->Window() ? std::shared_ptr<TreeView>(window, window->Page().Tree().get()) : nullptr;
}
INSTANTIATE_TEST_SUITE_P(Win32, TreeSuite, testing::Values(&MakeWin32Tree));

// Records the tree's events; Expand reloads the node's children as the page does.
class Recorder final : public TreeViewEvents {
 public:
  explicit Recorder(TreeView& tree) : tree_(tree) {}
  std::map<std::string, std::vector<std::string>> Loads;  // key -> children's texts
  std::vector<std::string> Events;

  void TreeView1_Expand(const TreeNodePtr& node) override {
    const std::string key = node->Key().Value();
    Events.push_back("Expand " + key);
    while (TreeNodePtr child = node->Child().Value()) ASSERT_TRUE(tree_.NodesRemove(child->Index().Value()).Ok());
    for (const std::string& text : Loads[key]) {
      TreeNodePtr added = tree_.NodesAdd(node->Index().Value(), kTvwChild, key + "/" + text, text, 13).Value();
      ASSERT_TRUE(tree_.NodesAdd(added->Index().Value(), kTvwChild, key + "/" + text + "D", "", 13).Ok());
    }
  }
  void TreeView1_NodeCheck(const TreeNodePtr& node) override {
    Events.push_back("Check " + node->Key().Value() + (node->Checked().Value() ? " on" : " off"));
  }

 private:
  TreeView& tree_;
};

class Win32TreeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(window_.Window(), nullptr);
    tree_ = window_.Page().Tree();
    tree_->SetEvents(&recorder_);
  }
  // A node's label as the control draws it.
  RECT LabelRect(int32_t index) {
    RECT r{};
    const HTREEITEM item = tree_->ItemOf(index);
    std::memcpy(&r, &item, sizeof item);  // TVM_GETITEMRECT takes the item in the rectangle
    ::SendMessageW(tree_->Window(), TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&r));
    return r;
  }
  // The user's key on a node: it is selected, then the key goes down and up.
  void Press(int32_t index, WPARAM key, wchar_t character = 0) {
    ::SendMessageW(tree_->Window(), TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(tree_->ItemOf(index)));
    PostKey(tree_->Window(), key, character);
  }
  void Settle() { PumpUntil([] { return false; }, 150); }

  TestPageWindow window_;
  std::shared_ptr<Win32TreeView> tree_;
  Recorder recorder_{*window_.Page().Tree()};
};

TEST_F(Win32TreeTest, ExpandIsRaisedSynchronouslyEveryTimeCodeOrTheUserExpandsACollapsedNode) {
  recorder_.Loads["R"] = {"Inbox", "Calendar"};
  TreeNodePtr root = AddSorted(*tree_, std::nullopt, "R", "Root");
  AddSorted(*tree_, 1, "RD", "");
  struct Step {
    const char* how;
    bool expand;
    bool raises;
  };
  const Step steps[] = {
      {"code", true, true},  {"code", true, false},  // already expanded: nothing
      {"code", false, false}, {"code", true, true},  {"user", false, false},
      {"user", true, true},   {"user", false, false}, {"user", true, true},
      {"code", false, false}, {"user", true, true},  {"code", false, false}, {"code", true, true},
  };
  int expected = 0;
  for (const Step& step : steps) {
    const std::string label = std::string(step.how) + (step.expand ? " expands" : " collapses") + " at event " +
                              std::to_string(expected);
    if (std::string(step.how) == "code") {
      ASSERT_TRUE(root->PutExpanded(step.expand).Ok());
    } else {
      Press(1, step.expand ? VK_ADD : VK_SUBTRACT);
      Settle();
    }
    expected += step.raises ? 1 : 0;
    EXPECT_EQ(static_cast<int>(recorder_.Events.size()), expected) << label;
    EXPECT_EQ(root->Expanded().Value(), step.expand) << label;
    // The reloaded children are there as soon as the expansion is over.
    if (step.expand) {
      EXPECT_EQ(ChildTexts(root), (std::vector<std::string>{"Calendar", "Inbox"})) << label;
    }
  }
  EXPECT_EQ(tree_->NodesCount().Value(), 5);  // root, two folders, their placeholders
  // Each reload took the old items off the control; clearing takes them all.
  EXPECT_EQ(::SendMessageW(tree_->Window(), TVM_GETCOUNT, 0, 0), 5);
  ASSERT_TRUE(tree_->NodesClear().Ok());
  EXPECT_EQ(::SendMessageW(tree_->Window(), TVM_GETCOUNT, 0, 0), 0);
}

TEST_F(Win32TreeTest, NodeCheckComesOnlyFromTheUsersClickOnTheCheckBoxOrSpaceWithTheNewState) {
  recorder_.Loads["R"] = {"Bravo", "Alpha"};
  AddSorted(*tree_, std::nullopt, "R", "Root");
  AddSorted(*tree_, 1, "RD", "");
  ASSERT_TRUE(tree_->NodesItem(1).Value()->PutExpanded(true).Ok());  // Bravo 2, Alpha 4
  recorder_.Events.clear();

  // Code sets a mark: nothing is raised.
  ASSERT_TRUE(tree_->NodesItem(2).Value()->PutChecked(true).Ok());
  Settle();
  EXPECT_TRUE(tree_->NodesItem(2).Value()->Checked().Value());
  EXPECT_TRUE(recorder_.Events.empty());

  struct Action {
    const char* what;
    std::vector<std::string> events;
  };
  const Action actions[] = {
      {"click the check box of Alpha", {"Check R/Alpha on"}},
      {"click the label of Bravo", {}},
      {"space on Bravo", {"Check R/Bravo off"}},
      {"click the check box of Alpha", {"Check R/Alpha off"}},
      {"space on Alpha", {"Check R/Alpha on"}},
  };
  for (const Action& action : actions) {
    recorder_.Events.clear();
    const std::string what = action.what;
    const int32_t index = what.find("Alpha") != std::string::npos ? 4 : 2;
    if (what.rfind("click the check box", 0) == 0) {
      PostClick(tree_->Window(), CheckBoxPoint(tree_->Window(), tree_->ItemOf(index)));
    } else if (what.rfind("click the label", 0) == 0) {
      const RECT r = LabelRect(index);
      PostClick(tree_->Window(), {(r.left + r.right) / 2, (r.top + r.bottom) / 2});
    } else {
      Press(index, VK_SPACE, L' ');
    }
    Settle();
    EXPECT_EQ(recorder_.Events, action.events) << what;
  }
}

// An exception out of the page's check handling stops at the tree's own window: one log entry,
// and this process and the tree go on (through user32 it would end a 32-bit process).
TEST_F(Win32TreeTest, AnExceptionFromTheCheckHandlerIsLoggedOnceAndGoesNoFurther) {
  struct Throwing final : TreeViewEvents {
    int checks = 0;
    void TreeView1_Expand(const TreeNodePtr&) override {}
    void TreeView1_NodeCheck(const TreeNodePtr&) override {
      ++checks;
      throw std::runtime_error("no such folder");
    }
  } throwing;
  Win32TestWorld world;
  ScopedPlatform platform(world.Seams());
  State().LocalDataFolder = world.ScratchFolder();
  tree_->SetEvents(&throwing);
  AddSorted(*tree_, std::nullopt, "R", "Root");
  for (int press = 1; press <= 2; ++press) {
    Press(1, VK_SPACE, L' ');
    Settle();
  }
  const std::string log = world.ReadFileBytes(State().LocalDataFolder + "\\Bellnest.Log").value_or("");
  EXPECT_EQ(throwing.checks, 2);  // the tree goes on raising its events
  const std::string entry =
      "no such folder\r\nSource:PPBellnest\r\nModule:PPBellnest\r\nProcedure:TreeView1_NodeCheck\r\n";
  size_t entries = 0;
  for (size_t at = log.find(entry); at != std::string::npos; at = log.find(entry, at + 1)) ++entries;
  EXPECT_EQ(entries, 2u) << log;  // one for each
  ResetSharedState();
}

}  // namespace
}  // namespace bellnest::win32
