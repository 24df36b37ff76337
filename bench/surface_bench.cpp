// Draw, DrawAlpha and DrawAlphaChannel on 4096 x 4096 surfaces at 8 and 32
// bits, beside a plain memcpy of the same bytes for comparison.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "surface/DIBSurface.h"

namespace {

using vorn::TDIBSurface;

constexpr int32_t kSide = 4096;

std::unique_ptr<TDIBSurface> MakeSurface(int32_t bpp, uint32_t seed, bool alpha) {
  auto s = std::make_unique<TDIBSurface>();
  s->SetSize(kSide, kSide, bpp);
  uint32_t state = seed;
  for (int32_t y = 0; y < kSide; ++y) {
    uint8_t* row = s->ScanLine(y);
    for (int32_t i = 0; i < s->RowBytes(); ++i) {
      state = state * 1664525u + 1013904223u;
      row[i] = static_cast<uint8_t>(state >> 24);
    }
  }
  if (alpha) {
    // Mostly partial alpha, with fully clear and fully opaque runs as in real layers.
    s->NeedAlpha();
    for (int32_t y = 0; y < kSide; ++y) {
      uint8_t* row = s->AlphaChannel->ScanLine(y);
      for (int32_t x = 0; x < kSide; ++x) row[x] = static_cast<uint8_t>((x + y) & 0xFF);
    }
  }
  return s;
}

void SetRate(benchmark::State& state) {
  // Shown with an M suffix: megapixels per second of CPU time.
  const double pixels = static_cast<double>(kSide) * kSide;
  state.counters["px/s"] = benchmark::Counter(pixels * static_cast<double>(state.iterations()),
                                              benchmark::Counter::kIsRate);
}

void BM_Draw(benchmark::State& state) {
  const auto bpp = static_cast<int32_t>(state.range(0));
  const auto src = MakeSurface(bpp, 1, false);
  const auto dst = MakeSurface(bpp, 2, false);
  for (auto _ : state) {
    dst->Draw(0, 0, *src);
    benchmark::ClobberMemory();
  }
  SetRate(state);
}

void BM_DrawAlpha(benchmark::State& state) {
  const auto bpp = static_cast<int32_t>(state.range(0));
  const auto src = MakeSurface(bpp, 1, false);
  const auto dst = MakeSurface(bpp, 2, false);
  for (auto _ : state) {
    dst->DrawAlpha(0, 0, 128, 5, src->BoundsRect(), *src);
    benchmark::ClobberMemory();
  }
  SetRate(state);
}

void BM_DrawAlphaChannel(benchmark::State& state) {
  const auto bpp = static_cast<int32_t>(state.range(0));
  const auto src = MakeSurface(bpp, 1, true);
  const auto dst = MakeSurface(bpp, 2, false);
  for (auto _ : state) {
    dst->DrawAlphaChannel(0, 0, 255, src->BoundsRect(), *src);
    benchmark::ClobberMemory();
  }
  SetRate(state);
}

// The floor for Draw: one memcpy of a whole pixel block of the same depth.
void BM_Memcpy(benchmark::State& state) {
  const size_t bytes = static_cast<size_t>(kSide) * kSide * static_cast<size_t>(state.range(0)) / 8;
  std::vector<uint8_t> from(bytes, 1), to(bytes, 2);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), bytes);
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
  SetRate(state);
}

BENCHMARK(BM_Memcpy)->Arg(8)->Arg(32)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Draw)->Arg(8)->Arg(32)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrawAlpha)->Arg(8)->Arg(32)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrawAlphaChannel)->Arg(8)->Arg(32)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
