// Writes the bundled example files (examples/*.vrn) with the fixture writer:
// both generations, an animation, a palette file, a JPEG layer and a
// scrambled file (identification code 4242).
// usage: vorn_make_examples OUT_DIR
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/fixtures/VrnWriter.h"

namespace {

using namespace vorn::fixtures;

// A 24- or 32-bit layer painted by f(x, y) -> 0xRRGGBB.
template <class F>
FxLayer Painted(int32_t w, int32_t h, int32_t bpp, F f) {
  FxLayer layer;
  const size_t rowBytes = FxRowBytes(w, bpp), step = static_cast<size_t>(bpp / 8);
  layer.pixels.assign(rowBytes * static_cast<size_t>(h), 0);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      const uint32_t c = f(x, y);
      uint8_t* p = &layer.pixels[rowBytes * static_cast<size_t>(y) + static_cast<size_t>(x) * step];
      p[0] = static_cast<uint8_t>(c), p[1] = static_cast<uint8_t>(c >> 8), p[2] = static_cast<uint8_t>(c >> 16);
    }
  return layer;
}

uint32_t Rgb(double r, double g, double b) {
  const auto c = [](double v) { return static_cast<uint32_t>(std::lround(std::fmin(255, std::fmax(0, v)))); };
  return c(r) << 16 | c(g) << 8 | c(b);
}

FxFrame Frame(int32_t w, int32_t h, int32_t bpp) {
  FxFrame frame;
  frame.width = w;
  frame.height = h;
  frame.bpp = bpp;
  return frame;
}

void Save(const std::filesystem::path& dir, const char* name, const FxFile& file) {
  const auto bytes = WriteVrn(file);
  std::ofstream(dir / name, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  std::printf("%s: %zu bytes\n", name, bytes.size());
}

// New generation: sky, a translucent sun, and a hill drawn through its alpha.
FxFile Landscape() {
  const int32_t w = 160, h = 120;
  FxFile file;
  file.generation = FxGeneration::Xml;
  file.header.blockWidth = 32;
  file.header.blockHeight = 32;
  file.header.bgColor = 0x00FFFFFF;
  FxFrame frame = Frame(w, h, 24);
  frame.name = "landscape";
  frame.layers.push_back(Painted(w, h, 24, [](int, int y) { return Rgb(80 + y, 140 + y / 2.0, 255); }));
  FxLayer sun = Painted(w, h, 24, [](int x, int y) {
    return std::hypot(x - 110, y - 35) < 22 ? Rgb(255, 220, 60) : 0x00FF00u;
  });
  sun.transColor = 0x00FF00;
  sun.alpha = 200;
  frame.layers.push_back(sun);
  FxLayer hill = Painted(w, h, 24, [](int x, int y) { return Rgb(40 + x / 4.0, 150 - y / 3.0, 60); });
  hill.alphaOn = true;
  const size_t alphaRow = FxRowBytes(w, 8);
  hill.alphaPlane.assign(alphaRow * h, 0);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      const double top = 80 + 18 * std::sin(x / 25.0);
      hill.alphaPlane[alphaRow * static_cast<size_t>(y) + static_cast<size_t>(x)] =
          static_cast<uint8_t>(std::fmin(255, std::fmax(0, (y - top) * 40)));
    }
  frame.layers.push_back(hill);
  file.frames.push_back(frame);
  return file;
}

// Old generation, version 107: twelve frames of a ball bouncing.
FxFile Bounce() {
  const int32_t w = 64, h = 64;
  FxFile file;
  file.version = 107;
  file.header.blockWidth = 16;
  file.header.blockHeight = 16;
  for (int i = 0; i < 12; ++i) {
    FxFrame frame = Frame(w, h, 32);
    frame.name = "frame " + std::to_string(i);
    frame.delay = 80;
    const double cy = 48 - 36 * std::fabs(std::sin(i * 3.14159 / 12));
    const double cx = 8 + i * 4;
    frame.layers.push_back(Painted(w, h, 32, [&](int x, int y) {
      return std::hypot(x - cx, y - cy) < 9 ? Rgb(230, 60 + y * 2, 40) : Rgb(30, 30 + y, 90);
    }));
    file.frames.push_back(frame);
  }
  return file;
}

// 8-bit palette picture, old generation 103, with a rainbow colour table.
FxFile Palette() {
  const int32_t w = 96, h = 64;
  FxFile file;
  file.version = 103;
  FxFrame frame = Frame(w, h, 8);
  for (int i = 0; i < 256; ++i) {
    const double t = i / 256.0 * 6.283;
    frame.palette.push_back({static_cast<uint8_t>(128 + 127 * std::sin(t + 4)),
                             static_cast<uint8_t>(128 + 127 * std::sin(t + 2)),
                             static_cast<uint8_t>(128 + 127 * std::sin(t)), 0});
  }
  FxLayer layer;
  const size_t rowBytes = FxRowBytes(w, 8);
  layer.pixels.assign(rowBytes * h, 0);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x)
      layer.pixels[rowBytes * static_cast<size_t>(y) + static_cast<size_t>(x)] =
          static_cast<uint8_t>((x * 3 + y * 2) & 0xFF);
  frame.layers.push_back(layer);
  file.frames.push_back(frame);
  return file;
}

// A JPEG colour layer with a zlib alpha plane.
FxFile Photo() {
  const int32_t w = 120, h = 80;
  FxFile file;
  file.generation = FxGeneration::Xml;
  file.header.compType = 2;
  file.header.blockWidth = 0;
  file.header.blockHeight = 0;
  FxFrame frame = Frame(w, h, 24);
  frame.layers.push_back(Painted(w, h, 24, [](int x, int y) {
    return Rgb(128 + 100 * std::sin(x / 9.0), 128 + 100 * std::cos(y / 7.0), 128 + x - y);
  }));
  file.frames.push_back(frame);
  return file;
}

// Scrambled rows: opens only with identification code 4242.
FxFile Scrambled() {
  FxFile file = Landscape();
  file.header.blockWidth = 0;
  file.header.blockHeight = 0;
  file.header.randomized = 1;
  file.passCode = 4242;
  return file;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: vorn_make_examples OUT_DIR\n");
    return 2;
  }
  const std::filesystem::path dir = argv[1];
  std::filesystem::create_directories(dir);
  Save(dir, "landscape.vrn", Landscape());
  Save(dir, "bounce.vrn", Bounce());
  Save(dir, "palette.vrn", Palette());
  Save(dir, "photo.vrn", Photo());
  Save(dir, "scrambled.vrn", Scrambled());
  return 0;
}
