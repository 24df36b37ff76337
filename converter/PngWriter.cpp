#include "converter/PngWriter.h"

#include <png.h>

#include <cstdio>
#include <memory>
#include <stdexcept>
#include <vector>

namespace vorn::tools {

namespace {

struct TFileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

// Widens a channel of `bits` bits to 8 by repeating its top bits.
uint8_t Widen(uint32_t value, int bits) {
  const uint32_t top = value << (8 - bits);
  return static_cast<uint8_t>(top | (top >> bits));
}

// One row of the surface as PNG samples: indices for palette pictures, RGB
// triples otherwise.
void ConvertRow(const TDIBSurface& surface, int32_t y, std::vector<uint8_t>& out) {
  const int32_t w = surface.Width();
  const uint8_t* row = surface.ScanLine(y);
  switch (surface.Bpp()) {
    case 1:
    case 4:
    case 8:
      for (int32_t x = 0; x < w; ++x) out[static_cast<size_t>(x)] = static_cast<uint8_t>(surface.GetPixel(x, y));
      break;
    case 15:
    case 16: {
      const bool six = surface.Bpp() == 16;
      for (int32_t x = 0; x < w; ++x) {
        const uint32_t p = static_cast<uint32_t>(row[2 * x] | row[2 * x + 1] << 8);
        uint8_t* o = &out[static_cast<size_t>(x) * 3];
        if (six) {
          o[0] = Widen(p >> 11 & 31, 5), o[1] = Widen(p >> 5 & 63, 6), o[2] = Widen(p & 31, 5);
        } else {
          o[0] = Widen(p >> 10 & 31, 5), o[1] = Widen(p >> 5 & 31, 5), o[2] = Widen(p & 31, 5);
        }
      }
      break;
    }
    default: {
      const int step = surface.BitCount() / 8;
      for (int32_t x = 0; x < w; ++x) {
        const uint8_t* p = row + x * step;
        uint8_t* o = &out[static_cast<size_t>(x) * 3];
        o[0] = p[2], o[1] = p[1], o[2] = p[0];
      }
      break;
    }
  }
}

// libpng reports errors by longjmp; nothing with a destructor lives here.
bool WriteRows(std::FILE* file, const TDIBSurface& surface, png_bytepp rows, png_colorp palette,
               int paletteSize) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_init_io(png, file);
  const bool indexed = paletteSize > 0;
  png_set_IHDR(png, info, static_cast<png_uint_32>(surface.Width()),
               static_cast<png_uint_32>(surface.Height()), 8,
               indexed ? PNG_COLOR_TYPE_PALETTE : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (indexed) png_set_PLTE(png, info, palette, paletteSize);
  png_write_info(png, info);
  png_write_image(png, rows);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

void WritePng(const TDIBSurface& surface, const std::string& fileName) {
  if (surface.Width() <= 0 || surface.Height() <= 0)
    throw std::runtime_error("the picture is empty");
  const bool indexed = surface.Bpp() <= 8;
  const size_t channels = indexed ? 1 : 3;
  std::vector<std::vector<uint8_t>> samples(static_cast<size_t>(surface.Height()));
  std::vector<png_bytep> rows(samples.size());
  for (int32_t y = 0; y < surface.Height(); ++y) {
    auto& row = samples[static_cast<size_t>(y)];
    row.resize(static_cast<size_t>(surface.Width()) * channels);
    ConvertRow(surface, y, row);
    rows[static_cast<size_t>(y)] = row.data();
  }
  std::vector<png_color> palette;
  if (indexed) {
    for (int i = 0; i < (1 << surface.Bpp()); ++i) {
      const TRGBQuad& c = surface.Image().ColorTable[static_cast<size_t>(i)];
      palette.push_back({c.Red, c.Green, c.Blue});
    }
  }
  std::unique_ptr<std::FILE, TFileCloser> file(std::fopen(fileName.c_str(), "wb"));
  if (!file) throw std::runtime_error("cannot create " + fileName);
  if (!WriteRows(file.get(), surface, rows.data(), palette.data(),
                 static_cast<int>(palette.size())))
    throw std::runtime_error("cannot write " + fileName);
  if (std::fflush(file.get()) != 0) throw std::runtime_error("cannot write " + fileName);
}

}  // namespace vorn::tools
