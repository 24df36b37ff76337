#include "converter/PngWriter.h"

#include <png.h>

#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

namespace vorn::tools {

namespace {

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

extern "C" void AppendPng(png_structp png, png_bytep data, png_size_t size) {
  auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  try {
    out->insert(out->end(), data, data + size);
  } catch (...) {
    png_error(png, "out of memory");  // leaves by longjmp, not through libpng's frames
  }
}
extern "C" void FlushPng(png_structp) {}

// libpng reports errors by longjmp; nothing with a destructor lives here.
// colorType is PNG_COLOR_TYPE_PALETTE, _RGB or _RGB_ALPHA.
bool WriteRows(std::vector<uint8_t>* out, int32_t width, int32_t height, int colorType,
               png_bytepp rows, png_colorp palette, int paletteSize) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_set_write_fn(png, out, AppendPng, FlushPng);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               colorType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_PLTE(png, info, palette, paletteSize);
  png_write_info(png, info);
  png_write_image(png, rows);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

// Rows of samples and their pointers for libpng.
struct TRows {
  TRows(int32_t height, size_t rowBytes)
      : Samples(static_cast<size_t>(height), std::vector<uint8_t>(rowBytes)), Pointers(Samples.size()) {
    for (size_t y = 0; y < Samples.size(); ++y) Pointers[y] = Samples[y].data();
  }
  std::vector<std::vector<uint8_t>> Samples;
  std::vector<png_bytep> Pointers;
};

std::vector<uint8_t> Finish(const char* what, bool ok, std::vector<uint8_t>& out) {
  if (!ok) throw std::runtime_error(std::string("libpng could not encode the ") + what);
  return std::move(out);
}

}  // namespace

std::vector<uint8_t> EncodePng(const vorn_dib& picture) {
  const TDib dib(picture);
  const bool indexed = dib.BitCount <= 8;
  TRows rows(picture.height, static_cast<size_t>(picture.width) * (indexed ? 1 : 3));
  for (int32_t y = 0; y < picture.height; ++y) ConvertRow(dib, y, rows.Samples[static_cast<size_t>(y)]);
  std::vector<png_color> palette;
  if (indexed) {
    const size_t entries = size_t{1} << dib.BitCount;
    if (picture.info_size < 40 + 4 * entries) throw std::runtime_error("the colour table is missing");
    for (size_t i = 0; i < entries; ++i) {
      const uint8_t* c = picture.info + 40 + 4 * i;  // blue, green, red, reserved
      palette.push_back({c[2], c[1], c[0]});
    }
  }
  std::vector<uint8_t> out;
  const bool ok = WriteRows(&out, picture.width, picture.height,
                            indexed ? PNG_COLOR_TYPE_PALETTE : PNG_COLOR_TYPE_RGB,
                            rows.Pointers.data(), palette.data(), static_cast<int>(palette.size()));
  return Finish("picture", ok, out);
}

std::vector<uint8_t> EncodePng(const TRgbaPicture& picture) {
  if (picture.Width <= 0 || picture.Height <= 0) throw std::runtime_error("the picture is empty");
  const size_t channels = picture.HasAlpha ? 4 : 3;
  TRows rows(picture.Height, static_cast<size_t>(picture.Width) * channels);
  for (int32_t y = 0; y < picture.Height; ++y) {
    const uint8_t* in = picture.Pixels.data() + static_cast<size_t>(y) * picture.Width * 4;
    uint8_t* o = rows.Samples[static_cast<size_t>(y)].data();
    for (int32_t x = 0; x < picture.Width; ++x, in += 4, o += channels)
      std::memcpy(o, in, channels);
  }
  std::vector<uint8_t> out;
  const bool ok = WriteRows(&out, picture.Width, picture.Height,
                            picture.HasAlpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB,
                            rows.Pointers.data(), nullptr, 0);
  return Finish("picture", ok, out);
}

}  // namespace vorn::tools
