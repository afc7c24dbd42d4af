// The situations the folder tree and the check handling meet: container classes present,
// empty, absent or unknown; PR_SUBFOLDERS derived, overridden or absent; subfolders in store
// order; folders opened by identifier through Outlook and RDO.
#include <gtest/gtest.h>

#include "sim_test_support.h"

namespace bellnest::sim {
namespace {

using testing::LoadProfile;
using testing::LoggedOnSession;

constexpr const char* kTree = R"({"stores": [{"name": "Mailbox", "folders": [
    {"name": "Sent Items", "default": "SentItems"},
    {"name": "Drafts", "class": "IPF.Note", "default": "Drafts"},
    {"name": "Inbox", "class": "", "default": "Inbox", "folders": [
      {"name": "Zulu", "class": "IPF.Task"},
      {"name": "Alpha", "class": "IPF.Note", "folders": [{"name": "Deep"}]},
      {"name": "Mike", "class": "IPF.Contact.MOC.QuickContacts"}]},
    {"name": "Forced", "subfolders": true},
    {"name": "Hidden children", "subfolders": false, "folders": [{"name": "Child"}]},
    {"name": "No flag", "subfolders": "absent", "folders": [{"name": "Child"}]}]},
  {"name": "Archive", "folders": [{"name": "Old"}]}]})";

class FolderSituations : public ::testing::Test {
 protected:
  void SetUp() override {
    outlook_ = LoadProfile(kTree);
    ASSERT_TRUE(outlook_);
    session_ = LoggedOnSession(*outlook_);
    ns_ = outlook_->Application()->GetNamespace("MAPI").Value();
  }
  RdoFolderPtr Open(const char* path) {
    return session_->GetFolderFromID(outlook_->Id(path), outlook_->Model().Store(0).EntryID).Value();
  }
  std::unique_ptr<SimulatedOutlook> outlook_;
  RdoSessionPtr session_;
  NameSpacePtr ns_;
};

TEST_F(FolderSituations, ContainerClassIsItsValueEmptyOrNotFound) {
  EXPECT_EQ(Open("Inbox/Zulu")->Fields(mapi::kPrContainerClass).Value(), Variant(std::string("IPF.Task")));
  EXPECT_EQ(Open("Inbox/Mike")->Fields(mapi::kPrContainerClass).Value(),
            Variant(std::string("IPF.Contact.MOC.QuickContacts")));
  // A default folder with an empty class and one with none at all.
  EXPECT_EQ(Open("Inbox")->Fields(mapi::kPrContainerClass).Value(), Variant(std::string()));
  Result<Variant> absent = Open("Sent Items")->Fields(mapi::kPrContainerClass);
  ASSERT_FALSE(absent.Ok());
  EXPECT_EQ(absent.Error().Number, -2147221233);
  // The top folder carries no class either.
  EXPECT_EQ(Open("")->Fields(mapi::kPrContainerClass).Error().Number, err::kMapiNotFound);
}

TEST_F(FolderSituations, SubfoldersFlagFollowsChildrenUnlessOverridden) {
  EXPECT_EQ(Open("Inbox")->Fields(mapi::kPrSubfolders).Value(), Variant(true));
  EXPECT_EQ(Open("Inbox/Zulu")->Fields(mapi::kPrSubfolders).Value(), Variant(false));
  EXPECT_EQ(Open("Forced")->Fields(mapi::kPrSubfolders).Value(), Variant(true));            // says yes, has none
  EXPECT_EQ(Open("Hidden children")->Fields(mapi::kPrSubfolders).Value(), Variant(false));  // says no, has one
  EXPECT_EQ(Open("No flag")->Fields(mapi::kPrSubfolders).Error().Number, err::kMapiNotFound);
  EXPECT_EQ(Open("Inbox")->Fields(0x12340003).Error().Number, err::kMapiNotFound);  // any other property
}

TEST_F(FolderSituations, SubfoldersEnumerateOnceInStoreOrderNotSorted) {
  FolderEnumeratorPtr it = ns_->GetDefaultFolder(6).Value()->Folders().Value()->NewEnum().Value();
  std::vector<std::string> names;
  while (MapiFolderPtr f = it->Next().Value()) names.push_back(f->Name().Value());
  EXPECT_EQ(names, (std::vector<std::string>{"Zulu", "Alpha", "Mike"}));
  EXPECT_FALSE(it->Next().Value());  // stays at the end
  // A folder whose flag says "none" still enumerates the children it has.
  MapiFolderPtr hidden = ns_->GetFolderFromID(outlook_->Id("Hidden children"), "").Value();
  EXPECT_TRUE(hidden->Folders().Value()->NewEnum().Value()->Next().Value());
}

TEST_F(FolderSituations, OutlookAndRdoAgreeOnIdentifiersAndNames) {
  const std::string storeId = outlook_->Model().Store(0).EntryID;
  MapiFolderPtr viaOutlook = ns_->GetFolderFromID(outlook_->Id("Inbox/Alpha/Deep"), storeId).Value();
  RdoFolderPtr viaRdo = session_->GetFolderFromID(viaOutlook->EntryID().Value(), viaOutlook->StoreID().Value()).Value();
  EXPECT_EQ(viaRdo->EntryID().Value(), viaOutlook->EntryID().Value());
  EXPECT_EQ(viaRdo->StoreID().Value(), storeId);
  EXPECT_EQ(viaRdo->Name().Value(), "Deep");
  EXPECT_EQ(viaOutlook->Parent().Value()->Name().Value(), "Alpha");
}

TEST_F(FolderSituations, OpeningFailsForUnknownIdsAndForTheWrongStore) {
  const std::string storeId = outlook_->Model().Store(0).EntryID;
  const std::string archiveId = outlook_->Model().Store(1).EntryID;
  EXPECT_EQ(session_->GetFolderFromID("00000000DEADBEEF", storeId).Error().Number, err::kMapiNotFound);
  EXPECT_EQ(ns_->GetFolderFromID("00000000DEADBEEF", storeId).Error().Number, err::kMapiNotFound);
  EXPECT_EQ(session_->GetFolderFromID(outlook_->Id("Inbox"), archiveId).Error().Number, err::kMapiNotFound);
  EXPECT_EQ(session_->GetFolderFromID(outlook_->Id("Inbox"), "00AB").Error().Number, err::kMapiNotFound);
  EXPECT_TRUE(session_->GetFolderFromID(outlook_->Id("Archive:Old"), archiveId).Ok());
  EXPECT_EQ(session_->GetFolderFromID("XYZ", storeId).Error().Number, hr::kInvalidEntryId);
  EXPECT_EQ(session_->GetFolderFromID("", storeId).Error().Number, hr::kInvalidEntryId);
}

TEST_F(FolderSituations, ErrorsCarryEachHostsSourceAndWording) {
  Result<RdoFolderPtr> rdo = session_->GetFolderFromID("00000000DEADBEEF", "");
  EXPECT_EQ(rdo.Error().Source, "QFSMAPI.RDOSession");
  EXPECT_NE(rdo.Error().Description.find("MAPI_E_NOT_FOUND"), std::string::npos);
  Result<MapiFolderPtr> ol = ns_->GetFolderFromID("00000000DEADBEEF", "");
  EXPECT_EQ(ol.Error().Source, "Microsoft Outlook");
  EXPECT_EQ(ol.Error().Description, "The operation failed. An object could not be found.");
}

}  // namespace
}  // namespace bellnest::sim
