// Large simulated stores for benchmarks: N folders under one parent, breadth first, with a
// fixed fan-out and depth and a deterministic mix of container classes.
#pragma once

#include "host/error_info.h"
#include "sim/profile/profile_model.h"

namespace bellnest::sim {

struct GeneratorOptions {
  int Folders = 10000;
  int FanOut = 10;
  int Depth = 4;
};

// Adds the folders under parent, named "Folder 3", "Folder 3.7", ...; fails when fan-out and
// depth cannot hold that many.
Status GenerateFolders(ProfileModel& model, int parent, const GeneratorOptions& options);
// The sample mailbox with the generated folders under its top folder.
Result<ProfileModel> GenerateLargeProfile(const GeneratorOptions& options);

}  // namespace bellnest::sim
