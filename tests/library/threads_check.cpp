// vorn_threads_check: eleven files of different kinds decoded in eleven
// threads at once through the public API, several rounds, every frame's RGBA
// equal to a decode of the same file on one thread; each decode of the last
// three, whose blocks are large, uses 2 or 8 threads of its own. Built and
// run under ThreadSanitizer too (make test), which reports any state two
// images, or a decode and its workers, share unguarded.
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/fixtures/VrnFixtureBuilders.h"
#include "vorn/vorn.h"

namespace {

using namespace vorn::fixtures;

struct TFile {
  std::vector<uint8_t> Bytes;
  int32_t PassCode = 0;
  uint32_t Threads = 1;
};

std::vector<TFile> Files() {
  std::vector<TFile> files;
  const auto add = [&](FxSimpleOptions o) {
    o.seed = static_cast<uint32_t>(files.size() + 1);
    files.push_back({WriteVrn(MakeSimpleFile(o)), o.passCode});
  };
  add({.width = 40, .height = 30, .bpp = 8, .frames = 3});
  add({.width = 33, .height = 17, .bpp = 16, .generation = FxGeneration::Xml, .version = 200});
  add({.width = 64, .height = 48, .bpp = 24, .frames = 2, .layersPerFrame = 3, .alpha = true});
  add({.width = 50, .height = 40, .bpp = 32, .frames = 4, .blockWidth = 16, .blockHeight = 8});
  add({.width = 31, .height = 29, .bpp = 24, .generation = FxGeneration::Xml, .version = 200,
       .randomized = true, .passCode = 77});
  add({.width = 45, .height = 21, .bpp = 32, .blockWidth = 8, .blockHeight = 8, .randomized = true,
       .passCode = 5});
  add({.width = 24, .height = 24, .bpp = 4, .frames = 5, .generation = FxGeneration::Xml, .version = 200});
  add({.width = 40, .height = 32, .bpp = 24, .generation = FxGeneration::Xml, .version = 200,
       .compType = 2});
  // Blocks of more than 64 KiB, which workers inflate ahead of the decode.
  add({.width = 200, .height = 120, .bpp = 32, .frames = 3, .layersPerFrame = 3, .alpha = true});
  add({.width = 256, .height = 128, .bpp = 32, .frames = 4, .blockWidth = 16, .blockHeight = 16});
  add({.width = 180, .height = 140, .bpp = 24, .frames = 3, .layersPerFrame = 2,
       .generation = FxGeneration::Xml, .version = 200, .randomized = true, .passCode = 9});
  files[files.size() - 3].Threads = 8;
  files[files.size() - 2].Threads = 2;
  files[files.size() - 1].Threads = 8;
  return files;
}

// Every frame's RGBA, one after another; empty when anything fails.
std::vector<uint8_t> DecodeAll(const TFile& file, uint32_t threads) {
  vorn_options options{};
  options.struct_size = sizeof options;
  options.pass_code = file.PassCode;
  options.threads = threads;
  vorn_image* image = nullptr;
  if (vorn_open_memory(file.Bytes.data(), file.Bytes.size(), &options, &image) != VORN_OK) return {};
  std::vector<uint8_t> all;
  vorn_info info{};
  // Every frame in one call, so that the workers have several to inflate.
  bool ok = vorn_decode_all(image) == VORN_OK && vorn_get_info(image, &info) == VORN_OK;
  for (uint32_t i = 0; ok && i < info.frame_count; ++i) {
    vorn_frame_info frame{};
    ok = vorn_get_frame_info(image, i, &frame) == VORN_OK;
    const size_t at = all.size();
    all.resize(at + static_cast<size_t>(frame.width) * frame.height * 4);
    ok = ok && vorn_decode_frame_rgba(image, i, all.data() + at, static_cast<size_t>(frame.width) * 4) == VORN_OK;
  }
  vorn_close(image);
  return ok ? all : std::vector<uint8_t>{};
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<TFile> files = Files();
  // --write DIR: the files, for a host of another build to decode.
  if (argc == 3 && std::string(argv[1]) == "--write") {
    for (size_t i = 0; i < files.size(); ++i) {
      const std::string name = std::string(argv[2]) + "/threads-" + std::to_string(i) + ".vrn";
      std::ofstream(name, std::ios::binary)
          .write(reinterpret_cast<const char*>(files[i].Bytes.data()),
                 static_cast<std::streamsize>(files[i].Bytes.size()));
    }
    return 0;
  }
  std::vector<std::vector<uint8_t>> expected;
  for (const TFile& file : files) {
    expected.push_back(DecodeAll(file, 1));
    if (expected.back().empty()) {
      std::printf("FAILED file %zu does not decode\n", expected.size() - 1);
      return 1;
    }
  }
  constexpr int kRounds = 4;
  std::vector<int> mismatches(files.size(), 0);
  std::vector<std::thread> threads;
  for (size_t t = 0; t < files.size(); ++t)
    threads.emplace_back([&, t] {
      for (int round = 0; round < kRounds; ++round)
        if (DecodeAll(files[t], files[t].Threads) != expected[t]) ++mismatches[t];
    });
  for (std::thread& thread : threads) thread.join();
  int failed = 0;
  for (size_t t = 0; t < files.size(); ++t)
    if (mismatches[t] != 0) {
      std::printf("FAILED file %zu decoded differently in %d of %d rounds\n", t, mismatches[t], kRounds);
      ++failed;
    }
  std::printf("threads: %zu files in %zu threads, %d rounds each, %d failed\n", files.size(),
              threads.size(), kRounds, failed);
  return failed == 0 ? 0 : 1;
}
