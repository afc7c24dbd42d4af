// The folder tree as the user sees it on an open page: which folders appear, with which image,
// checked or not, with an expand sign where subfolders wait; expanding loads one level and
// expanding again rebuilds it; folders the session cannot open, a store without subfolders,
// a tree past 32767 nodes; the tree reset and repaint themselves.
#include <gtest/gtest.h>

#include "common/page_fixture.h"
#include "folder_tree/pick_folders.h"
#include "page/user_control.h"
#include "sim/memory_tree.h"
#include "sim/profile/sample_profile.h"

namespace bellnest {
namespace {

using Paths = std::vector<std::string>;

class FolderTree : public testing_support::SessionTest {
 protected:
  // Outlook opens the page and paints it once: the first level is loaded.
  void OpenAndPaint() {
    host_->Open();
    ASSERT_TRUE(host_->Paint());
  }
  TreeNodePtr Node(std::string_view path) { return host_->Tree().FindByKey(Id(path)); }
  int32_t ImageOf(std::string_view path) {
    TreeNodePtr node = Node(path);
    return node ? node->Image().Value() : 0;
  }
  // The texts of a node's children in display order; a placeholder reads "(placeholder)".
  Paths ChildTexts(const TreeNodePtr& node) {
    Paths texts;
    for (TreeNodePtr child = node->Child().Value(); child; child = child->Next().Value()) {
      const std::string text = child->Text().Value();
      texts.push_back(text.empty() ? "(placeholder)" : text);
    }
    return texts;
  }
  // Log entries of one procedure.
  size_t LogEntriesOf(std::string_view procedure) {
    size_t count = 0;
    for (const auto& entry : LogJson()) count += entry["procedure"] == std::string(procedure);
    return count;
  }
};

// The first_use and expand_levels scenarios pin the sample mailbox's tree as it loads.

// ---- Folder images ---------------------------------------------------------------------------

struct FolderCase {
  const char* Label;
  const char* Class;  // JSON: a quoted class, or null for none
  const char* Role;   // the default folder it is, or ""
  int32_t Image;      // 0: not shown
  const char* Version = "11.0.0.8010";
};

// A store whose default folders all carry classes, plus the folder under test, named "Case".
std::string StoreWith(const FolderCase& c) {
  const std::pair<const char*, const char*> defaults[] = {
      {"Inbox", "IPF.Note"},        {"Calendar", "IPF.Appointment"}, {"Tasks", "IPF.Task"},
      {"Contacts", "IPF.Contact"},  {"SentItems", "IPF.Note"},       {"Drafts", "IPF.Note"},
      {"DeletedItems", "IPF.Note"}, {"Outbox", "IPF.Note"},          {"Junk", "IPF.Note"}};
  std::string folders;
  for (const auto& [role, cls] : defaults) {
    if (std::string_view(role) == c.Role) continue;
    folders += std::string(R"({"name": "D-)") + role + R"(", "class": ")" + cls + R"(", "default": ")" + role + "\"},";
  }
  folders += std::string(R"({"name": "Case", "class": )") + c.Class + "," +
             R"("folders": [{"name": "Below", "class": "IPF.Note"}])" +
             (*c.Role ? std::string(R"(, "default": ")") + c.Role + "\"" : "") + "}";
  return std::string(R"({"outlookVersion": ")") + c.Version + R"(", "stores": [{"name": "Mailbox", "folders": [)" +
         folders + R"(], "reminders": {"containers": []}}]})";
}

class FolderImage : public FolderTree, public ::testing::WithParamInterface<FolderCase> {};

TEST_P(FolderImage, DecidesWhetherAndHowTheFolderIsShown) {
  const FolderCase& c = GetParam();
  UseProfile(StoreWith(c));
  OpenAndPaint();
  EXPECT_EQ(ImageOf("Case"), c.Image) << host_->TreeText();
  // A shown folder offers its subfolders; a hidden one hides them with it.
  if (c.Image != 0) {
    EXPECT_EQ(ChildTexts(Node("Case")), (Paths{"(placeholder)"}));
  }
  const bool classMissing = std::string_view(c.Class) == "null";
  EXPECT_EQ(LogEntriesOf("GetMailFolderType"), classMissing ? 1u : 0u) << LogText();
}

INSTANTIATE_TEST_SUITE_P(
    ByClassAndRole, FolderImage,
    ::testing::Values(FolderCase{"Mail", "\"IPF.Note\"", "", image::kMailFolder},
                      FolderCase{"Calendar", "\"IPF.Appointment\"", "", image::kCalendar},
                      FolderCase{"Contacts", "\"IPF.Contact\"", "", image::kContacts},
                      FolderCase{"Tasks", "\"IPF.Task\"", "", image::kTasks},
                      FolderCase{"Journal", "\"IPF.Journal\"", "", image::kHidden},
                      FolderCase{"Notes", "\"IPF.StickyNote\"", "", image::kHidden},
                      FolderCase{"OtherClass", "\"IPF.Configuration\"", "", image::kPlainFolder},
                      FolderCase{"ClassVariant", "\"IPF.Contact.MOC.QuickContacts\"", "", image::kPlainFolder},
                      FolderCase{"ClassInOtherCase", "\"ipf.note\"", "", image::kPlainFolder},
                      FolderCase{"EmptyClass", "\"\"", "", image::kMailFolder},
                      FolderCase{"NoClass", "null", "", image::kMailFolder},
                      FolderCase{"DraftsAsMail", "\"IPF.Note\"", "Drafts", image::kDrafts},
                      FolderCase{"DraftsWithoutClass", "null", "Drafts", image::kDrafts},
                      FolderCase{"DraftsEmptyClass", "\"\"", "Drafts", image::kDrafts},
                      FolderCase{"InboxAsMail", "\"IPF.Note\"", "Inbox", image::kMailFolder},
                      FolderCase{"InboxWithoutClass", "null", "Inbox", image::kInbox},
                      FolderCase{"SentItemsAsMail", "\"IPF.Note\"", "SentItems", image::kMailFolder},
                      FolderCase{"SentItemsWithoutClass", "null", "SentItems", image::kSentItems},
                      FolderCase{"DeletedItemsAsMail", "\"IPF.Note\"", "DeletedItems", image::kMailFolder},
                      FolderCase{"DeletedItemsWithoutClass", "\"\"", "DeletedItems", image::kHidden},
                      FolderCase{"OutboxAsMail", "\"IPF.Note\"", "Outbox", image::kMailFolder},
                      FolderCase{"OutboxWithoutClass", "null", "Outbox", image::kHidden},
                      FolderCase{"JunkAsMail", "\"IPF.Note\"", "Junk", image::kMailFolder},
                      FolderCase{"JunkWithoutClass", "null", "Junk", image::kHidden},
                      // Outlook 2000 knows no junk folder, so a classless one is a mail folder.
                      FolderCase{"JunkOnOutlook2000", "null", "Junk", image::kMailFolder, "9.0.0.2711"},
                      FolderCase{"CalendarRoleKeepsItsClass", "\"IPF.Appointment\"", "Calendar", image::kCalendar}),
    [](const ::testing::TestParamInfo<FolderCase>& info) { return std::string(info.param.Label); });

TEST_F(FolderTree, NothingIsHiddenTheClasslessTopIsAPlainFolderAndAFailingDraftsComparisonMeansDrafts) {
  UseProfile(R"({"stores": [{"name": "Mailbox", "topFolder": {"name": "Top", "class": ""},
    "folders": [{"name": "Inbox", "class": "IPF.Note", "default": "Inbox"}, {"name": "N", "class": "IPF.Note"}],
    "reminders": {}}]})");
  host_->Open();
  EXPECT_EQ(GetMailFolderType(nullptr), image::kHidden);
  EXPECT_EQ(GetMailFolderType(State().Session->GetFolderFromID(Id(""), "").Value()), image::kPlainFolder);
  EXPECT_EQ(LogEntriesOf("GetMailFolderType"), 0u) << LogText();
  ASSERT_TRUE(Outlook().AddFault(sim::MakeFault(sim::kind::kRdoSession, "CompareEntryIDs")).Ok());
  EXPECT_EQ(GetMailFolderType(State().Session->GetFolderFromID(Id("N"), "").Value()), image::kDrafts);
  ASSERT_EQ(LogEntriesOf("GetMailFolderType"), 1u) << LogText();
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
  ASSERT_EQ(LogEntriesOf("LoadReminderFolders"), 1u) << LogText();
  EXPECT_EQ(LogJson()[0]["context"], "Error in LoadReminderFolders");
  EXPECT_EQ(LogJson()[0]["number"], std::to_string(err::kObjectNotSet));
  host_->Page().RefreshTree();  // painting an empty tree does no harm
  EXPECT_EQ(LogEntriesOf("RefreshTree"), 0u);
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
