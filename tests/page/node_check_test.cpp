// Ticking and clearing folders in the tree: what joins or leaves the page's selection, which
// ticks are taken back, and how "Include Subfolders" carries a change down the subtree.
#include <gtest/gtest.h>

#include "common/page_fixture.h"

namespace bellnest::testing_support {
namespace {

using Names = std::vector<std::string>;
const Names kDefaults{"Calendar", "Tasks", "Inbox", "Contacts"};

class NodeCheck : public PageFixture {
 protected:
  bool Checked(std::string_view path) { return Node(path) && Node(path)->Checked().Value(); }
  bool Expanded(std::string_view path) { return Node(path) && Node(path)->Expanded().Value(); }
  // Whether the node's subfolders are in the tree (not only the placeholder).
  bool Loaded(std::string_view path) {
    TreeNodePtr child = Node(path) ? Node(path)->Child().Value() : nullptr;
    return child && child->Key().Value() != Outlook().Id(path) + "D";
  }
  void Tick(std::string_view path, bool checked) { ASSERT_TRUE(Host().Tick(path, checked).Ok()) << path; }
  void OpenWithSubfolders() {
    OpenPage();
    ASSERT_TRUE(Host().ClickSubfolders().Ok());
    ASSERT_TRUE(Host().Expand("Inbox", true).Ok());
  }
};

// ---- Folders that may raise reminders, and those that may not -------------------------------

class CheckableFolder : public NodeCheck, public ::testing::WithParamInterface<const char*> {};

TEST_P(CheckableFolder, JoinsTheSelectionOnceAndLeavesItWhenCleared) {
  const std::string path = GetParam();
  OpenPage();
  if (path.find('/') != std::string::npos) {
    ASSERT_TRUE(Host().Expand(path.substr(0, path.find('/')), true).Ok());
  }
  Tick(path, false);  // clearing a folder that is not selected removes nothing
  EXPECT_EQ(Selection(), kDefaults);
  Tick(path, true);
  Tick(path, true);  // ticked again: no second entry
  Names expected = kDefaults;
  expected.push_back(path);
  EXPECT_EQ(Selection(), expected);
  EXPECT_TRUE(Checked(path));
  EXPECT_TRUE(Page().Dirty());
  Tick(path, false);
  EXPECT_FALSE(Checked(path));
  EXPECT_EQ(Selection(), kDefaults);
  EXPECT_EQ(Outlook().StatusChanges(), 4);  // every user tick told Outlook the page changed
}

INSTANTIATE_TEST_SUITE_P(SampleMailbox, CheckableFolder,
                         ::testing::Values("Team Calendar",       // IPF.Appointment
                                           "Contacts/Suppliers",  // IPF.Contact
                                           "Follow Up",           // IPF.Task
                                           "Sync Issues",         // IPF.Note
                                           "Inbox/Receipts",      // no class: a mail folder
                                           "Drafts"),             // the default Drafts folder
                         [](const auto& info) { return "Case" + std::to_string(info.index); });

// A folder of a refused type that Outlook's scope holds (put there outside the page) joins the
// selection at first use; clearing it removes nothing, as any clear of a refused node.
TEST_F(NodeCheck, ClearingARefusedFolderOfTheScopeRemovesNothing) {
  UseProfile();
  sim::ProfileModel& model = Outlook().Model();
  model.Store(model.DefaultStore).Reminders->Containers.push_back(model.ContainerFor(model.FolderByPath("Settings")));
  Host().Open();
  Host().Paint();
  Names expected = kDefaults;
  expected.push_back("Settings");
  ASSERT_EQ(Selection(), expected);
  Tick("Settings", false);
  EXPECT_EQ(Selection(), expected);
}

// The refused_ticks scenario pins which folders are refused; here, when the tick is taken back.
TEST_F(NodeCheck, ARefusedTickIsTakenBackBeforeAWaitingPaintButStillMarksThePageChanged) {
  OpenPage();
  const std::string treeBefore = Host().TreeText();
  const int passes = Ui().PumpPasses();
  // A paint waiting in the message queue runs in the one pump pass after the tick is taken back.
  bool sawCheckMark = true;
  Ui().Post([&] {
    sawCheckMark = Checked("Settings");
    Host().Paint();
  });
  Tick("Settings", true);
  EXPECT_FALSE(Checked("Settings"));
  EXPECT_FALSE(sawCheckMark);
  EXPECT_EQ(Ui().PumpPasses(), passes + 1);
  EXPECT_EQ(Selection(), kDefaults);
  EXPECT_TRUE(Page().Dirty());
  EXPECT_EQ(Outlook().StatusChanges(), 1);
  EXPECT_EQ(Host().TreeText(), treeBefore);  // Include Subfolders is off: nothing else moved
}

// ---- Include Subfolders (the plain_ticks and cascade scenarios pin the tree) -------------------

TEST_F(NodeCheck, ClearingAFolderWhoseSelectedEntryCannotBeReadStillRemovesIt) {
  OpenPage();
  const std::string id = Outlook().Id("Team Calendar");
  auto entryIdReads = [&](bool failed) {
    int reads = 0;
    for (const sim::HostCall& call : Outlook().Calls())
      reads += call.Kind == sim::kind::kRdoFolder && call.Method == "EntryID" && call.Target == id && call.Ok != failed;
    return reads;
  };
  Tick("Team Calendar", true);
  const int before = entryIdReads(false);
  Tick("Team Calendar", false);
  const int reads = entryIdReads(false) - before;  // clearing reads the selected entry's EntryID last
  Tick("Team Calendar", true);
  sim::FaultRule fault = sim::MakeFault(sim::kind::kRdoFolder, "EntryID");
  fault.Target = id;
  fault.Nth = reads;
  ASSERT_TRUE(Outlook().AddFault(fault).Ok());
  Tick("Team Calendar", false);
  EXPECT_GE(entryIdReads(true), 1);  // the fault was met
  EXPECT_EQ(Selection(), kDefaults);
}

// The cascade scenario pins what the cascade ticks; here, what it tells Outlook and the queue.
TEST_F(NodeCheck, ACascadeNotifiesOnceAndPumpsOnceForEachTickTakenBack) {
  OpenWithSubfolders();
  const int passes = Ui().PumpPasses();
  Tick("", true);
  EXPECT_EQ(Selection().size(), 24u);
  // The top folder and the two folders of classes outside the list; journals are never shown.
  EXPECT_EQ(Ui().PumpPasses(), passes + 3);
  EXPECT_EQ(Outlook().StatusChanges(), 1);
  EXPECT_FALSE(Host().Tree().FindByKey(Outlook().Id("Journal")));
}

TEST_F(NodeCheck, AnApplyWaitingInTheQueueMayRunInsideARefusedTick) {
  OpenPage();
  ASSERT_TRUE(Host().ClickSubfolders().Ok());
  // Outlook's Apply button was pressed just before the tick: it runs in the tick's pump pass,
  // reloading the tree under the cascade, which then finds its node gone and stops.
  Ui().Post([&] { Host().Apply(); });
  Tick("", true);
  EXPECT_EQ(Selection(), kDefaults);
  EXPECT_EQ(Page().SelectedFolders, State().RemindersCollection);
  EXPECT_EQ(Outlook().SearchContainerPaths(), kDefaults);
  EXPECT_TRUE(Outlook().SearchRunning());
  EXPECT_TRUE(Expanded("") && Checked("Calendar"));
  EXPECT_TRUE(Page().Dirty());
}

}  // namespace
}  // namespace bellnest::testing_support
