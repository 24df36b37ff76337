// The picture calls on generated files, with 1 and 2 threads (VORN_THREADS),
// each beside what bounds it from below on the same data in the same run: zlib inflating the file's
// compressed blocks alone (the floor), libpng decoding the same pixels as a
// PNG (filter type 0 on every row, the same inflate work; and the default
// adaptive filters for the record), and a memcpy of the delivered bytes.
// Times are wall-clock (a call's workers run beside it). A summary of the
// ratios and the targets follows the table.
//
//   build-bench/bench/vorn_bench_reader [--benchmark_filter=...]
//   build-bench/bench/vorn_bench_reader --write-inputs DIR
#include <benchmark/benchmark.h>

#include "bench/BenchArguments.h"
#include <malloc.h>
#include <sys/mman.h>
#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "bench/ReaderBenchInputs.h"
#include "format/WholeInflate.h"
#include "platform/HostMemory.h"
#include "plugin/PictureDelivery.h"
#include "tests/plugin/DeliveryHelpers.h"

namespace {

using vorn::TPictureRequest;
using vorn::bench::TReaderInput;
using vorn::platform::THostHandle;

vorn::testing::TPluginSettings* gSettings = nullptr;

void SetRate(benchmark::State& state, const TReaderInput& input) {
  // Megapixels of the delivered picture per second of CPU time.
  state.counters["Mpx/s"] = benchmark::Counter(
      static_cast<double>(input.DeliveredPixels) * static_cast<double>(state.iterations()) / 1e6,
      benchmark::Counter::kIsRate);
}

TPictureRequest Request(const TReaderInput& input, bool file) {
  return file ? vorn::testing::FileRequest(input.Path) : vorn::testing::MemoryRequest(input.File);
}

void FreeDelivered(THostHandle info, THostHandle bits) {
  vorn::platform::HostFree(info);
  vorn::platform::HostFree(bits);
}

// How many threads a call decodes on (VORN_THREADS, read at every open).
void UseThreads(int threads) { ::setenv("VORN_THREADS", std::to_string(threads).c_str(), 1); }

// GetPicture with MultiImage on, as a host calls it (or GetPreview); the
// host's freeing of the two blocks is not timed.
void BM_GetPicture(benchmark::State& state, const TReaderInput* input, bool file, int threads,
                   bool preview = false) {
  gSettings->Set(true, input->PassCode);
  UseThreads(threads);
  const TPictureRequest request = Request(*input, file);
  for (auto _ : state) {
    THostHandle info = nullptr, bits = nullptr;
    const int32_t result = preview ? vorn::GetPreviewCall(request, &info, &bits)
                                   : vorn::GetPictureCall(request, &info, &bits);
    state.PauseTiming();
    const size_t size = vorn::platform::HostSize(bits);
    FreeDelivered(info, bits);
    if (result != 0 || size != input->DeliveredBytes) {
      state.SkipWithError("GetPicture did not deliver the expected picture");
      break;
    }
    state.ResumeTiming();
  }
  SetRate(state, *input);
}

bool InflateInto(const vorn::bench::TCompressedBlock& block, uint8_t* out) {
  z_stream z{};
  inflateInit(&z);
  z.next_in = const_cast<Bytef*>(block.Bytes.data());
  z.avail_in = static_cast<uInt>(block.Bytes.size());
  z.next_out = out;
  z.avail_out = static_cast<uInt>(block.RawSize);
  const int result = inflate(&z, Z_FINISH);
  inflateEnd(&z);
  return result == Z_STREAM_END;
}

// New zero pages straight from the system, whatever the allocator would
// have reused.
uint8_t* MapFresh(size_t size) {
  void* p = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) std::abort();
  return static_cast<uint8_t*>(p);
}

// The floor: every compressed block of the file inflated by zlib in one call
// into a buffer that is already mapped (fresh: into new memory each time, as
// any decoder's output is).
// With whole: libdeflate, as the reader inflates whole blocks (how fast it
// goes depends on the data more than zlib's inflate does).
void BM_InflateFloor(benchmark::State& state, const TReaderInput* input, bool fresh,
                     bool whole = false) {
  size_t largest = 0;
  for (const auto& block : input->Blocks) largest = std::max(largest, block.RawSize);
  std::vector<uint8_t> out(fresh ? 0 : largest, 1);
  for (auto _ : state) {
    for (const auto& block : input->Blocks) {
      uint8_t* target = out.data();
      if (fresh) target = MapFresh(block.RawSize);
      const bool inflated =
          whole ? vorn::InflateWhole(block.Bytes.data(), block.Bytes.size(), target, block.RawSize, nullptr)
                : InflateInto(block, target);
      benchmark::ClobberMemory();
      if (fresh) ::munmap(target, block.RawSize);
      if (!inflated) state.SkipWithError("inflate failed");
    }
  }
  SetRate(state, *input);
}

// What new memory costs on this machine: 64 MiB allocated, written once and
// freed (the page faults), beside the warm memcpy of the same size.
void BM_FreshMemory(benchmark::State& state) {
  constexpr size_t kBytes = 64u << 20;
  for (auto _ : state) {
    uint8_t* p = MapFresh(kBytes);
    std::memset(p, 1, kBytes);
    benchmark::DoNotOptimize(p);
    benchmark::ClobberMemory();
    ::munmap(p, kBytes);
  }
}

[[noreturn]] void PngFailed(png_structp, png_const_charp message) {
  std::fprintf(stderr, "libpng: %s\n", message);
  std::abort();
}

struct TPngSource {
  const uint8_t* At;
  size_t Left;
};

void PngRead(png_structp png, png_bytep out, png_size_t size) {
  auto* source = static_cast<TPngSource*>(png_get_io_ptr(png));
  if (size > source->Left) png_error(png, "PNG data ends early");
  std::memcpy(out, source->At, size);
  source->At += size;
  source->Left -= size;
}

// One PNG decoded into out (grown as needed, then reused), or into new
// memory (fresh), with no transformation.
void DecodePng(const std::vector<uint8_t>& file, std::vector<uint8_t>& out,
               std::vector<png_bytep>& rows, bool fresh) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngFailed, nullptr);
  png_infop info = png_create_info_struct(png);
  TPngSource source{file.data(), file.size()};
  png_set_read_fn(png, &source, PngRead);
  png_read_info(png, info);
  const size_t height = png_get_image_height(png, info);
  const size_t rowBytes = png_get_rowbytes(png, info);
  if (!fresh && out.size() < rowBytes * height) out.resize(rowBytes * height);
  uint8_t* pixels = fresh ? MapFresh(rowBytes * height) : out.data();
  rows.resize(height);
  for (size_t y = 0; y < height; ++y) rows[y] = pixels + y * rowBytes;
  png_read_image(png, rows.data());
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  if (fresh) ::munmap(pixels, rowBytes * height);
}

void BM_Png(benchmark::State& state, const TReaderInput* input, bool unfiltered, bool fresh) {
  const auto& files = unfiltered ? input->PngUnfiltered : input->PngAdaptive;
  std::vector<uint8_t> out;
  std::vector<png_bytep> rows;
  for (const auto& file : files) DecodePng(file, out, rows, fresh);  // maps the buffer
  for (auto _ : state) {
    for (const auto& file : files) DecodePng(file, out, rows, fresh);
    benchmark::ClobberMemory();
  }
  SetRate(state, *input);
}

void BM_Memcpy(benchmark::State& state, const TReaderInput* input) {
  std::vector<uint8_t> from(input->DeliveredBytes, 1), to(input->DeliveredBytes, 2);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), from.size());
    benchmark::ClobberMemory();
  }
  SetRate(state, *input);
}

void BM_GetPictureInfo(benchmark::State& state, const TReaderInput* input, bool file) {
  gSettings->Set(true, 0);
  const TPictureRequest request = Request(*input, file);
  for (auto _ : state) {
    vorn::SusiePictureInfo info{};
    if (vorn::GetPictureInfoCall(request, &info) != 0 || info.width <= 0) {
      state.SkipWithError("GetPictureInfo failed");
      break;
    }
    benchmark::DoNotOptimize(info);
  }
}

// A value in kB from /proc/self/status.
int64_t StatusKb(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  const size_t length = std::strlen(field);
  while (std::getline(status, line))
    if (line.compare(0, length, field) == 0 && line.size() > length && line[length] == ':')
      return std::strtoll(line.c_str() + length + 1, nullptr, 10);
  return -1;
}

// Peak resident memory that one GetPicture adds: freed heap memory is given
// back first, the high-water mark is reset to the current size, and the peak
// is read after the call (the host's blocks still held, as a host holds them).
void BM_PeakMemory(benchmark::State& state, const TReaderInput* input, bool file, int threads) {
  gSettings->Set(true, input->PassCode);
  UseThreads(threads);
  const TPictureRequest request = Request(*input, file);
  double peak = 0;
  for (auto _ : state) {
    malloc_trim(0);
    const int64_t before = StatusKb("VmRSS");
    std::ofstream("/proc/self/clear_refs") << "5";
    THostHandle info = nullptr, bits = nullptr;
    const int32_t result = vorn::GetPictureCall(request, &info, &bits);
    const int64_t high = StatusKb("VmHWM");
    FreeDelivered(info, bits);
    if (result != 0 || before < 0 || high < 0) {
      state.SkipWithError("no peak measured");
      break;
    }
    peak = std::max(peak, static_cast<double>(high - before) * 1024.0);
  }
  size_t largestBlock = 0;
  for (const auto& block : input->Blocks) largestBlock = std::max(largestBlock, block.Bytes.size());
  const double sum = static_cast<double>(input->LayerBytes + input->CompositeBytes +
                                         input->DeliveredBytes + input->DeliveredInfoBytes +
                                         largestBlock);
  state.counters["peak_MiB"] = peak / 1048576.0;
  state.counters["sum_MiB"] = sum / 1048576.0;
  state.counters["peak/sum"] = peak / sum;
}

// Collects every run for the summary; of repeated runs the fastest counts
// (the machine is shared: slower runs measure the neighbours as well).
class TRecorder : public benchmark::ConsoleReporter {
 public:
  struct TResult {
    double Seconds = 0;  // CPU time per iteration
    std::map<std::string, double> Counters;
  };
  std::map<std::string, TResult> Results;

  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      // Single runs, or the fastest of repeated ones.
      if (run.error_occurred ||
          (run.run_type == Run::RT_Aggregate && run.aggregate_name != "min"))
        continue;
      TResult r;
      r.Seconds = run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
      for (const auto& [name, counter] : run.counters) r.Counters[name] = counter.value;
      std::string name = run.run_name.str();
      for (const char* suffix : {"/iterations:", "/real_time"})
        if (const size_t at = name.find(suffix); at != std::string::npos) name.erase(at);
      const auto it = Results.find(name);
      if (it == Results.end() || r.Seconds < it->second.Seconds) Results[name] = r;
    }
    ConsoleReporter::ReportRuns(runs);
  }
};

const char* Verdict(bool met) { return met ? "met" : "NOT MET"; }

void PrintSummary(const TRecorder& recorder) {
  const auto find = [&](const std::string& name) -> const TRecorder::TResult* {
    const auto it = recorder.Results.find(name);
    return it == recorder.Results.end() ? nullptr : &it->second;
  };
  const auto ms = [&](const std::string& name) {
    const auto* r = find(name);
    return r == nullptr ? 0.0 : r->Seconds * 1e3;
  };
  std::printf("\nSummary: wall-clock ms per call (memory input unless marked), fastest of the runs\n");
  std::printf("%-19s %7s %7s %7s %7s %7s %7s %7s %7s %7s %7s %6s\n", "case", "GetP 1t", "GetP 2t",
              "file 1t", "file 2t", "floor", "floorN", "floorD", "png0", "png0N", "pngA", "memcpy");
  const char* cases[] = {"one_layer_rows", "three_layer_rows", "three_layer_blocks",
                         "scrambled_rows", "scrambled_blocks", "animation"};
  for (const char* c : cases) {
    const std::string b = std::string(c) + "/";
    if (find(b + "GetPicture/memory/threads:1") == nullptr) continue;
    std::printf("%-19s %7.1f %7.1f %7.1f %7.1f %7.1f %7.1f %7.1f %7.1f %7.1f %7.1f %6.2f\n", c,
                ms(b + "GetPicture/memory/threads:1"), ms(b + "GetPicture/memory/threads:2"),
                ms(b + "GetPicture/file/threads:1"), ms(b + "GetPicture/file/threads:2"),
                ms(b + "InflateFloor"), ms(b + "InflateFloor/fresh"),
                ms(b + "InflateFloor/libdeflate"), ms(b + "PngUnfiltered"),
                ms(b + "PngUnfiltered/fresh"), ms(b + "PngAdaptive"), ms(b + "Memcpy"));
  }
  if (const auto* fresh = find("machine/FreshMemory64MiB"))
    std::printf("New memory: %.1f ms to allocate, write and free 64 MiB (page faults)\n",
                fresh->Seconds * 1e3);

  std::printf("\nTargets: the call over zlib inflating the same blocks (floor), same run\n");
  std::printf("  %-44s %7s %7s %7s %7s\n", "case", "threads", "ratio", "target", "");
  const auto row = [&](const char* label, const std::string& call, const std::string& floor,
                       int threads, double target) {
    const double c = ms(call), f = ms(floor);
    if (c <= 0 || f <= 0) return;
    std::printf("  %-44s %7d %7.3f %7.2f %7s\n", label, threads, c / f, target,
                Verdict(c / f <= target));
  };
  for (const auto& [threads, t1, t2] : {std::tuple{1, 0.60, 0.70}, std::tuple{2, 0.60, 0.45}}) {
    const std::string n = "/threads:" + std::to_string(threads);
    row("one layer 4096x4096 32-bit rows, GetPicture", "one_layer_rows/GetPicture/memory" + n,
        "one_layer_rows/InflateFloor", threads, t1);
    row("three layers (case 1), GetPicture", "three_layer_rows/GetPicture/memory" + n,
        "three_layer_rows/InflateFloor", threads, t2);
    row("blocks, two frames (case 2), GetPicture", "three_layer_blocks/GetPicture/memory" + n,
        "three_layer_blocks/InflateFloor", threads, threads == 1 ? 1.00 : 0.70);
    row("same file, GetPreview", "three_layer_blocks/GetPreview/memory" + n,
        "three_layer_blocks/InflateFloor", threads, threads == 1 ? 0.60 : 0.45);
    for (const auto& [scrambled, plain] : {std::pair{"scrambled_rows", "three_layer_rows"},
                                           std::pair{"scrambled_blocks", "three_layer_blocks"}}) {
      row((std::string(scrambled) + " / " + plain).c_str(),
          std::string(scrambled) + "/GetPicture/memory" + n,
          std::string(plain) + "/GetPicture/memory" + n, threads, 1.05);
      // Scrambled rows compress differently: each call over libdeflate
      // inflating its own file's blocks.
      const double s = ms(std::string(scrambled) + "/GetPicture/memory" + n),
                   sd = ms(std::string(scrambled) + "/InflateFloor/libdeflate"),
                   p = ms(std::string(plain) + "/GetPicture/memory" + n),
                   pd = ms(std::string(plain) + "/InflateFloor/libdeflate");
      if (s > 0 && sd > 0 && p > 0 && pd > 0)
        std::printf("  %-44s %7d %7.3f %7.2f %7s\n", "  the same, each over its own floorD", threads,
                    (s / sd) / (p / pd), 1.05, Verdict((s / sd) / (p / pd) <= 1.05));
    }
  }
  for (const char* input : {"file", "memory"})
    if (const auto* info = find(std::string("large_old_file/GetPictureInfo/") + input))
      std::printf("  GetPictureInfo, ~200 MB old file, %s input: %.4f ms (< 1 ms: %s)\n", input,
                  info->Seconds * 1e3, Verdict(info->Seconds < 1e-3));
  for (const int threads : {1, 2})
    for (const char* input : {"file", "memory"})
      if (const auto* peak = find("three_layer_rows/PeakMemory/" + std::string(input) +
                                  "/threads:" + std::to_string(threads)))
        std::printf("  peak memory, case 1, %s input, %d thread%s: %.1f MiB (the picture's own "
                    "memory %.1f MiB)\n",
                    input, threads, threads == 1 ? "" : "s", peak->Counters.at("peak_MiB"),
                    peak->Counters.at("sum_MiB"));
}

double Fastest(const std::vector<double>& values) {
  return values.empty() ? 0.0 : *std::min_element(values.begin(), values.end());
}

void RegisterCase(const std::string& name, const TReaderInput& (*input)()) {
  // Inputs are built when the first selected benchmark of the case runs.
  const auto lazy = [input](auto body) {
    return [input, body](benchmark::State& state) { body(state, &input()); };
  };
  const auto add = [&](const std::string& what, auto body) {
    return benchmark::RegisterBenchmark((name + "/" + what).c_str(), lazy(body))
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->ComputeStatistics("min", Fastest);
  };
  for (const int threads : {1, 2}) {
    const std::string n = "/threads:" + std::to_string(threads);
    add("GetPicture/memory" + n, [threads](benchmark::State& s, const TReaderInput* i) {
      BM_GetPicture(s, i, false, threads);
    });
    add("GetPicture/file" + n, [threads](benchmark::State& s, const TReaderInput* i) {
      BM_GetPicture(s, i, true, threads);
    });
    if (name == "three_layer_blocks")
      add("GetPreview/memory" + n, [threads](benchmark::State& s, const TReaderInput* i) {
        BM_GetPicture(s, i, false, threads, true);
      });
  }
  add("InflateFloor", [](benchmark::State& s, const TReaderInput* i) { BM_InflateFloor(s, i, false); });
  add("InflateFloor/fresh", [](benchmark::State& s, const TReaderInput* i) { BM_InflateFloor(s, i, true); });
  add("InflateFloor/libdeflate",
      [](benchmark::State& s, const TReaderInput* i) { BM_InflateFloor(s, i, false, true); });
  add("PngUnfiltered", [](benchmark::State& s, const TReaderInput* i) { BM_Png(s, i, true, false); });
  add("PngUnfiltered/fresh", [](benchmark::State& s, const TReaderInput* i) { BM_Png(s, i, true, true); });
  add("PngAdaptive", [](benchmark::State& s, const TReaderInput* i) { BM_Png(s, i, false, false); });
  add("Memcpy", [](benchmark::State& s, const TReaderInput* i) { BM_Memcpy(s, i); });
}

}  // namespace

// --write-inputs DIR: the large inputs as .vrn files in DIR, for timing
// other builds (bench/wine-ratio.sh), instead of running the benchmarks.
int WriteInputs(const std::string& dir) {
  std::filesystem::create_directories(dir);
  for (const TReaderInput* input : {&vorn::bench::OneLayerRows(), &vorn::bench::ThreeLayerRows(),
                                    &vorn::bench::ThreeLayerBlocks()}) {
    const std::string path = dir + "/" + input->Name + ".vrn";
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(input->File.data()),
               static_cast<std::streamsize>(input->File.size()));
    std::printf("%s\n", path.c_str());
  }
  vorn::bench::RemoveInputFiles();
  return 0;
}

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--write-inputs") return WriteInputs(argv[2]);
  // Case 4's 64 frames of 256 x 256 fit an 8 x 8 grid on this screen;
  // cases 1 to 3 are larger than it and are delivered alone.
  ::setenv("VORN_SCREEN", "2048x2048", 1);
  vorn::testing::TPluginSettings settings;
  gSettings = &settings;

  benchmark::RegisterBenchmark("machine/FreshMemory64MiB", BM_FreshMemory)
      ->Unit(benchmark::kMillisecond)
      ->ComputeStatistics("min", Fastest);
  RegisterCase("one_layer_rows", vorn::bench::OneLayerRows);
  // Each scrambled case right after its plain one: the machine's speed
  // drifts over a run (huge pages get scarcer), and the two are compared.
  RegisterCase("three_layer_rows", vorn::bench::ThreeLayerRows);
  RegisterCase("scrambled_rows", vorn::bench::ScrambledRows);
  for (const int threads : {1, 2})
    for (const bool file : {true, false})
      benchmark::RegisterBenchmark(
          (std::string("three_layer_rows/PeakMemory/") + (file ? "file" : "memory") +
           "/threads:" + std::to_string(threads)).c_str(),
          [file, threads](benchmark::State& s) {
            BM_PeakMemory(s, &vorn::bench::ThreeLayerRows(), file, threads);
          })
        ->Unit(benchmark::kMillisecond)
        ->Iterations(3)
        ->Repetitions(1);
  RegisterCase("three_layer_blocks", vorn::bench::ThreeLayerBlocks);
  RegisterCase("scrambled_blocks", vorn::bench::ScrambledBlocks);
  RegisterCase("animation", vorn::bench::Animation);
  for (const bool file : {true, false})
    benchmark::RegisterBenchmark(
        (std::string("large_old_file/GetPictureInfo/") + (file ? "file" : "memory")).c_str(),
        [file](benchmark::State& s) { BM_GetPictureInfo(s, &vorn::bench::LargeOldFile(), file); })
        ->Unit(benchmark::kMicrosecond)
        ->ComputeStatistics("min", Fastest);

  // Three runs of each, shown as mean, median, spread and fastest, unless
  // asked otherwise; the summary takes the fastest.
  TRecorder recorder;
  if (!vorn::bench::RunWithRepetitions(argc, argv, recorder)) return 1;
  PrintSummary(recorder);
  vorn::bench::RemoveInputFiles();
  benchmark::Shutdown();
  return 0;
}
