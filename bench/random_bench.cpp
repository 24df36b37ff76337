// The seeded permutation at the sizes a layer can ask for: one Prepare and n
// draws per iteration.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "support/QzRandom.h"

namespace {

void BM_QzRandomPermutation(benchmark::State& state) {
  const auto n = static_cast<int32_t>(state.range(0));
  for (auto _ : state) {
    vorn::TQzRandom r(0x1234567);
    r.Prepare(n);
    int64_t sum = 0;
    for (int32_t i = 0; i < n; ++i) sum += r.NextIndex();
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_QzRandomPermutation)->Arg(10000)->Arg(1000000)->Arg(10000000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
