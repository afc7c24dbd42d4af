// Helpers for the simulated-profile tests: load a small JSON profile, open a logged-on session.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>

#include "sim/profile/simulated_outlook.h"

namespace bellnest::sim::testing {

// Loads a profile that must be valid; a load error fails the test with its message.
inline std::unique_ptr<SimulatedOutlook> LoadProfile(std::string_view json) {
  auto outlook = SimulatedOutlook::FromJson(json, "test-profile.json");
  EXPECT_TRUE(outlook.Ok()) << (outlook.Ok() ? "" : outlook.Error().Description);
  return outlook.Ok() ? std::move(outlook).Value() : nullptr;
}

// A session logged on the way Outlook 9 does it.
inline RdoSessionPtr LoggedOnSession(SimulatedOutlook& outlook) {
  auto session = outlook.CreateSession(kRdoProgId);
  EXPECT_TRUE(session.Ok());
  if (!session.Ok()) return nullptr;
  EXPECT_TRUE(session.Value()->Logon("", "", false, false).Ok());
  return session.Value();
}

}  // namespace bellnest::sim::testing
