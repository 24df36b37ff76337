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

// Reads a little-endian value from the header block.
uint32_t Le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0] | p[1] << 8 | p[2] << 16) | static_cast<uint32_t>(p[3]) << 24;
}

// A channel under mask, widened to 8 bits by repeating its top bits.
uint8_t Channel(uint32_t pixel, uint32_t mask) {
  if (mask == 0) return 0;
  int shift = 0, bits = 0;
  while (((mask >> shift) & 1) == 0) ++shift;
  while (shift + bits < 32 && ((mask >> (shift + bits)) & 1) != 0) ++bits;
  const uint32_t v = (pixel & mask) >> shift;
  if (bits >= 8) return static_cast<uint8_t>(v >> (bits - 8));
  uint32_t wide = v;
  int have = bits;
  while (have < 8) wide = wide << bits | v, have += bits;
  return static_cast<uint8_t>(wide >> (have - 8));
}

// The delivered picture: BITMAPINFOHEADER (40 bytes), masks at 16 and 32
// bits, the colour table at 8 bits and less, rows bottom-up padded to 4 bytes.
struct TDib {
  explicit TDib(const vorn_dib& dib) : Dib(dib) {
    if (dib.info_size < 40 || dib.width <= 0 || dib.height <= 0)
      throw std::runtime_error("the picture is empty");
    BitCount = static_cast<int>(dib.info[14] | dib.info[15] << 8);
    RowBytes = (static_cast<size_t>(dib.width) * static_cast<size_t>(BitCount) + 31) / 32 * 4;
    if (dib.bits_size < RowBytes * static_cast<size_t>(dib.height))
      throw std::runtime_error("the picture is smaller than its size");
    if ((BitCount == 16 || BitCount == 32) && dib.info_size >= 52)
      for (int i = 0; i < 3; ++i) Masks[i] = Le32(dib.info + 40 + 4 * i);
  }
  const uint8_t* Row(int32_t y) const {
    return Dib.bits + RowBytes * static_cast<size_t>(Dib.height - 1 - y);
  }
  const vorn_dib& Dib;
  int BitCount = 0;
  size_t RowBytes = 0;
  uint32_t Masks[3] = {};
};

// One row as PNG samples: indices for palette pictures, RGB triples otherwise.
void ConvertRow(const TDib& dib, int32_t y, std::vector<uint8_t>& out) {
  const int32_t w = dib.Dib.width;
  const uint8_t* row = dib.Row(y);
  const int bits = dib.BitCount;
  if (bits <= 8) {
    const int perByte = 8 / bits;
    for (int32_t x = 0; x < w; ++x)
      out[static_cast<size_t>(x)] = static_cast<uint8_t>(
          (row[x / perByte] >> ((perByte - 1 - x % perByte) * bits)) & ((1 << bits) - 1));
    return;
  }
  const int bytes = bits / 8;
  for (int32_t x = 0; x < w; ++x, row += bytes) {
    uint8_t* o = &out[static_cast<size_t>(x) * 3];
    if (bits == 24) {
      o[0] = row[2], o[1] = row[1], o[2] = row[0];
      continue;
    }
    uint32_t p = 0;
    for (int i = bytes - 1; i >= 0; --i) p = p << 8 | row[i];
    for (int c = 0; c < 3; ++c) o[c] = Channel(p, dib.Masks[c]);
  }
}

// libpng reports errors by longjmp; nothing with a destructor lives here.
bool WriteRows(std::FILE* file, const vorn_dib& dib, png_bytepp rows, png_colorp palette,
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
  png_set_IHDR(png, info, static_cast<png_uint_32>(dib.width),
               static_cast<png_uint_32>(dib.height), 8,
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

void WritePng(const vorn_dib& picture, const std::string& fileName) {
  const TDib dib(picture);
  const bool indexed = dib.BitCount <= 8;
  const size_t channels = indexed ? 1 : 3;
  std::vector<std::vector<uint8_t>> samples(static_cast<size_t>(picture.height));
  std::vector<png_bytep> rows(samples.size());
  for (int32_t y = 0; y < picture.height; ++y) {
    auto& row = samples[static_cast<size_t>(y)];
    row.resize(static_cast<size_t>(picture.width) * channels);
    ConvertRow(dib, y, row);
    rows[static_cast<size_t>(y)] = row.data();
  }
  std::vector<png_color> palette;
  if (indexed) {
    const size_t entries = size_t{1} << dib.BitCount;
    if (picture.info_size < 40 + 4 * entries) throw std::runtime_error("the colour table is missing");
    for (size_t i = 0; i < entries; ++i) {
      const uint8_t* c = picture.info + 40 + 4 * i;  // blue, green, red, reserved
      palette.push_back({c[2], c[1], c[0]});
    }
  }
  std::unique_ptr<std::FILE, TFileCloser> file(std::fopen(fileName.c_str(), "wb"));
  if (!file) throw std::runtime_error("cannot create " + fileName);
  if (!WriteRows(file.get(), picture, rows.data(), palette.data(),
                 static_cast<int>(palette.size())))
    throw std::runtime_error("cannot write " + fileName);
  if (std::fflush(file.get()) != 0) throw std::runtime_error("cannot write " + fileName);
}

}  // namespace vorn::tools
