// Helpers for the simulated-profile tests: load a small JSON profile.
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

}  // namespace bellnest::sim::testing
