// Profile files: what a small file means, the built-in sample, writing back, and the errors a
// malformed file gives.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "sim/profile/profile_generator.h"
#include "sim/profile/profile_json.h"
#include "sim/profile/sample_profile.h"
#include "sim/profile/simulated_outlook.h"

namespace bellnest::sim {
namespace {

// Loads a profile that must be valid; a load error fails the test with its message.
std::unique_ptr<SimulatedOutlook> LoadProfile(std::string_view json) {
  auto outlook = SimulatedOutlook::FromJson(json, "test-profile.json");
  EXPECT_TRUE(outlook.Ok()) << (outlook.Ok() ? "" : outlook.Error().Description);
  return outlook.Ok() ? std::move(outlook).Value() : nullptr;
}

// The scenarios' golden files pin how the sample mailbox loads, its generated identifiers too.
TEST(ProfileFile, TheBuiltInSampleIsTheShippedFile) {
  std::ifstream in(std::string(BELLNEST_SOURCE_DIR) + "/docs/sample-profile.json");
  ASSERT_TRUE(in);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(nlohmann::json::parse(text.str()), nlohmann::json::parse(SampleProfileJson()));
}

TEST(ProfileFile, TheDocumentedExampleLoadsAndMeansWhatTheFormatSays) {
  std::ifstream in(std::string(BELLNEST_SOURCE_DIR) + "/docs/profile-format.md");
  ASSERT_TRUE(in);
  std::stringstream doc;
  doc << in.rdbuf();
  const std::string text = doc.str();
  const size_t begin = text.find("```json\n");
  const size_t end = text.find("```", begin + 7);
  ASSERT_NE(begin, std::string::npos);
  auto outlook = LoadProfile(text.substr(begin + 8, end - begin - 8));
  ASSERT_TRUE(outlook);
  EXPECT_EQ(outlook->Model().AddIn.Online, Variant(false));
  EXPECT_EQ(outlook->Id("Inbox/Projects"), "00000000AB12");
  EXPECT_EQ(outlook->SearchContainerPaths(),
            (std::vector<std::string>{"Calendar", "Inbox", "Archive:Old", "00DEAD00"}));
  EXPECT_FALSE(outlook->Scope().Accepted);  // a folder of the archive store is in the scope
  EXPECT_EQ(outlook->Model().Faults.size(), 2u);
}

TEST(ProfileFile, WritingBackThroughDiskAndReloadingGivesTheSameProfile) {
  SimulatedOutlook sample;
  ASSERT_TRUE(sample.AddFault(MakeFault(kind::kRdoSession, "CompareEntryIDs")).Ok());
  ASSERT_TRUE(sample.Model().AddFolderAlias(sample.Model().FolderByPath("Tasks"), "ABCDEF0123").Ok());
  sample.Model().Folder(sample.Model().FolderByPath("Notes")).Subfolders = SubfoldersProperty::Absent;
  const std::string path = ::testing::TempDir() + "bellnest_profile_roundtrip.json";
  ASSERT_TRUE(sample.SaveFile(path).Ok());
  auto reloaded = SimulatedOutlook::FromFile(path);
  std::remove(path.c_str());
  ASSERT_TRUE(reloaded.Ok()) << reloaded.Error().Description;
  EXPECT_EQ(reloaded.Value()->ToJson(), sample.ToJson());
  EXPECT_EQ(reloaded.Value()->Id("Inbox/Projects"), sample.Id("Inbox/Projects"));
}

struct MalformedCase {
  const char* Name;
  std::string Json;
  const char* Place;    // must appear in the message
  std::string Problem;  // must appear in the message
};

class MalformedProfile : public ::testing::TestWithParam<MalformedCase> {};

TEST_P(MalformedProfile, IsAClearErrorNamingFilePlaceAndProblem) {
  const MalformedCase& c = GetParam();
  Result<ProfileModel> loaded = ParseProfile(c.Json, "broken.json");
  ASSERT_FALSE(loaded.Ok());
  const std::string& message = loaded.Error().Description;
  EXPECT_EQ(loaded.Error().Number, kInvalidFileFormat);
  EXPECT_EQ(message.rfind("broken.json: ", 0), 0u) << message;
  EXPECT_NE(message.find(c.Place), std::string::npos) << message;
  EXPECT_NE(message.find(c.Problem), std::string::npos) << message;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MalformedProfile,
    ::testing::Values(
        MalformedCase{"SyntaxError", "{\n  \"profileName\": \"x\",\n  oops\n}", "line 3, column 3", "syntax error"},
        MalformedCase{"EmptyText", "", "line 1", "unexpected end of input"},
        MalformedCase{"TopLevelArray", "[]", "at the top level", "expected an object, found an array"},
        MalformedCase{"UnknownTopKey", R"({"profilName": "x"})", "at /profilName", "unknown key 'profilName'"},
        MalformedCase{"VersionNotString", R"({"outlookVersion": 11})", "at /outlookVersion",
                      "expected a string, found an integer"},
        MalformedCase{"StoresNotArray", R"({"stores": {}})", "at /stores", "expected an array"},
        MalformedCase{"StoreWithoutName", R"({"stores": [{}]})", "at /stores/0", "missing key 'name'"},
        MalformedCase{"ClassNotString", R"({"stores": [{"name": "S", "folders": [{"name": "A", "class": 3}]}]})",
                      "at /stores/0/folders/0/class", "expected a string or null"},
        MalformedCase{"BadSubfolders",
                      R"({"stores": [{"name": "S", "folders": [{"name": "A", "subfolders": "yes"}]}]})",
                      "at /stores/0/folders/0/subfolders", "expected true, false or \"absent\""},
        MalformedCase{"UnknownDefaultName",
                      R"({"stores": [{"name": "S", "folders": [{"name": "A", "default": "Inbox2"}]}]})",
                      "at /stores/0/folders/0/default", "unknown default folder 'Inbox2'"},
        MalformedCase{"DefaultGivenTwice",
                      R"({"stores": [{"name": "S", "folders": [{"name": "A", "default": "Tasks"},
                                                             {"name": "B", "default": "Tasks"}]}]})",
                      "at /stores/0/folders/1/default", "already given at /stores/0/folders/0"},
        MalformedCase{"DefaultInOtherStore",
                      R"({"stores": [{"name": "S"}, {"name": "T", "folders": [{"name": "A", "default": "Inbox"}]}]})",
                      "at /stores/1/folders/0/default", "must be in the default store"},
        MalformedCase{"OddLengthEntryId",
                      R"({"stores": [{"name": "S", "folders": [{"name": "A", "entryId": "ABC"}]}]})",
                      "at /stores/0/folders/0/entryId", "not hex of even length"},
        MalformedCase{"DuplicateEntryIds",
                      R"({"stores": [{"name": "S", "folders": [{"name": "A", "entryId": "AA11"},
                                                             {"name": "B", "entryId": "aa11"}]}]})",
                      "at /stores/0/folders/1", "duplicate entry id 'aa11'"},
        MalformedCase{"AliasClashesWithFolder",
                      R"({"stores": [{"name": "S", "folders": [{"name": "A", "entryId": "AA11"},
                                                             {"name": "B", "aliases": ["AA11"]}]}]})",
                      "at /stores/0/folders/1/aliases/0", "duplicate entry id"},
        MalformedCase{"ContainerNamesNoFolder",
                      R"({"stores": [{"name": "S", "folders": [{"name": "A"}],
                                      "reminders": {"containers": ["A", "A/Missing"]}}]})",
                      "at /stores/0/reminders/containers/1", "no folder at path 'A/Missing'"},
        MalformedCase{"ContainerOfWrongType", R"({"stores": [{"name": "S", "reminders": {"containers": [7]}}]})",
                      "at /stores/0/reminders/containers/0", "a folder path or {\"entryId\""},
        MalformedCase{"UnknownDefaultStore", R"({"defaultStore": "Nope", "stores": [{"name": "S"}]})",
                      "at /defaultStore", "no store is named 'Nope'"},
        MalformedCase{"OnlineOfWrongType", R"({"addIn": {"online": [true]}})", "at /addIn/online",
                      "expected a boolean"},
        MalformedCase{"FaultUnknownKind", R"({"faults": [{"kind": "RDOSesion", "method": "Logon"}]})", "at /faults/0",
                      "unknown object kind 'RDOSesion'"},
        MalformedCase{"FaultUnknownMethod", R"({"faults": [{"kind": "RDOSession", "method": "LogOn"}]})",
                      "at /faults/0", "unknown method 'LogOn' of RDOSession"},
        MalformedCase{"FaultNothingOnString",
                      R"({"faults": [{"kind": "RDOFolder", "method": "EntryID", "nothing": true}]})", "at /faults/0",
                      "only a call that returns an object"},
        MalformedCase{"FaultNthZero", R"({"faults": [{"kind": "RDOSession", "method": "Logon", "nth": 0}]})",
                      "at /faults/0/nth", "must be between 1"},
        MalformedCase{"FaultUnknownErrorName",
                      R"({"faults": [{"kind": "RDOSession", "method": "Logon", "error": "MAPI_E_NOPE"}]})",
                      "at /faults/0/error", "unknown error 'MAPI_E_NOPE'"},
        MalformedCase{
            "FaultFolderNotFound",
            R"({"stores": [{"name": "S"}], "faults": [{"kind": "RDOFolder", "method": "Fields", "folder": "X"}]})",
            "at /faults/0/folder", "no folder at path 'X'"},
        MalformedCase{"GenerateTooMany",
                      R"({"stores": [{"name": "S", "generate": {"folders": 100, "fanOut": 3, "depth": 2}}]})",
                      "at /stores/0/generate", "do not fit"},
        MalformedCase{"GeneratedTotalTooMany",
                      R"({"stores": [{"name": "S", "generate": {"folders": 600000, "fanOut": 1000, "depth": 2}},
                                     {"name": "T", "generate": {"folders": 600000, "fanOut": 1000, "depth": 2}}]})",
                      "at /stores/1/generate/folders", "more than 1000000 folders together"},
        MalformedCase{"SyntaxErrorQuotesShort", "{\"profileName\": \"" + std::string(60, 'n') + "\x0b\"}",
                      "line 1", "; last read: '\"" + std::string(39, 'n') + "...'"},
        MalformedCase{"NumberOutOfRange", R"({"scopeRule": {"maxContainers": 1e999}})", "line 1, column 33",
                      "the number '1e999' is out of range"},
        MalformedCase{"LongValueQuotedShort", R"({"profileName": "x", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa": 1})",
                      "at the top level", "unknown key 'aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa...' (known keys"}),
    [](const ::testing::TestParamInfo<MalformedCase>& info) { return std::string(info.param.Name); });

TEST(ProfileFile, HostileInputIsRefusedWithoutCrashing) {
  // Folders nest 200 deep at most; any value 500.
  std::string deepFolders = R"({"stores": [{"name": "S", "folders": [)";
  for (int i = 0; i < 201; ++i) deepFolders += R"({"name": "F", "folders": [)";
  for (int i = 0; i < 201; ++i) deepFolders += "]}";
  deepFolders += "]}]}";
  const std::string deepValue = R"({"stores": [{"name": "S", "topFolder": {"subfolders": )" + std::string(100000, '[') +
                                std::string(100000, ']') + "}}]}";
  for (const std::string* deep : std::initializer_list<const std::string*>{&deepFolders, &deepValue}) {
    Result<ProfileModel> nested = ParseProfile(*deep, "deep.json");
    ASSERT_FALSE(nested.Ok());
    EXPECT_NE(nested.Error().Description.find("nest deeper than"), std::string::npos);
    if (deep == &deepValue) {
      EXPECT_LT(nested.Error().Description.size(), 200u);  // no quote of the value
    }
  }
  // Integers beyond 64 bits' signed range do not wrap into valid values.
  EXPECT_FALSE(ParseProfile(R"({"faults": [{"kind": "RDOSession", "method": "Logon", "error": 18446744073709551615}]})",
                            "big.json")
                   .Ok());
  EXPECT_FALSE(ParseProfile(R"({"addIn": {"online": 18446744073709551615}})", "big.json").Ok());
  EXPECT_FALSE(ParseProfile(R"({"scopeRule": {"maxContainers": 18446744073709551615}})", "big.json").Ok());
  EXPECT_FALSE(ParseProfile("{\"profileName\": \"\xff\xfe\"}", "utf.json").Ok());
}

TEST(ProfileGenerator, FillsBreadthFirstWithinFanOutAndDepth) {
  ProfileModel model;
  const int store = model.AddStore("Big").Value();
  const int top = model.Store(store).TopFolder;
  ASSERT_TRUE(GenerateFolders(model, top, {1000, 10, 3}).Ok());
  EXPECT_EQ(model.Folders().size(), 1001u);  // and the top folder
  EXPECT_EQ(model.Folder(top).Children.size(), 10u);
  EXPECT_NE(model.FolderByPath("Folder 1/Folder 1.10/Folder 1.10.10"), kNone);
  size_t deepest = 0;
  for (size_t f = 0; f < model.Folders().size(); ++f) {
    EXPECT_LE(model.Folder(static_cast<int>(f)).Children.size(), 10u);
    size_t depth = 0;
    for (int at = static_cast<int>(f); model.Folder(at).Parent != kNone; at = model.Folder(at).Parent) ++depth;
    deepest = std::max(deepest, depth);
  }
  EXPECT_EQ(deepest, 3u);
  EXPECT_FALSE(GenerateFolders(model, top, {1111, 10, 3}).Ok());
}

}  // namespace
}  // namespace bellnest::sim
