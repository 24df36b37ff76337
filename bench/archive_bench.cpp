// The archive calls on generated files, as a host makes them:
// - listing files of about 200 MB (four frames of 4096 x 4096 at 24 bits in
//   stored rows, and 3200 frames of 128 x 128 at 32 bits in zlib rows; both
//   generations; every frame named) through GetArchiveInfo with file input,
//   afresh and again (the last file stays open), beside the API's frame scan
//   alone (vorn_open_file, vorn_scan_frames, vorn_close); per call and per
//   frame listed;
// - extracting every frame of a 100-frame file (640 x 480, 32 bits, zlib
//   rows) to memory, one GetFile after another following a listing as hosts
//   do, beside one full load of the file (vorn_open_file, vorn_decode_all and
//   each frame's DIB), each pass on new memory, and the ratio of the two.
// The calls read their settings from a file of the program's own
// ($VORN_SETTINGS_FILE, set by main; PassCode 0): the user's are untouched.
// Each figure is the fastest of three runs; a summary follows the table.
//
//   build-bench/bench/vorn_bench_archive [--benchmark_filter=...]
#include <benchmark/benchmark.h>

#include "bench/BenchArguments.h"
#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "archive/FrameArchive.h"
#include "platform/HostMemory.h"
#include "tests/fixtures/VrnFixtureBuilders.h"
#include "tests/fixtures/VrnWriter.h"
#include "tests/plugin/DeliveryHelpers.h"
#include "vorn/vorn.h"

namespace {

namespace fixtures = vorn::fixtures;
namespace platform = vorn::platform;
using platform::THostHandle;

struct TInput {
  std::string Path;
  uint32_t Frames = 0;
  uint64_t Bytes = 0;
};

std::filesystem::path Directory() {
  static const std::filesystem::path dir = [] {
    auto d = std::filesystem::temp_directory_path() / ("vorn-archive-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(d);
    return d;
  }();
  return dir;
}

TInput Write(const std::string& name, const fixtures::FxFile& file) {
  TInput input{(Directory() / (name + ".vrn")).string(), static_cast<uint32_t>(file.frames.size()), 0};
  const std::vector<uint8_t> bytes = fixtures::WriteVrn(file);
  std::ofstream(input.Path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  input.Bytes = bytes.size();
  return input;
}

fixtures::FxFile FileOf(bool xml, int32_t frames, int32_t w, int32_t h, int32_t bpp) {
  fixtures::FxFile file;
  file.generation = xml ? fixtures::FxGeneration::Xml : fixtures::FxGeneration::Binary;
  file.version = xml ? 200 : 107;
  for (int32_t f = 0; f < frames; ++f) {
    fixtures::FxFrame frame;
    frame.name = "cel " + std::to_string(f);
    frame.width = w, frame.height = h, frame.bpp = bpp;
    frame.layers.emplace_back();
    file.frames.push_back(std::move(frame));
  }
  return file;
}

std::string ListingName(bool many, bool xml) {
  return std::string(many ? "many" : "few") + (xml ? "_xml" : "_binary");
}

// About 200 MB: four frames in stored rows, or 3200 in zlib rows (stored
// deflate blocks of zero pixels: a listing skips every block by its length,
// whatever it holds). Written when first asked for.
const TInput& ListingInput(bool many, bool xml) {
  static std::map<int, TInput> made;
  const int key = (many ? 2 : 0) + (xml ? 1 : 0);
  if (!made.contains(key)) {
    fixtures::FxFile file = many ? FileOf(xml, 3200, 128, 128, 32) : FileOf(xml, 4, 4096, 4096, 24);
    if (many) {
      const std::vector<uint8_t> block = fixtures::FxZlib(std::vector<uint8_t>(128 * 128 * 4), 0);
      for (fixtures::FxFrame& frame : file.frames) frame.layers[0].colorBytes = block;
    } else {
      file.header.compType = 1;
    }
    made[key] = Write(ListingName(many, xml), file);
  }
  return made[key];
}

// Gradients with a little noise, shifted from frame to frame: compresses as
// drawings do.
std::vector<uint8_t> DrawnRows(int32_t w, int32_t h, uint32_t frame) {
  const auto width = static_cast<size_t>(w);
  std::vector<uint8_t> rows(width * static_cast<size_t>(h) * 4);
  uint32_t state = frame * 2654435761u + 1;
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      state = state * 1664525u + 1013904223u;
      const auto noise = static_cast<uint8_t>(state >> 30);
      uint8_t* p = rows.data() + (static_cast<size_t>(y) * width + static_cast<size_t>(x)) * 4;
      p[0] = static_cast<uint8_t>((x + static_cast<int32_t>(frame) * 4) / 3 + noise);
      p[1] = static_cast<uint8_t>((x + y) / 5 + noise);
      p[2] = static_cast<uint8_t>(((x / 16) ^ (y / 16)) * 8);
      p[3] = 0;
    }
  return rows;
}

const TInput& Animation() {
  static const TInput input = [] {
    fixtures::FxFile file = FileOf(false, 100, 640, 480, 32);
    for (uint32_t f = 0; f < 100; ++f) file.frames[f].layers[0].pixels = DrawnRows(640, 480, f);
    return Write("animation_100", file);
  }();
  return input;
}

// A small file whose listing replaces the file the calls keep open.
const std::string& OtherFile() {
  static const std::string path = Write("other", fixtures::MakeSimpleFile(8, 6, 24, 1)).Path;
  return path;
}

vorn::TArchiveRequest FileRequest(const std::string& path, intptr_t position = 0) {
  return vorn::TArchiveRequest{path.c_str(), nullptr, position, 0};
}

// The records of a listing (positions and sizes); frees the block.
std::vector<vorn::SusieFileInfo> List(const std::string& path) {
  THostHandle list = nullptr;
  std::vector<vorn::SusieFileInfo> records;
  if (vorn::GetArchiveInfoCall(FileRequest(path), &list) != vorn::kArchiveOk) return records;
  const auto* at = static_cast<const vorn::SusieFileInfo*>(platform::HostLock(list));
  for (; at->method[0] != 0; ++at) records.push_back(*at);
  platform::HostUnlock(list);
  platform::HostFree(list);
  return records;
}

void Forget() {
  if (List(OtherFile()).size() != 1) std::abort();
}

void PerFrame(benchmark::State& state, uint32_t frames) {
  state.counters["per_frame"] =
      benchmark::Counter(frames, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.counters["frames"] = frames;
}

// afresh: the file the calls keep open is another one at each call.
void BM_GetArchiveInfo(benchmark::State& state, const TInput* input, bool afresh) {
  if (!afresh) List(input->Path);
  for (auto _ : state) {
    if (afresh) {
      state.PauseTiming();
      Forget();
      state.ResumeTiming();
    }
    if (List(input->Path).size() != input->Frames) {
      state.SkipWithError("GetArchiveInfo did not list every frame");
      break;
    }
  }
  PerFrame(state, input->Frames);
}

void BM_ScanFrames(benchmark::State& state, const TInput* input) {
  for (auto _ : state) {
    vorn_image* image = nullptr;
    uint32_t frames = 0;
    const bool ok = vorn_open_file(input->Path.c_str(), nullptr, &image) == VORN_OK &&
                    vorn_scan_frames(image, &frames) == VORN_OK && frames == input->Frames;
    vorn_close(image);
    if (!ok) {
      state.SkipWithError("vorn_scan_frames did not count every frame");
      break;
    }
  }
  PerFrame(state, input->Frames);
}

// A listing, every entry to memory by GetFile (each block freed), and the
// listing of another file, which lets the decoded frames go as a host's next
// call would (as vorn_close does in the full load).
bool ExtractAll(const TInput& input) {
  Forget();
  const std::vector<vorn::SusieFileInfo> records = List(input.Path);
  bool ok = records.size() == input.Frames;
  for (const vorn::SusieFileInfo& record : records) {
    THostHandle bmp = nullptr;
    const vorn::TArchiveRequest request{input.Path.c_str(), nullptr, static_cast<intptr_t>(record.position),
                                        0x100};
    ok = ok && vorn::GetFileCall(request, &bmp, nullptr, 0) == vorn::kArchiveOk &&
         platform::HostSize(bmp) == record.filesize;
    platform::HostFree(bmp);
  }
  Forget();
  return ok;
}

bool LoadAll(const TInput& input) {
  vorn_image* image = nullptr;
  bool ok = vorn_open_file(input.Path.c_str(), nullptr, &image) == VORN_OK &&
            vorn_decode_all(image) == VORN_OK;
  for (uint32_t f = 0; ok && f < input.Frames; ++f) {
    vorn_dib dib{};
    ok = vorn_decode_frame_dib(image, f, &dib) == VORN_OK;
    benchmark::DoNotOptimize(dib);
  }
  vorn_close(image);
  return ok;
}

// Each pass starts with the freed memory of the C heap given back to the
// system (malloc_trim), so that it writes to fresh pages as a first pass in
// a process does: otherwise what a pass costs depends on what the process
// did before (new memory costs about as much as decoding here).
void BM_EveryFrame(benchmark::State& state, const TInput* input, bool (*pass)(const TInput&)) {
  for (auto _ : state) {
    state.PauseTiming();
    malloc_trim(0);
    state.ResumeTiming();
    if (!pass(*input)) {
      state.SkipWithError("a frame did not come");
      break;
    }
  }
  PerFrame(state, input->Frames);
}

// The fastest of the repeated runs of each benchmark, for the summary.
class TRecorder : public benchmark::ConsoleReporter {
 public:
  std::map<std::string, double> Seconds;

  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.error_occurred || (run.run_type == Run::RT_Aggregate && run.aggregate_name != "min")) continue;
      const double s = run.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
      const std::string name = run.run_name.str();
      if (!Seconds.contains(name) || s < Seconds[name]) Seconds[name] = s;
    }
    ConsoleReporter::ReportRuns(runs);
  }
};

double Fastest(const std::vector<double>& values) {
  return values.empty() ? 0.0 : *std::min_element(values.begin(), values.end());
}

void PrintSummary(TRecorder& r) {
  const auto ms = [&](const std::string& name) {
    return r.Seconds.contains(name) ? r.Seconds[name] * 1e3 : 0.0;
  };
  std::printf("\nListing: CPU ms per call (us per frame listed); the file read from the page cache\n");
  std::printf("%-12s %6s %6s | %18s %18s %18s\n", "file", "frames", "MB", "GetArchiveInfo",
              "again (kept open)", "scan alone");
  for (const bool many : {false, true})
    for (const bool xml : {false, true}) {
      const std::string name = ListingName(many, xml), base = "list/" + name;
      if (!r.Seconds.contains(base + "/GetArchiveInfo")) continue;
      const TInput& input = ListingInput(many, xml);
      std::string cells;
      for (const char* what : {"/GetArchiveInfo", "/GetArchiveInfo/again", "/ScanFrames"}) {
        char cell[40];
        const double t = ms(base + what);
        std::snprintf(cell, sizeof cell, " %9.3f (%6.2f)", t, t * 1e3 / input.Frames);
        cells += cell;
      }
      std::printf("%-12s %6u %6.1f |%s\n", name.c_str(), input.Frames,
                  static_cast<double>(input.Bytes) / 1e6, cells.c_str());
    }
  const double all = ms("extract/animation_100/GetFileAll"), load = ms("extract/animation_100/FullLoad");
  if (all > 0 && load > 0)
    std::printf("\nEvery frame of 100 (640 x 480 x 32, %.1f MB): listing + 100 GetFile %.1f ms, "
                "full load %.1f ms, ratio %.3f\n", static_cast<double>(Animation().Bytes) / 1e6, all, load,
                all / load);
}

}  // namespace

int main(int argc, char** argv) {
  vorn::testing::TPluginSettings settings;  // points $VORN_SETTINGS_FILE at a file of its own
  settings.Set(true, 0);

  const auto add = [](const std::string& name, auto body) {
    benchmark::RegisterBenchmark(name.c_str(), body)
        ->Unit(benchmark::kMillisecond)
        ->ComputeStatistics("min", Fastest);
  };
  for (const bool many : {false, true})
    for (const bool xml : {false, true}) {
      const auto input = [many, xml] { return &ListingInput(many, xml); };
      const std::string base = "list/" + ListingName(many, xml);
      add(base + "/GetArchiveInfo", [input](benchmark::State& s) { BM_GetArchiveInfo(s, input(), true); });
      add(base + "/GetArchiveInfo/again",
          [input](benchmark::State& s) { BM_GetArchiveInfo(s, input(), false); });
      add(base + "/ScanFrames", [input](benchmark::State& s) { BM_ScanFrames(s, input()); });
    }
  add("extract/animation_100/GetFileAll",
      [](benchmark::State& s) { BM_EveryFrame(s, &Animation(), ExtractAll); });
  add("extract/animation_100/FullLoad", [](benchmark::State& s) { BM_EveryFrame(s, &Animation(), LoadAll); });

  // Three runs of each unless asked otherwise; the summary takes the fastest.
  TRecorder recorder;
  if (!vorn::bench::RunWithRepetitions(argc, argv, recorder)) return 1;
  PrintSummary(recorder);
  std::error_code ignored;
  std::filesystem::remove_all(Directory(), ignored);
  benchmark::Shutdown();
  return 0;
}
