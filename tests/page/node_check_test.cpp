// Ticking and clearing folders in the tree: what joins or leaves the page's selection, which
// ticks are taken back, and how "Include Subfolders" carries a change down the subtree.
#include <gtest/gtest.h>

#include <algorithm>

#include "common/page_fixture.h"

namespace bellnest::testing_support {
namespace {

class NodeCheck : public PageFixture {
 protected:
  TreeNodePtr Node(std::string_view path) {
    TreeNodePtr node = Host().Tree().FindByKey(Outlook().Id(path));
    EXPECT_TRUE(node) << "'" << path << "' is not in the tree";
    return node;
  }
  bool Checked(std::string_view path) {
    TreeNodePtr node = Node(path);
    return node && node->Checked().Value();
  }
  bool Expanded(std::string_view path) {
    TreeNodePtr node = Node(path);
    return node && node->Expanded().Value();
  }
  // Whether the node's subfolders are in the tree (not only the placeholder).
  bool Loaded(std::string_view path) {
    TreeNodePtr node = Node(path);
    if (!node) return false;
    TreeNodePtr child = node->Child().Value();
    return child && child->Key().Value() != Outlook().Id(path) + "D";
  }
  int Occurrences(const std::string& path) {
    const std::vector<std::string> selection = Selection();
    return static_cast<int>(std::count(selection.begin(), selection.end(), path));
  }
  void Tick(std::string_view path, bool checked) { ASSERT_TRUE(Host().Tick(path, checked).Ok()) << path; }
  void ExpandTo(std::string_view path) {
    for (size_t slash = path.find('/'); slash != std::string_view::npos; slash = path.find('/', slash + 1))
      ASSERT_TRUE(Host().Expand(path.substr(0, slash), true).Ok());
  }
  void IncludeSubfolders() {
    ASSERT_TRUE(Host().ClickSubfolders().Ok());
    ASSERT_EQ(Host().Subfolders().Value().Value(), 1);
  }
};

// ---- Folders that may raise reminders -----------------------------------------------------

class CheckableFolder : public NodeCheck, public ::testing::WithParamInterface<const char*> {};

TEST_P(CheckableFolder, JoinsTheSelectionOnceAndLeavesItWhenCleared) {
  const std::string path = GetParam();
  OpenPage();
  ExpandTo(path);
  // Clearing a folder that is not selected removes nothing.
  const std::vector<std::string> before = Selection();
  Tick(path, false);
  EXPECT_EQ(Selection(), before);

  Tick(path, true);
  EXPECT_TRUE(Checked(path));
  EXPECT_EQ(Occurrences(path), 1);
  EXPECT_EQ(Selection().back(), path);
  EXPECT_TRUE(Page().Dirty());
  Tick(path, true);  // ticked again: no second entry
  EXPECT_EQ(Occurrences(path), 1);

  Tick(path, false);
  EXPECT_FALSE(Checked(path));
  EXPECT_EQ(Selection(), before);
  Tick(path, true);
  EXPECT_EQ(Occurrences(path), 1);
  // Every user tick told Outlook the page changed.
  EXPECT_EQ(Outlook().StatusChanges(), 5);
}

INSTANTIATE_TEST_SUITE_P(SampleMailbox, CheckableFolder,
                         ::testing::Values("Team Calendar",       // IPF.Appointment
                                           "Contacts/Suppliers",  // IPF.Contact
                                           "Follow Up",           // IPF.Task
                                           "Sync Issues",         // IPF.Note
                                           "Inbox/Receipts",      // no class: a mail folder
                                           "Drafts"),             // the default Drafts folder
                         [](const auto& info) {
                           std::string name = info.param;
                           name.erase(std::remove_if(name.begin(), name.end(), [](char c) { return !std::isalnum(c); }),
                                      name.end());
                           return name;
                         });

// ---- Folders that may not -----------------------------------------------------------------

class RefusedFolder : public NodeCheck, public ::testing::WithParamInterface<const char*> {};

TEST_P(RefusedFolder, TakesTheTickBackAtOnceButStillMarksThePageChanged) {
  const std::string path = GetParam();
  OpenPage();
  ExpandTo(path);
  const std::vector<std::string> before = Selection();
  const std::string treeBefore = Host().TreeText();
  const int passes = Ui().PumpPasses();
  // A paint waiting in the message queue runs in the one pump pass after the tick is taken back.
  bool sawCheckMark = true;
  Ui().Post([&] {
    sawCheckMark = Checked(path);
    Host().Paint();
  });

  Tick(path, true);
  EXPECT_FALSE(Checked(path));
  EXPECT_FALSE(sawCheckMark);
  EXPECT_EQ(Ui().PumpPasses(), passes + 1);
  EXPECT_EQ(Selection(), before);
  EXPECT_TRUE(Page().Dirty());
  EXPECT_EQ(Outlook().StatusChanges(), 1);
  // Include Subfolders is off: nothing was expanded, collapsed or loaded.
  EXPECT_EQ(Host().TreeText(), treeBefore);
}

INSTANTIATE_TEST_SUITE_P(SampleMailbox, RefusedFolder,
                         ::testing::Values("Settings",                 // IPF.Configuration
                                           "Contacts/Quick Contacts",  // a class outside the list
                                           ""),                        // the top folder, which has no class
                         [](const auto& info) { return "Case" + std::to_string(info.index); });

// ---- Include Subfolders off ---------------------------------------------------------------

TEST_F(NodeCheck, WithoutIncludeSubfoldersOnlyTheNodeItselfChanges) {
  OpenPage();
  ASSERT_TRUE(Host().Expand("Inbox", true).Ok());
  Tick("Inbox/Projects", true);
  EXPECT_FALSE(Expanded("Inbox/Projects"));
  EXPECT_FALSE(Loaded("Inbox/Projects"));
  EXPECT_EQ(Selection().back(), "Inbox/Projects");
  EXPECT_EQ(Selection().size(), 5u);

  Tick("Inbox", false);
  EXPECT_TRUE(Expanded("Inbox"));
  EXPECT_TRUE(Checked("Inbox/Projects"));
  EXPECT_EQ(Selection(), (std::vector<std::string>{"Calendar", "Tasks", "Contacts", "Inbox/Projects"}));
}

// ---- Include Subfolders on ----------------------------------------------------------------

TEST_F(NodeCheck, TickingACollapsedFolderLoadsAndTicksItsWholeSubtree) {
  OpenPage();
  IncludeSubfolders();
  ASSERT_TRUE(Host().Expand("Inbox", true).Ok());
  ASSERT_FALSE(Loaded("Inbox/Projects"));
  Tick("Inbox/Projects", true);

  for (const char* path : {"Inbox/Projects", "Inbox/Projects/Alpha"}) {
    EXPECT_TRUE(Expanded(path)) << path;
    EXPECT_TRUE(Loaded(path)) << path;
  }
  const std::vector<std::string> subtree{"Inbox/Projects",
                                         "Inbox/Projects/Alpha",
                                         "Inbox/Projects/Alpha/Milestones",
                                         "Inbox/Projects/Alpha/Reviews",
                                         "Inbox/Projects/Alpha/Wireframes",
                                         "Inbox/Projects/Beta"};
  for (const std::string& path : subtree) EXPECT_TRUE(Checked(path)) << path;
  // Added depth first, children in the tree's alphabetical order.
  std::vector<std::string> expected{"Calendar", "Tasks", "Inbox", "Contacts"};
  expected.insert(expected.end(), subtree.begin(), subtree.end());
  EXPECT_EQ(Selection(), expected);
  // Siblings are left alone.
  EXPECT_FALSE(Checked("Inbox/Newsletters"));
  EXPECT_EQ(Outlook().StatusChanges(), 1);
}

TEST_F(NodeCheck, ClearingCollapsesTheFolderAndClearsItsLoadedDescendants) {
  OpenPage();
  IncludeSubfolders();
  ASSERT_TRUE(Host().Expand("Inbox", true).Ok());
  Tick("Inbox/Projects", true);
  Tick("Inbox/Projects", false);

  EXPECT_FALSE(Expanded("Inbox/Projects"));
  EXPECT_FALSE(Expanded("Inbox/Projects/Alpha"));
  for (const char* path :
       {"Inbox/Projects", "Inbox/Projects/Alpha", "Inbox/Projects/Alpha/Wireframes", "Inbox/Projects/Beta"})
    EXPECT_FALSE(Checked(path)) << path;
  EXPECT_EQ(Selection(), (std::vector<std::string>{"Calendar", "Tasks", "Inbox", "Contacts"}));
  EXPECT_TRUE(Expanded("Inbox"));
}

TEST_F(NodeCheck, ClearingTheTopFolderKeepsItExpandedAndClearsTheFirstLevel) {
  OpenPage();
  IncludeSubfolders();
  ASSERT_TRUE(Host().Expand("Inbox", true).Ok());
  Tick("", false);
  EXPECT_TRUE(Expanded(""));
  EXPECT_FALSE(Expanded("Inbox"));
  for (const char* path : {"Calendar", "Tasks", "Inbox", "Contacts"}) EXPECT_FALSE(Checked(path)) << path;
  EXPECT_EQ(Selection(), std::vector<std::string>{});
}

TEST_F(NodeCheck, ClearingAFolderWhoseSubtreeWasNeverLoadedKeepsItsSelectedSubfolders) {
  // The search already watches a subfolder of the Calendar, so the set starts with it.
  OpenPage(SampleProfileWith(
      [](nlohmann::json& p) { SampleMailbox(p)["reminders"]["containers"].push_back("Calendar/Team Holidays"); }));
  ASSERT_EQ(Occurrences("Calendar/Team Holidays"), 1);
  IncludeSubfolders();
  ASSERT_FALSE(Loaded("Calendar"));
  Tick("Calendar", false);
  EXPECT_EQ(Occurrences("Calendar"), 0);
  EXPECT_EQ(Occurrences("Calendar/Team Holidays"), 1);
  EXPECT_FALSE(Loaded("Calendar"));
}

TEST_F(NodeCheck, ClearingAFolderWhoseSelectedEntryCannotBeReadStillRemovesIt) {
  OpenPage();
  const std::string id = Outlook().Id("Team Calendar");
  auto entryIdReads = [&] {
    int reads = 0;
    for (const sim::HostCall& call : Outlook().Calls())
      reads += call.Kind == sim::kind::kRdoFolder && call.Method == "EntryID" && call.Target == id;
    return reads;
  };
  Tick("Team Calendar", true);
  const int before = entryIdReads();
  Tick("Team Calendar", false);
  // Clearing reads the selected entry's EntryID last.
  const int reads = entryIdReads() - before;
  Tick("Team Calendar", true);
  sim::FaultRule fault = sim::MakeFault(sim::kind::kRdoFolder, "EntryID");
  fault.Target = id;
  fault.Nth = reads;
  ASSERT_TRUE(Outlook().AddFault(fault).Ok());
  Tick("Team Calendar", false);
  const std::vector<sim::HostCall>& calls = Outlook().Calls();
  EXPECT_TRUE(std::any_of(calls.begin(), calls.end(), [&](const sim::HostCall& call) {
    return call.Method == "EntryID" && call.Target == id && !call.Ok;
  }));
  EXPECT_EQ(Occurrences("Team Calendar"), 0);
}

// A node whose Root cannot be read, as a node of a tree being rebuilt.
class RootlessNode final : public TreeNode {
 public:
  explicit RootlessNode(TreeNodePtr node) : node_(std::move(node)) {}
  Result<std::string> Key() override { return node_->Key(); }
  Result<std::string> Text() override { return node_->Text(); }
  Result<int32_t> Index() override { return node_->Index(); }
  Result<int32_t> Image() override { return node_->Image(); }
  Result<bool> Checked() override { return node_->Checked(); }
  Status PutChecked(bool checked) override { return node_->PutChecked(checked); }
  Result<bool> Expanded() override { return node_->Expanded(); }
  Status PutExpanded(bool expanded) override { return node_->PutExpanded(expanded); }
  Status PutSorted(bool sorted) override { return node_->PutSorted(sorted); }
  Result<int32_t> Children() override { return node_->Children(); }
  Result<TreeNodePtr> Child() override { return node_->Child(); }
  Result<TreeNodePtr> Next() override { return node_->Next(); }
  Result<TreeNodePtr> Root() override { return RuntimeError(err::kObjectNotSet); }

 private:
  TreeNodePtr node_;
};

TEST_F(NodeCheck, ClearingANodeThatCannotBeToldFromTheRootLeavesItExpanded) {
  OpenPage();
  IncludeSubfolders();
  ASSERT_TRUE(Host().Expand("Inbox", true).Ok());
  TreeNodePtr inbox = Node("Inbox");
  ASSERT_TRUE(inbox->PutChecked(false).Ok());
  Page().ProcessNodeCheck(std::make_shared<RootlessNode>(inbox));
  EXPECT_TRUE(Expanded("Inbox"));
  EXPECT_EQ(Occurrences("Inbox"), 0);
  EXPECT_FALSE(Checked("Inbox/Projects"));
}

TEST_F(NodeCheck, TickingTheTopFolderTicksEveryCheckableFolderOfTheStore) {
  OpenPage();
  IncludeSubfolders();
  const int passes = Ui().PumpPasses();
  Tick("", true);

  // The sample mailbox less the top folder, the journals and notes (never shown) and the two
  // folders of classes outside the list.
  std::vector<std::string> expected{"Calendar",
                                    "Calendar/Team Holidays",
                                    "Contacts",
                                    "Contacts/Suppliers",
                                    "Deleted Items",
                                    "Drafts",
                                    "Follow Up",
                                    "Inbox",
                                    "Inbox/Newsletters",
                                    "Inbox/Projects",
                                    "Inbox/Projects/Alpha",
                                    "Inbox/Projects/Alpha/Milestones",
                                    "Inbox/Projects/Alpha/Reviews",
                                    "Inbox/Projects/Alpha/Wireframes",
                                    "Inbox/Projects/Beta",
                                    "Inbox/Receipts",
                                    "Junk E-mail",
                                    "Outbox",
                                    "Sent Items",
                                    "Sync Issues",
                                    "Sync Issues/Conflicts",
                                    "Tasks",
                                    "Tasks/Errands",
                                    "Team Calendar"};
  std::vector<std::string> selection = Selection();
  std::sort(selection.begin(), selection.end());
  EXPECT_EQ(selection, expected);
  for (const std::string& path : expected) EXPECT_TRUE(Checked(path)) << path;
  EXPECT_FALSE(Checked(""));
  EXPECT_FALSE(Checked("Settings"));
  EXPECT_FALSE(Checked("Contacts/Quick Contacts"));
  EXPECT_FALSE(Host().Tree().FindByKey(Outlook().Id("Journal")));
  // One pump pass for each tick taken back: the top folder and the two refused folders.
  EXPECT_EQ(Ui().PumpPasses(), passes + 3);
  EXPECT_EQ(Outlook().StatusChanges(), 1);
}

TEST_F(NodeCheck, AnApplyWaitingInTheQueueMayRunInsideARefusedTick) {
  OpenPage();
  IncludeSubfolders();
  // Outlook's Apply button was pressed just before the tick: it runs in the tick's pump pass,
  // reloading the tree under the cascade, which then finds its node gone and stops.
  Ui().Post([&] { Host().Apply(); });
  Tick("", true);

  const std::vector<std::string> defaults{"Calendar", "Tasks", "Inbox", "Contacts"};
  EXPECT_EQ(Selection(), defaults);
  EXPECT_EQ(Page().SelectedFolders, State().RemindersCollection);
  EXPECT_EQ(Outlook().SearchContainerPaths(), defaults);
  EXPECT_TRUE(Outlook().SearchRunning());
  EXPECT_TRUE(Expanded(""));
  EXPECT_TRUE(Checked("Calendar"));
  EXPECT_TRUE(Page().Dirty());
}

}  // namespace
}  // namespace bellnest::testing_support
