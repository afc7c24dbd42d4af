// Registry round trips through the core's registry access over the in-memory registry: what
// Apply (two options) and closing the page (the folder set) cost per value.
#include <benchmark/benchmark.h>

#include <string>

#include "sim/native_world.h"
#include "support/platform.h"
#include "support/registry.h"

namespace bellnest {
namespace {

const std::string kProduct = "Software\\Quillfen\\Bellnest";

void BM_RegistryRoundTripString(benchmark::State& state) {
  sim::NativeWorld world;
  ScopedPlatform platform(world.Seams());
  // A folder set of n entry identifiers, 48 hex digits each, as the profile key holds it.
  std::string folders;
  for (int64_t i = 0; i < state.range(0); ++i) {
    folders += (i ? ";" : "") + std::string(40, 'A') + std::to_string(10000000 + i);
  }
  const Variant value = folders;
  const std::string profile = kProduct + "\\Default Outlook Profile";
  for (auto _ : state) {
    WriteRegistryValue(kHkeyCurrentUser, profile, "ReminderFolders", value, reg::kSz);
    benchmark::DoNotOptimize(ReadRegistryValue(kHkeyCurrentUser, profile, "ReminderFolders"));
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(folders.size()) * 2);
}
BENCHMARK(BM_RegistryRoundTripString)->Arg(1)->Arg(50)->Arg(1000);

void BM_RegistryRoundTripDword(benchmark::State& state) {
  sim::NativeWorld world;
  ScopedPlatform platform(world.Seams());
  int32_t flag = 0;
  for (auto _ : state) {
    WriteRegistryValue(kHkeyCurrentUser, kProduct, "IncludeSubfolders", flag, reg::kDword);
    benchmark::DoNotOptimize(ReadRegistryValue(kHkeyCurrentUser, kProduct, "IncludeSubfolders"));
    flag ^= 1;
  }
}
BENCHMARK(BM_RegistryRoundTripDword);

}  // namespace
}  // namespace bellnest
