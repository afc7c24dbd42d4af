// A whole page session on the sample mailbox: open, first paint, tick, apply, close.
#include <gtest/gtest.h>

#include "sim/page_host.h"

namespace bellnest::sim {
namespace {

TEST(PageSession, SampleMailboxRoundTrip) {
  ResetSharedState();
  NativeWorld world;
  SimulatedOutlook outlook;
  {
    PageHost host(world, outlook);
    host.Open();
    ASSERT_TRUE(host.Paint());
    EXPECT_FALSE(host.Page().Dirty());
    ASSERT_TRUE(host.Tick("Team Calendar", true).Ok());
    EXPECT_TRUE(host.Page().Dirty());
    ASSERT_TRUE(host.Apply());
    nlohmann::json state = host.StateJson();
    EXPECT_EQ(state["search"]["containers"].back(), "Team Calendar") << state.dump(2);
    EXPECT_TRUE(state["log"].empty()) << state["log"].dump(2);
    host.Close();
    EXPECT_EQ(outlook.LiveObjects(), 0) << outlook.LiveObjectReport();
    nlohmann::json after = host.StateJson();
    EXPECT_EQ(after["registry"]["Software\\Quillfen\\Bellnest\\Outlook"]["ReminderFolders"]["data"]
                      .get<std::string>()
                      .size() > 0,
              true)
        << after.dump(2);
  }
  ResetSharedState();
}

}  // namespace
}  // namespace bellnest::sim
