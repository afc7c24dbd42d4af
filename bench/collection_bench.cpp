// Keyed-collection lookups as the reminder folder set performs them.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "support/keyed_collection.h"

namespace bellnest {
namespace {

void BM_KeyedLookupByKey(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  KeyedCollection<int> c;
  std::vector<std::string> keys;
  for (int i = 0; i < n; ++i) {
    keys.push_back("00000000A1B2C3D4E5F6" + std::to_string(i * 7919));
    (void)c.Add(i, keys.back());
  }
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(c.Item(keys[i++ % keys.size()]));
  }
}
BENCHMARK(BM_KeyedLookupByKey)->Arg(100)->Arg(10000);

void BM_KeyedLookupByPosition(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  KeyedCollection<int> c;
  for (int i = 0; i < n; ++i) (void)c.Add(i, std::to_string(i));
  int32_t p = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(c.Item(p++ % n + 1));
  }
}
BENCHMARK(BM_KeyedLookupByPosition)->Arg(100)->Arg(10000);

}  // namespace
}  // namespace bellnest
