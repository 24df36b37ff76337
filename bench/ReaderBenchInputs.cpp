#include "bench/ReaderBenchInputs.h"

#include <png.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "tests/fixtures/VrnFixtureBuilders.h"
#include "tests/fixtures/VrnWriter.h"
#include "format/LoadBudget.h"

namespace vorn::bench {

using fixtures::FxBlockEntry;
using fixtures::FxFile;
using fixtures::FxFrame;
using fixtures::FxGeneration;
using fixtures::FxLayer;

namespace {

constexpr int32_t kBigSide = 4096;
constexpr int32_t kSmallSide = 256;
constexpr int32_t kAnimationFrames = 64;
constexpr int32_t kScreenSide = 2048;  // main() sets VORN_SCREEN to this square
constexpr int kZlibLevel = 6;
constexpr int32_t kPassCode = 0x2F1C5;

// Runs the jobs on both cores: the inputs take a while to compress.
void RunParallel(std::vector<std::function<void()>> jobs) {
  std::mutex lock;
  size_t next = 0;
  auto worker = [&] {
    for (;;) {
      size_t mine;
      {
        std::lock_guard<std::mutex> guard(lock);
        if (next == jobs.size()) return;
        mine = next++;
      }
      jobs[mine]();
    }
  };
  std::thread helper(worker);
  worker();
  helper.join();
}

uint32_t Hash(uint32_t v) {
  v ^= v >> 16;
  v *= 0x7FEB352Du;
  v ^= v >> 15;
  v *= 0x846CA68Bu;
  v ^= v >> 16;
  return v;
}

// Photograph-like rows: smooth colour gradients carrying a little noise,
// with flat, noiseless patches (sky, backdrops), so that zlib meets what it
// meets in real pictures: mostly literals and short matches, some long runs.
std::vector<uint8_t> PhotoRows(int32_t w, int32_t h, int32_t bpp, uint32_t seed) {
  const size_t rowBytes = fixtures::FxRowBytes(w, bpp);
  std::vector<uint8_t> rows(rowBytes * static_cast<size_t>(h), 0);
  uint32_t state = Hash(seed) | 1u;
  for (int32_t y = 0; y < h; ++y) {
    uint8_t* row = rows.data() + static_cast<size_t>(y) * rowBytes;
    for (int32_t x = 0; x < w; ++x) {
      state = state * 1664525u + 1013904223u;
      const bool flat = ((x >> 9) + (y >> 9) + static_cast<int32_t>(seed)) % 4 == 0;
      const uint32_t n = flat ? 0 : state >> 24;
      const auto b = static_cast<uint8_t>(((x + static_cast<int32_t>(seed) * 64) >> 4) + (n & 3));
      const auto g = static_cast<uint8_t>(((x + 2 * y) >> 5) + ((n >> 2) & 3));
      const auto r = static_cast<uint8_t>((((x >> 3) ^ (y >> 4)) & 0x7F) + ((n >> 4) & 3));
      if (bpp == 32) {
        uint8_t* p = row + 4 * static_cast<size_t>(x);
        p[0] = b, p[1] = g, p[2] = r, p[3] = 0;
      } else {
        row[x] = static_cast<uint8_t>((b + g + r) / 3);
      }
    }
  }
  return rows;
}

// An alpha plane as layers have them: clear and opaque regions with a
// gradient between.
std::vector<uint8_t> AlphaRows(int32_t w, int32_t h) {
  const size_t rowBytes = fixtures::FxRowBytes(w, 8);
  std::vector<uint8_t> rows(rowBytes * static_cast<size_t>(h), 0);
  const int64_t cx = w / 2, cy = h / 2, inner = int64_t{w} * w / 16;
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      const int64_t d = (x - cx) * (x - cx) + (y - cy) * (y - cy);
      const int64_t a = std::clamp<int64_t>((d - inner) * 256 / inner, 0, 255);
      rows[static_cast<size_t>(y) * rowBytes + static_cast<size_t>(x)] = static_cast<uint8_t>(a);
    }
  return rows;
}

// About half of the blocks repeat: an earlier block of the same target, or
// (from the second frame on) the same block of the previous frame.
std::vector<FxBlockEntry> RepeatTable(int32_t blocks, uint32_t seed, int32_t previousFrame,
                                      int32_t layer) {
  std::vector<FxBlockEntry> table(static_cast<size_t>(blocks));
  for (int32_t i = 0; i < blocks; ++i) {
    const uint32_t h = Hash(static_cast<uint32_t>(i) * 0x9E3779B9u + seed);
    const uint32_t kind = h % 4;
    FxBlockEntry& e = table[static_cast<size_t>(i)];
    if (i > 0 && (kind == 0 || (kind == 1 && previousFrame < 0)))
      e = {-2, static_cast<int32_t>((h >> 8) % static_cast<uint32_t>(i))};
    else if (kind == 1)
      e = {previousFrame, layer};
    else
      e = {-1, 0};
  }
  return table;
}

// Makes every plane of a block file what the reader holds once its blocks
// are resolved: stored blocks from the plane itself, repeats from the plane
// as resolved so far, copies from the (resolved) plane of an earlier frame.
// All blocks are whole and references valid in the files made here.
void ResolveBlocks(FxFile& file) {
  const int32_t bw = file.header.blockWidth, bh = file.header.blockHeight;
  for (FxFrame& frame : file.frames)
    for (FxLayer& layer : frame.layers)
      for (const bool alpha : {false, true}) {
        std::vector<uint8_t>& plane = alpha ? layer.alphaPlane : layer.pixels;
        const std::vector<FxBlockEntry>& table = alpha ? layer.alphaBlocks : layer.colorBlocks;
        if (plane.empty() || table.empty()) continue;
        const int32_t bits = alpha ? 8 : frame.bpp;
        const size_t rowBytes = fixtures::FxRowBytes(frame.width, bits);
        const size_t blockBytes = static_cast<size_t>(bw * bits / 8);
        const int32_t across = frame.width / bw;
        std::vector<uint8_t> target(plane.size(), 0);
        for (size_t e = 0; e < table.size(); ++e) {
          const auto place = [&](size_t block) {
            return (block / static_cast<size_t>(across)) * static_cast<size_t>(bh) * rowBytes +
                   (block % static_cast<size_t>(across)) * blockBytes;
          };
          const FxBlockEntry& entry = table[e];
          const uint8_t* from = nullptr;
          if (entry.Source == -1) {
            from = plane.data() + place(e);
          } else if (entry.Source == -2) {
            from = target.data() + place(static_cast<size_t>(entry.Index));
          } else {
            const FxLayer& source =
                file.frames[static_cast<size_t>(entry.Source)].layers[static_cast<size_t>(entry.Index)];
            from = (alpha ? source.alphaPlane : source.pixels).data() + place(e);
          }
          for (int32_t r = 0; r < bh; ++r)
            std::memcpy(target.data() + place(e) + static_cast<size_t>(r) * rowBytes,
                        from + static_cast<size_t>(r) * rowBytes, blockBytes);
        }
        plane = std::move(target);
      }
}

[[noreturn]] void PngFailed(png_structp, png_const_charp message) {
  std::fprintf(stderr, "libpng: %s\n", message);
  std::abort();
}

void PngAppend(png_structp png, png_bytep data, png_size_t size) {
  auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + size);
}

void PngFlush(png_structp) {}

// The same bytes as a PNG: 32-bit pixels as RGBA, 8-bit ones as palette
// indices (or grey for an alpha plane), at the same zlib level.
std::vector<uint8_t> EncodePng(const std::vector<uint8_t>& rows, int32_t w, int32_t h, int32_t bpp,
                               bool palette, bool unfiltered) {
  std::vector<uint8_t> out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngFailed, nullptr);
  png_infop info = png_create_info_struct(png);
  png_set_write_fn(png, &out, PngAppend, PngFlush);
  const int type = bpp == 32 ? PNG_COLOR_TYPE_RGBA : palette ? PNG_COLOR_TYPE_PALETTE : PNG_COLOR_TYPE_GRAY;
  png_set_IHDR(png, info, static_cast<png_uint_32>(w), static_cast<png_uint_32>(h), 8, type,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (palette) {
    std::vector<png_color> colours(256);
    for (int i = 0; i < 256; ++i)
      colours[static_cast<size_t>(i)] = {static_cast<png_byte>(i), static_cast<png_byte>(i),
                                         static_cast<png_byte>(i)};
    png_set_PLTE(png, info, colours.data(), 256);
  }
  png_set_compression_level(png, kZlibLevel);
  if (unfiltered) png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
  png_write_info(png, info);
  const size_t rowBytes = fixtures::FxRowBytes(w, bpp);
  for (int32_t y = 0; y < h; ++y)
    png_write_row(png, rows.data() + static_cast<size_t>(y) * rowBytes);
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return out;
}

size_t InflatedSize(const std::vector<uint8_t>& block) { return fixtures::FxInflate(block).size(); }

std::filesystem::path InputDirectory() {
  static const std::filesystem::path dir = [] {
    auto d = std::filesystem::temp_directory_path() /
             ("vorn-reader-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(d);
    return d;
  }();
  return dir;
}

void WriteInputFile(TReaderInput& input) {
  input.Path = (InputDirectory() / (input.Name + ".vrn")).string();
  std::ofstream(input.Path, std::ios::binary)
      .write(reinterpret_cast<const char*>(input.File.data()),
             static_cast<std::streamsize>(input.File.size()));
}

// Encodes every block of the file once (both cores), keeps the zlib streams
// for the floor and pins them into the layers so that writing the file does
// not compress again.
void EncodeBlocks(FxFile& file, TReaderInput& input, bool zlib) {
  struct TSlot {
    size_t Frame, Layer;
    bool Alpha;
    std::vector<uint8_t> Bytes;
  };
  std::vector<TSlot> slots;
  for (size_t f = 0; f < file.frames.size(); ++f)
    for (size_t l = 0; l < file.frames[f].layers.size(); ++l) {
      slots.push_back({f, l, false, {}});
      if (!file.frames[f].layers[l].alphaPlane.empty()) slots.push_back({f, l, true, {}});
    }
  std::vector<std::function<void()>> jobs;
  for (TSlot& slot : slots)
    jobs.push_back([&file, &slot] {
      slot.Bytes = slot.Alpha ? fixtures::FxEncodeAlphaBlock(file, slot.Frame, slot.Layer)
                              : fixtures::FxEncodeColorBlock(file, slot.Frame, slot.Layer);
    });
  RunParallel(std::move(jobs));
  for (TSlot& slot : slots) {
    FxLayer& layer = file.frames[slot.Frame].layers[slot.Layer];
    if (zlib) input.Blocks.push_back({slot.Bytes, InflatedSize(slot.Bytes)});
    (slot.Alpha ? layer.alphaBytes : layer.colorBytes) = std::move(slot.Bytes);
  }
}

// Both PNG forms of every layer plane (what the reader holds once blocks are
// resolved).
void EncodePngs(const FxFile& file, TReaderInput& input) {
  struct TPlane {
    const std::vector<uint8_t>* Rows;
    int32_t W, H, Bpp;
    bool Palette;
  };
  std::vector<TPlane> planes;
  for (const FxFrame& frame : file.frames)
    for (const FxLayer& layer : frame.layers) {
      planes.push_back({&layer.pixels, frame.width, frame.height, frame.bpp, frame.bpp <= 8});
      if (!layer.alphaPlane.empty())
        planes.push_back({&layer.alphaPlane, frame.width, frame.height, 8, false});
    }
  input.PngUnfiltered.resize(planes.size());
  input.PngAdaptive.resize(planes.size());
  std::vector<std::function<void()>> jobs;
  for (size_t i = 0; i < planes.size(); ++i)
    for (const bool unfiltered : {true, false})
      jobs.push_back([&, i, unfiltered] {
        const TPlane& p = planes[i];
        (unfiltered ? input.PngUnfiltered : input.PngAdaptive)[i] =
            EncodePng(*p.Rows, p.W, p.H, p.Bpp, p.Palette, unfiltered);
      });
  RunParallel(std::move(jobs));
}

void CountSurfaces(const FxFile& file, TReaderInput& input) {
  for (const FxFrame& frame : file.frames) {
    const uint64_t surface = SurfaceBytes(frame.width, frame.height, frame.bpp);
    input.CompositeBytes += surface;
    for (const FxLayer& layer : frame.layers) {
      input.LayerBytes += surface;
      if (!layer.alphaPlane.empty()) input.LayerBytes += SurfaceBytes(frame.width, frame.height, 8);
    }
  }
}

void SetDelivered(TReaderInput& input, int32_t w, int32_t h, int32_t bpp) {
  input.DeliveredPixels = int64_t{w} * h;
  input.DeliveredBytes = static_cast<size_t>(SurfaceBytes(w, h, bpp));
  input.DeliveredInfoBytes = 40 + (bpp == 16 || bpp == 32 ? 12 : 0) + (bpp <= 8 ? 4u << bpp : 0);
}

// The three layers of cases 1 to 3 (one frame); frame gives the second
// frame of the block cases its own, shifted pixels.
FxFrame ThreeLayerFrame(uint32_t frame) {
  FxFrame f;
  f.width = kBigSide;
  f.height = kBigSide;
  f.bpp = 32;
  FxLayer base;
  base.pixels = PhotoRows(kBigSide, kBigSide, 32, 1 + 10 * frame);
  FxLayer masked;
  masked.pixels = PhotoRows(kBigSide, kBigSide, 32, 2 + 10 * frame);
  masked.alphaPlane = AlphaRows(kBigSide, kBigSide);
  masked.alphaOn = true;
  FxLayer blended;
  blended.pixels = PhotoRows(kBigSide, kBigSide, 32, 3 + 10 * frame);
  blended.alpha = 128;
  f.layers = {std::move(base), std::move(masked), std::move(blended)};
  return f;
}

FxFile RowFile(bool scrambled) {
  FxFile file;
  file.generation = FxGeneration::Binary;
  file.version = 107;
  file.zlibLevel = kZlibLevel;
  file.header.compType = 0;
  file.header.randomized = scrambled ? 1 : 0;
  file.passCode = scrambled ? kPassCode : 0;
  file.frames.push_back(ThreeLayerFrame(0));
  return file;
}

FxFile BlockFile(bool scrambled) {
  FxFile file = RowFile(scrambled);
  file.header.blockWidth = 32;
  file.header.blockHeight = 32;
  file.frames.push_back(ThreeLayerFrame(1));
  const int32_t blocks = (kBigSide / 32) * (kBigSide / 32);
  for (int32_t f = 0; f < 2; ++f)
    for (int32_t l = 0; l < 3; ++l) {
      FxLayer& layer = file.frames[static_cast<size_t>(f)].layers[static_cast<size_t>(l)];
      layer.colorBlocks = RepeatTable(blocks, static_cast<uint32_t>(f * 8 + l), f - 1, l);
      if (!layer.alphaPlane.empty())
        layer.alphaBlocks = RepeatTable(blocks, static_cast<uint32_t>(f * 8 + l + 100), f - 1, l);
    }
  ResolveBlocks(file);
  return file;
}

TReaderInput Finish(std::string name, FxFile& file, bool zlib, int32_t passCode) {
  TReaderInput input;
  input.Name = std::move(name);
  input.PassCode = passCode;
  EncodeBlocks(file, input, zlib);
  input.File = fixtures::WriteVrn(file);
  CountSurfaces(file, input);
  WriteInputFile(input);
  return input;
}

struct TRowInputs {
  TReaderInput Three, One;
};

const TRowInputs& RowInputs() {
  static const TRowInputs inputs = [] {
    TRowInputs made;
    FxFile file = RowFile(false);
    made.Three = Finish("three_layer_rows", file, true, 0);
    EncodePngs(file, made.Three);
    SetDelivered(made.Three, kBigSide, kBigSide, 32);

    // The first layer alone, with the block already made for case 1.
    FxFile one = file;
    one.frames[0].layers.resize(1);
    made.One.Name = "one_layer_rows";
    made.One.Blocks = {made.Three.Blocks[0]};
    made.One.PngUnfiltered = {made.Three.PngUnfiltered[0]};
    made.One.PngAdaptive = {made.Three.PngAdaptive[0]};
    made.One.File = fixtures::WriteVrn(one);
    CountSurfaces(one, made.One);
    WriteInputFile(made.One);
    SetDelivered(made.One, kBigSide, kBigSide, 32);
    return made;
  }();
  return inputs;
}

}  // namespace

const TReaderInput& OneLayerRows() { return RowInputs().One; }
const TReaderInput& ThreeLayerRows() { return RowInputs().Three; }

const TReaderInput& ThreeLayerBlocks() {
  static const TReaderInput input = [] {
    FxFile file = BlockFile(false);
    TReaderInput made = Finish("three_layer_blocks", file, true, 0);
    EncodePngs(file, made);
    SetDelivered(made, kBigSide, kBigSide, 32);
    return made;
  }();
  return input;
}

const TReaderInput& ScrambledRows() {
  static const TReaderInput input = [] {
    FxFile file = RowFile(true);
    TReaderInput made = Finish("scrambled_rows", file, true, kPassCode);
    // The pixels are those of case 1.
    made.PngUnfiltered = ThreeLayerRows().PngUnfiltered;
    made.PngAdaptive = ThreeLayerRows().PngAdaptive;
    SetDelivered(made, kBigSide, kBigSide, 32);
    return made;
  }();
  return input;
}

const TReaderInput& ScrambledBlocks() {
  static const TReaderInput input = [] {
    FxFile file = BlockFile(true);
    TReaderInput made = Finish("scrambled_blocks", file, true, kPassCode);
    made.PngUnfiltered = ThreeLayerBlocks().PngUnfiltered;
    made.PngAdaptive = ThreeLayerBlocks().PngAdaptive;
    SetDelivered(made, kBigSide, kBigSide, 32);
    return made;
  }();
  return input;
}

const TReaderInput& Animation() {
  static const TReaderInput input = [] {
    FxFile file;
    file.generation = FxGeneration::Xml;
    file.version = 200;
    file.zlibLevel = kZlibLevel;
    file.header.compType = 0;
    file.header.blockWidth = 32;
    file.header.blockHeight = 32;
    const int32_t blocks = (kSmallSide / 32) * (kSmallSide / 32);
    for (int32_t f = 0; f < kAnimationFrames; ++f) {
      FxFrame frame;
      frame.width = kSmallSide;
      frame.height = kSmallSide;
      frame.bpp = 8;
      FxLayer layer;
      layer.pixels = PhotoRows(kSmallSide, kSmallSide, 8, static_cast<uint32_t>(f));
      layer.colorBlocks = RepeatTable(blocks, static_cast<uint32_t>(f), f - 1, 0);
      frame.layers.push_back(std::move(layer));
      file.frames.push_back(std::move(frame));
    }
    ResolveBlocks(file);
    TReaderInput made = Finish("animation", file, true, 0);
    EncodePngs(file, made);
    const int32_t columns = kScreenSide / kSmallSide;
    const int32_t rows = (kAnimationFrames + columns - 1) / columns;
    SetDelivered(made, kSmallSide * columns, kSmallSide * rows, 8);
    return made;
  }();
  return input;
}

const TReaderInput& LargeOldFile() {
  static const TReaderInput input = [] {
    FxFile file;
    file.generation = FxGeneration::Binary;
    file.version = 107;
    file.header.compType = 1;  // stored rows: 48 MiB a frame
    for (int f = 0; f < 4; ++f) {
      FxFrame frame;
      frame.width = kBigSide;
      frame.height = kBigSide;
      frame.bpp = 24;
      frame.layers.emplace_back();
      file.frames.push_back(std::move(frame));
    }
    TReaderInput made;
    made.Name = "large_old_file";
    made.File = fixtures::WriteVrn(file);
    WriteInputFile(made);
    SetDelivered(made, kBigSide, kBigSide, 24);
    return made;
  }();
  return input;
}

void RemoveInputFiles() {
  std::error_code ignored;
  std::filesystem::remove_all(InputDirectory(), ignored);
}

}  // namespace vorn::bench
