// A test on a fresh native world: its seams installed on this thread and the shared state at
// its start values, both put back when the test ends.
#pragma once

#include <gtest/gtest.h>

#include "sim/native_world.h"
#include "support/platform.h"
#include "support/shared_state.h"

namespace bellnest::testing_support {

class WorldTest : public testing::Test {
 protected:
  WorldTest() : platform_(world_.Seams()) { ResetSharedState(); }
  ~WorldTest() override { ResetSharedState(); }

  sim::NativeWorld world_;
  sim::MemoryRegistry& registry_ = world_.Registry();
  sim::NativeShell& shell_ = world_.Shell();

 private:
  ScopedPlatform platform_;
};

}  // namespace bellnest::testing_support
