// Entry identifiers: aliases name the same folder or store, only CompareEntryIDs equates two
// different strings, and malformed identifiers make it fail.
#include <gtest/gtest.h>

#include "sim_test_support.h"

namespace bellnest::sim {
namespace {

using testing::LoadProfile;
using testing::LoggedOnSession;

constexpr const char* kAliased = R"({"stores": [
  {"name": "Mailbox", "entryId": "0000AA00", "aliases": ["0000AA01"], "folders": [
    {"name": "Calendar", "class": "IPF.Appointment", "entryId": "00001111", "aliases": ["0000111101", "00001112"]},
    {"name": "Tasks", "class": "IPF.Task", "entryId": "00002222"}]},
  {"name": "Archive", "entryId": "0000BB00", "folders": [{"name": "Old", "entryId": "00003333"}]}]})";

class EntryIds : public ::testing::Test {
 protected:
  void SetUp() override {
    outlook_ = LoadProfile(kAliased);
    ASSERT_TRUE(outlook_);
    session_ = LoggedOnSession(*outlook_);
  }
  bool Same(const std::string& a, const std::string& b) { return session_->CompareEntryIDs(a, b).Value(); }
  std::unique_ptr<SimulatedOutlook> outlook_;
  RdoSessionPtr session_;
};

TEST_F(EntryIds, AnAliasOpensTheFolderWhichReportsItsCanonicalId) {
  RdoFolderPtr viaAlias = session_->GetFolderFromID("00001112", "0000AA01").Value();
  EXPECT_EQ(viaAlias->EntryID().Value(), "00001111");
  EXPECT_EQ(viaAlias->StoreID().Value(), "0000AA00");
  NameSpacePtr ns = outlook_->Application()->GetNamespace("MAPI").Value();
  EXPECT_EQ(ns->GetFolderFromID("0000111101", "").Value()->EntryID().Value(), "00001111");
}

TEST_F(EntryIds, CompareEntryIdsEquatesAliasesButStringsDoNot) {
  EXPECT_TRUE(Same("00001111", "00001112"));
  EXPECT_TRUE(Same("0000111101", "00001112"));
  EXPECT_TRUE(Same("0000AA00", "0000AA01"));
  EXPECT_NE(std::string("00001111"), std::string("00001112"));
  EXPECT_FALSE(Same("00001111", "00002222"));
  EXPECT_FALSE(Same("0000AA00", "0000BB00"));
  EXPECT_FALSE(Same("0000AA00", "00001111"));  // a store is not its folder
}

TEST_F(EntryIds, HexCaseDoesNotMatterUnknownIdsCompareByTheirBytes) {
  EXPECT_TRUE(Same("00001111", "00001111"));
  EXPECT_TRUE(Same("0000aa00", "0000AA00"));
  EXPECT_TRUE(Same("ABCDEF12", "abcdef12"));
  EXPECT_FALSE(Same("ABCDEF12", "ABCDEF13"));
  EXPECT_FALSE(Same("ABCDEF12", "00001111"));
}

TEST_F(EntryIds, AnEmptyIdNamesNothing) {
  EXPECT_FALSE(Same("", "00001111"));
  EXPECT_FALSE(Same("", ""));
}

TEST_F(EntryIds, MalformedIdsMakeCompareFail) {
  for (const char* bad : {"ABC", "00GG", "0000 111", "not an id"}) {
    Result<bool> compared = session_->CompareEntryIDs("00001111", bad);
    ASSERT_FALSE(compared.Ok()) << bad;
    EXPECT_EQ(compared.Error().Number, hr::kInvalidEntryId);
    EXPECT_FALSE(session_->CompareEntryIDs(bad, "00001111").Ok());
  }
}

TEST_F(EntryIds, AliasesAddedInCodeWorkLikeThoseOfAFile) {
  ProfileModel& model = outlook_->Model();
  ASSERT_TRUE(model.AddFolderAlias(model.FolderByPath("Tasks"), "00002223").Ok());
  EXPECT_TRUE(Same("00002222", "00002223"));
  EXPECT_FALSE(model.AddFolderAlias(model.FolderByPath("Tasks"), "00001112").Ok());  // taken by Calendar
  EXPECT_FALSE(model.AddFolderAlias(model.FolderByPath("Tasks"), "123").Ok());
}

}  // namespace
}  // namespace bellnest::sim
