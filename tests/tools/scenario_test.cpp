// Scenario tests: page sessions written as page-driver scripts (tests/scenarios/*.script),
// each run on a fresh machine with a fixed clock, its output compared with the golden file
// beside it (*.expected). BELLNEST_UPDATE_GOLDEN=1 rewrites the golden files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/shared_state.h"
#include "tools/page_driver.h"

namespace bellnest::tools {
namespace {

namespace fs = std::filesystem;

fs::path ScenarioDir() { return fs::path(BELLNEST_SOURCE_DIR) / "tests" / "scenarios"; }

std::vector<std::string> ScenarioNames() {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(ScenarioDir())) {
    if (entry.path().extension() == ".script") names.push_back(entry.path().stem().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string ReadFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class Scenario : public testing::TestWithParam<std::string> {};

TEST_P(Scenario, MatchesGoldenOutput) {
  const fs::path script = ScenarioDir() / (GetParam() + ".script");
  const fs::path golden = ScenarioDir() / (GetParam() + ".expected");
  std::ostringstream out;
  {
    ResetSharedState();
    DriverOptions options;
    options.FixedClock = true;
    options.Echo = true;
    options.BaseDir = ScenarioDir();
    PageDriver driver(options, out, MakeNativeWorld());
    ASSERT_TRUE(driver.Start()) << out.str();
    std::ifstream in(script);
    driver.RunScript(in);
    driver.Finish();
    ResetSharedState();
  }
  if (const char* update = std::getenv("BELLNEST_UPDATE_GOLDEN"); update && std::string(update) == "1") {
    std::ofstream(golden, std::ios::binary) << out.str();
    GTEST_SKIP() << "rewrote " << golden;
  }
  ASSERT_TRUE(fs::exists(golden)) << "no golden file " << golden << "; output was:\n" << out.str();
  EXPECT_EQ(out.str(), ReadFile(golden));
}

INSTANTIATE_TEST_SUITE_P(PageDriver, Scenario, testing::ValuesIn(ScenarioNames()),
                         [](const testing::TestParamInfo<std::string>& info) { return info.param; });

// A profile that does not load fails its command and leaves the previous one usable; the
// state then shows what GetPageInfo answers and what the Help button asked of the help system.
TEST(PageDriver, FailedProfileKeepsThePreviousOneAndStateShowsHelp) {
  ResetSharedState();
  std::ostringstream out;
  PageDriver driver(DriverOptions{}, out, MakeNativeWorld());
  ASSERT_TRUE(driver.Start());
  EXPECT_TRUE(driver.Run("profile nosuch.json"));
  EXPECT_TRUE(driver.Failed());
  EXPECT_NE(out.str().find("error: nosuch.json"), std::string::npos) << out.str();
  driver.Run("open");
  driver.Run("help");
  driver.Run("pageinfo");
  const nlohmann::json state = driver.Host()->StateJson();
  const std::string helpFile = state["pageInfo"]["file"];
  EXPECT_TRUE(helpFile.ends_with("\\bellnest.chm")) << helpFile;
  EXPECT_EQ(state["pageInfo"]["topic"], 1050);
  const nlohmann::json call = {{"owner", 0}, {"file", helpFile}, {"command", 15}, {"context", 1050}};
  EXPECT_EQ(state["helpCalls"], nlohmann::json::array({call}));
  EXPECT_NE(out.str().find("HelpContext: 1050"), std::string::npos) << out.str();
  driver.Finish();
  ResetSharedState();
}

}  // namespace
}  // namespace bellnest::tools
