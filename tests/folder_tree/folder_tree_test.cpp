// The folder tree as the user sees it on an open page: which folders appear, with which image,
// checked or not, with an expand sign where subfolders wait; expanding loads one level and
// expanding again rebuilds it; folders the session cannot open, a store without subfolders,
// a tree past 32767 nodes; the tree reset and repaint themselves.
#include <gtest/gtest.h>

#include "common/page_fixture.h"
#include "common/tree_suite.h"
#include "folder_tree/pick_folders.h"
#include "page/user_control.h"
#include "sim/memory_tree.h"
#include "sim/profile/sample_profile.h"

namespace bellnest {
namespace {

using Paths = std::vector<std::string>;

std::shared_ptr<TreeView> MakeMemoryTree() { return sim::MemoryTree::Create(); }
INSTANTIATE_TEST_SUITE_P(Native, TreeSuite, testing::Values(&MakeMemoryTree));

class FolderTree : public testing_support::SessionTest {
 protected:
  // Outlook opens the page and paints it once: the first level is loaded.
  void OpenAndPaint() {
    host_->Open();
    ASSERT_TRUE(host_->Paint());
  }
};

// The first_use and expand_levels scenarios pin the sample mailbox's tree as it loads, the
// folder_images scenario the image each class and default folder gets.

TEST_F(FolderTree, NothingIsHiddenTheClasslessTopIsAPlainFolderAndAFailingDraftsComparisonMeansDrafts) {
  UseProfile(R"({"stores": [{"name": "Mailbox", "topFolder": {"name": "Top", "class": ""},
    "folders": [{"name": "Inbox", "class": "IPF.Note", "default": "Inbox"}, {"name": "N", "class": "IPF.Note"}],
    "reminders": {}}]})");
  host_->Open();
  EXPECT_EQ(GetMailFolderType(nullptr), image::kHidden);
  EXPECT_EQ(GetMailFolderType(State().Session->GetFolderFromID(Id(""), "").Value()), image::kPlainFolder);
  EXPECT_EQ(LogOf("GetMailFolderType").size(), 0u) << LogText();
  ASSERT_TRUE(Outlook().AddFault(sim::MakeFault(sim::kind::kRdoSession, "CompareEntryIDs")).Ok());
  EXPECT_EQ(GetMailFolderType(State().Session->GetFolderFromID(Id("N"), "").Value()), image::kDrafts);
  ASSERT_EQ(LogOf("GetMailFolderType").size(), 1u) << LogText();
  EXPECT_EQ(LogJson().back()["module"], "basPPPickFolders");
  EXPECT_EQ(LogJson().back()["context"], "Error");
}

// ---- Expanding in unusual stores (the unusual_stores scenario pins what the tree shows) ------

TEST_F(FolderTree, AFolderOutlookCannotFindOrABlankKeyGetsNoChildrenAndNothingIsLogged) {
  OpenAndPaint();
  sim::FaultRule lost = sim::MakeFault(sim::kind::kNameSpace, "GetFolderFromID");
  lost.Arg = Id("Contacts");
  ASSERT_TRUE(Outlook().AddFault(lost).Ok());
  ASSERT_TRUE(host_->Expand("Contacts", true).Ok());
  EXPECT_EQ(Node("Contacts")->Children().Value(), 0);  // the placeholder went, nothing replaced it
  // A node with a blank key is not even looked up.
  TreeView& tree = host_->Page().TreeView1();
  TreeNodePtr blank = tree.NodesAdd(std::nullopt, kTvwChild, "  ", "Blank", image::kPlainFolder).Value();
  ASSERT_TRUE(tree.NodesAdd(blank->Index().Value(), kTvwChild, "  D", "", image::kPlainFolder).Ok());
  Outlook().ClearCalls();
  ASSERT_TRUE(blank->PutExpanded(true).Ok());
  EXPECT_EQ(blank->Children().Value(), 0);
  EXPECT_EQ(Outlook().CountCalls(sim::kind::kNameSpace, "GetFolderFromID"), 0);
  EXPECT_TRUE(LogJson().empty()) << LogText();
}

TEST_F(FolderTree, PlaceholdersFollowTheirNodesPastA16BitIndex) {
  sim::ProfileModel model = sim::SampleProfile();
  const int top = model.Store(model.DefaultStore).TopFolder;
  const int big = model.AddFolder(top, "Big", "IPF.Note").Value();
  constexpr int kSubfolders = 17000;  // with their placeholders, more than 32767 nodes
  for (int i = 0; i < kSubfolders; ++i) {
    const int folder = model.AddFolder(big, "F" + std::to_string(i), "IPF.Note").Value();
    model.Folder(folder).Subfolders = sim::SubfoldersProperty::True;
  }
  UseOutlook(std::make_unique<sim::SimulatedOutlook>(std::move(model)));
  Outlook().SetCallRecording(false);
  OpenAndPaint();
  ASSERT_TRUE(host_->Expand("Big", true).Ok());

  ASSERT_GT(host_->Tree().NodesCount().Value(), 32767);
  int subfolders = 0;
  int withPlaceholder = 0;
  for (TreeNodePtr child = Node("Big")->Child().Value(); child; child = child->Next().Value()) {
    ++subfolders;
    TreeNodePtr placeholder = child->Child().Value();
    withPlaceholder += placeholder && placeholder->Key().Value() == child->Key().Value() + "D";
  }
  EXPECT_EQ(subfolders, kSubfolders);
  EXPECT_EQ(withPlaceholder, kSubfolders);
}

// ---- Reset and repaint -----------------------------------------------------------------------

TEST_F(FolderTree, LoadingResetsTheTreeToTheTopFolderAndItsPlaceholderOrEmptiesItWithoutOne) {
  OpenAndPaint();
  ASSERT_TRUE(host_->Expand("Contacts", true).Ok());
  LoadReminderFolders(host_->Tree());
  EXPECT_EQ(host_->Tree().Render(true), "[+] [ ] #1 Mailbox - Robin Ashdown\n        [ ] #1 (placeholder)\n");
  EXPECT_EQ(host_->Tree().NodesItem(2).Value()->Key().Value(), Id("") + "D");
  EXPECT_TRUE(LogJson().empty()) << LogText();
  State().RootFolder.reset();
  LoadReminderFolders(host_->Tree());
  EXPECT_EQ(host_->Tree().NodesCount().Value(), 0);
  ASSERT_EQ(LogOf("LoadReminderFolders").size(), 1u) << LogText();
  EXPECT_EQ(LogJson()[0]["context"], "Error in LoadReminderFolders");
  EXPECT_EQ(LogJson()[0]["number"], std::to_string(err::kObjectNotSet));
  host_->Page().RefreshTree();  // painting an empty tree does no harm
  EXPECT_EQ(LogOf("RefreshTree").size(), 0u);
}

TEST_F(FolderTree, ARepaintShowsTheTreeFlatForAMomentAndPutsItsLookBack) {
  OpenAndPaint();
  ASSERT_TRUE(host_->Tree().PutAppearance(1).Ok());
  ASSERT_TRUE(host_->Tree().PutBorderStyle(1).Ok());
  host_->Tree().ClearDisplayLog();
  host_->Page().RefreshTree();
  EXPECT_EQ(host_->Tree().DisplayLog(),
            (Paths{"Appearance=0", "BorderStyle=0", "SelectedItem=" + Id(""), "ContainerSetFocus", "Refresh",
                   "Appearance=1", "BorderStyle=1", "Refresh"}));
  EXPECT_FALSE(host_->Page().IsRefreshingTree);
  EXPECT_FALSE(host_->Page().Dirty());
}

}  // namespace
}  // namespace bellnest
