// The public C API: pixels as the file holds them (colour order included),
// frame properties, failures reported by status, and misuse refused.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/fixtures/VrnFixtureBuilders.h"
#include "tests/format/ReaderTestHelpers.h"
#include "vorn/vorn.h"

namespace vorn {
namespace {

using namespace fixtures;

// An image over its own copy of the bytes: memory input is read where it lies.
struct TImage {
  explicit TImage(std::vector<uint8_t> bytes, vorn_options* options = nullptr)
      : Bytes(std::move(bytes)), Status(vorn_open_memory(Bytes.data(), Bytes.size(), options, &Image)) {}
  ~TImage() { vorn_close(Image); }
  std::vector<uint8_t> Bytes;
  vorn_image* Image = nullptr;  // before Status, which the open fills it with
  vorn_status Status;
};

// The colour a written pixel stands for, channels widened as the format's
// readers expect: palette entries, 5-5-5 and 5-6-5 words, blue-green-red bytes.
void ExpectedRgb(const FxFrame& frame, const std::vector<uint8_t>& rows, int x, int y, uint8_t* rgb) {
  const uint32_t p = testing::RowPixel(rows, frame.width, frame.bpp, x, y);
  const auto widen = [](uint32_t v, int bits) {
    return static_cast<uint8_t>(bits == 5 ? (v << 3 | v >> 2) : (v << 2 | v >> 4));
  };
  if (frame.bpp <= 8) {
    const FxRgbQuad c = FxFramePalette(frame)[p];
    rgb[0] = c.red, rgb[1] = c.green, rgb[2] = c.blue;
  } else if (frame.bpp == 15) {
    rgb[0] = widen(p >> 10 & 31, 5), rgb[1] = widen(p >> 5 & 31, 5), rgb[2] = widen(p & 31, 5);
  } else if (frame.bpp == 16) {
    rgb[0] = widen(p >> 11 & 31, 5), rgb[1] = widen(p >> 5 & 63, 6), rgb[2] = widen(p & 31, 5);
  } else {
    rgb[0] = static_cast<uint8_t>(p >> 16), rgb[1] = static_cast<uint8_t>(p >> 8), rgb[2] = static_cast<uint8_t>(p);
  }
}

TEST(PublicApi, FramesAsRgbaWithTheirColoursAlphaAndProperties) {
  for (const int32_t bpp : {1, 4, 8, 15, 16, 24, 32}) {
    FxSimpleOptions o{.width = 7, .height = 5, .bpp = bpp, .frames = 2};
    o.alpha = bpp == 32;
    FxFile file = MakeSimpleFile(o);
    for (FxLayer& layer : file.frames[1].layers) layer.alphaOn = o.alpha;
    file.frames[1].name = "\x83t\x83\x8C\x81[\x83\x80";  // "フレーム" in code page 932
    file.frames[1].delay = 40;
    const TImage image(WriteVrn(file));
    ASSERT_EQ(image.Status, VORN_OK) << bpp;
    vorn_info info{};
    ASSERT_EQ(vorn_get_info(image.Image, &info), VORN_OK);
    EXPECT_EQ(info.frame_count, 2u);
    EXPECT_EQ(info.bits_per_pixel, bpp);
    vorn_frame_info frame{};
    ASSERT_EQ(vorn_get_frame_info(image.Image, 1, &frame), VORN_OK);
    EXPECT_STREQ(frame.name, "\xE3\x83\x95\xE3\x83\xAC\xE3\x83\xBC\xE3\x83\xA0");
    EXPECT_EQ(frame.delay_ms, 40u);
    EXPECT_EQ(frame.has_alpha, o.alpha ? 1 : 0);

    const FxLayer& layer = file.frames[1].layers[0];
    std::vector<uint8_t> rgba(7 * 5 * 4 + 8, 0xEE);  // a stride of 7 pixels and 8 spare bytes
    ASSERT_EQ(vorn_decode_frame_rgba(image.Image, 1, rgba.data(), 7 * 4), VORN_OK);
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 7; ++x) {
        uint8_t want[4] = {0, 0, 0, 255};
        ExpectedRgb(file.frames[1], layer.pixels, x, y, want);
        if (o.alpha) want[3] = layer.alphaPlane[FxRowBytes(7, 8) * y + x];
        ASSERT_EQ(std::memcmp(&rgba[(y * 7 + x) * 4], want, 4), 0) << bpp << " at " << x << "," << y;
      }
    EXPECT_EQ(rgba[7 * 5 * 4], 0xEE);  // nothing past the last row
  }
}

TEST(PublicApi, FailuresHaveTheirStatus) {
  const std::vector<uint8_t> valid = WriteVrn(MakeSimpleFile(16, 8, 24, 1, FxGeneration::Xml));
  EXPECT_EQ(TImage({}).Status, VORN_ERROR_NOT_VRN);
  EXPECT_EQ(TImage(std::vector<uint8_t>(300, 0x5A)).Status, VORN_ERROR_NOT_VRN);
  std::vector<uint8_t> future = valid;
  future[5] = '3';  // "VornX300"
  EXPECT_EQ(TImage(future).Status, VORN_ERROR_UNSUPPORTED);
  vorn_error_info error{};
  vorn_options options{};
  options.error = &error;
  const std::vector<uint8_t> cut(valid.begin(), valid.begin() + 12);
  EXPECT_EQ(TImage(cut, &options).Status, VORN_ERROR_TRUNCATED);
  EXPECT_EQ(error.status, VORN_ERROR_TRUNCATED);
  EXPECT_STREQ(error.message, "Stream read error");

  // Past the header the failure belongs to the frame, and the image says why.
  const std::vector<uint8_t> shortData(valid.begin(), valid.end() - 40);
  const TImage damaged(shortData);
  ASSERT_EQ(damaged.Status, VORN_OK);
  EXPECT_EQ(vorn_decode_all(damaged.Image), VORN_ERROR_TRUNCATED);
  ASSERT_EQ(vorn_last_error(damaged.Image, &error), VORN_OK);
  EXPECT_EQ(error.status, VORN_ERROR_TRUNCATED);
  EXPECT_GT(error.offset, 0);

  options.memory_limit = 1000;
  const TImage limited(valid, &options);
  EXPECT_EQ(limited.Status == VORN_ERROR_LIMIT || vorn_decode_all(limited.Image) == VORN_ERROR_LIMIT, true);
}

TEST(PublicApi, ReaderCallbacksAndAllocatorAreUsedAndEverythingGoesBack) {
  const std::vector<uint8_t> bytes = WriteVrn(MakeSimpleFile(20, 10, 32, 3));
  struct TSource {
    const std::vector<uint8_t>* Bytes;
    size_t At = 0;
    int Blocks = 0;
    bool FailReads = false;
  } source{&bytes};
  vorn_io io{};
  io.size = bytes.size();
  io.user = &source;
  io.read = [](void* user, void* buffer, size_t count) -> size_t {
    auto& s = *static_cast<TSource*>(user);
    if (s.FailReads) return static_cast<size_t>(-1);
    const size_t n = std::min(count, s.Bytes->size() - s.At);
    std::memcpy(buffer, s.Bytes->data() + s.At, n);
    s.At += n;
    return n;
  };
  io.seek = [](void* user, uint64_t position) {
    static_cast<TSource*>(user)->At = static_cast<size_t>(position);
    return 0;
  };
  const vorn_allocator allocator{
      [](void* user, size_t size) -> void* { return ++static_cast<TSource*>(user)->Blocks, calloc(size, 1); },
      [](void* user, void* block) { --static_cast<TSource*>(user)->Blocks, free(block); }, &source};
  vorn_options options{};
  options.allocator = &allocator;
  vorn_image* image = nullptr;
  ASSERT_EQ(vorn_open_io(&io, &options, &image), VORN_OK);
  vorn_dib dib{};
  ASSERT_EQ(vorn_decode_sheet_dib(image, 1000, 1000, &dib, nullptr), VORN_OK);
  EXPECT_EQ(dib.width, 60);
  EXPECT_GT(source.Blocks, 0);
  vorn_close(image);
  EXPECT_EQ(source.Blocks, 0);

  source.FailReads = true;
  EXPECT_EQ(vorn_open_io(&io, nullptr, &image), VORN_ERROR_IO);
  EXPECT_EQ(image, nullptr);
}

TEST(PublicApi, AnAllocatorThatFailsAtAnyBlockFailsTheCallAndGetsEveryBlockBack) {
  // Two frames of three layers with alpha: composites, layers, alpha
  // channels and the sheet all come from the allocator.
  FxSimpleOptions o{.width = 12, .height = 7, .bpp = 24, .frames = 2, .layersPerFrame = 3, .alpha = true};
  const std::vector<uint8_t> bytes = WriteVrn(MakeSimpleFile(o));
  struct TBudget {
    int Left = 0;
    int Live = 0;
  } budget;
  const vorn_allocator allocator{
      [](void* user, size_t size) -> void* {
        auto& b = *static_cast<TBudget*>(user);
        if (b.Left-- <= 0) return nullptr;
        ++b.Live;
        return calloc(size, 1);
      },
      [](void* user, void* block) { --static_cast<TBudget*>(user)->Live, free(block); }, &budget};
  vorn_options options{};
  options.allocator = &allocator;
  for (int allowed = 0;; ++allowed) {
    budget.Left = allowed;
    vorn_image* image = nullptr;
    ASSERT_EQ(vorn_open_memory(bytes.data(), bytes.size(), &options, &image), VORN_OK);
    vorn_dib dib{};
    const vorn_status status = vorn_decode_sheet_dib(image, 100, 100, &dib, nullptr);
    vorn_close(image);
    EXPECT_EQ(budget.Live, 0) << allowed;
    if (status == VORN_OK) break;
    ASSERT_EQ(status, VORN_ERROR_NO_MEMORY) << allowed;
    ASSERT_LT(allowed, 100);
  }
}

TEST(PublicApi, AFrameAskedForAheadIsReadByItselfWhereNoBlockCanCopyFromAnother) {
  for (const auto generation : {FxGeneration::Binary, FxGeneration::Xml}) {
    for (const int32_t blockSide : {0, 4}) {
      FxFile file = MakeSimpleFile(FxSimpleOptions{.width = 8, .height = 8, .frames = 3,
                                                   .generation = generation, .blockWidth = blockSide,
                                                   .blockHeight = blockSide});
      file.frames[1].layers[0].colorBytes = std::vector<uint8_t>{0x78, 0x9C, 0xFF, 0xFF};  // damaged zlib
      const TImage image(WriteVrn(file));
      ASSERT_EQ(image.Status, VORN_OK);
      vorn_dib dib{};
      // Rows: frame 2 does not need the damaged frame 1; blocks might.
      EXPECT_EQ(vorn_decode_frame_dib(image.Image, 2, &dib) == VORN_OK, blockSide == 0);
      EXPECT_NE(vorn_decode_frame_dib(image.Image, 1, &dib), VORN_OK);
      EXPECT_EQ(vorn_decode_frame_dib(image.Image, 0, &dib), VORN_OK);
    }
  }
}

// A sheet reads every frame but composes only those it shows: a frame it
// left out, or a sheet that shows more, is read again, equal to a fresh read.
TEST(PublicApi, FramesASheetLeftOutAreReadAgainWhenAskedFor) {
  const auto sheet = [](vorn_image* image, int32_t screenW) {
    vorn_dib dib{};
    if (vorn_decode_sheet_dib(image, screenW, 8, &dib, nullptr) != VORN_OK) return std::vector<uint8_t>{};
    return std::vector<uint8_t>(dib.bits, dib.bits + dib.bits_size);
  };
  const auto frame = [](vorn_image* image, uint32_t index) {
    std::vector<uint8_t> rgba(8 * 8 * 4);
    EXPECT_EQ(vorn_decode_frame_rgba(image, index, rgba.data(), 8 * 4), VORN_OK);
    return rgba;
  };
  for (const auto generation : {FxGeneration::Binary, FxGeneration::Xml}) {
    for (const int32_t blockSide : {0, 4}) {
      FxFile file = MakeSimpleFile(FxSimpleOptions{.width = 8, .height = 8, .frames = 3, .layersPerFrame = 2,
                                                   .generation = generation, .blockWidth = blockSide,
                                                   .blockHeight = blockSide, .alpha = true});
      for (FxFrame& f : file.frames) f.layers[0].alphaOn = true, f.layers[1].alpha = 128;
      file.frames[2].name = "last";
      const std::vector<uint8_t> bytes = WriteVrn(file);
      const TImage fresh(bytes), image(bytes);
      ASSERT_EQ(image.Status, VORN_OK);
      vorn_frame_header header{};
      ASSERT_EQ(vorn_get_frame_header(image.Image, 2, &header), VORN_OK);
      EXPECT_EQ(sheet(image.Image, 8).size(), 8u * 8 * 3);  // frame 0 alone
      EXPECT_EQ(sheet(image.Image, 24), sheet(fresh.Image, 24));
      EXPECT_EQ(sheet(image.Image, 8), sheet(fresh.Image, 8));
      EXPECT_EQ(frame(image.Image, 2), frame(fresh.Image, 2));
      EXPECT_EQ(frame(image.Image, 1), frame(fresh.Image, 1));
      EXPECT_STREQ(header.stored_name, "last");  // kept through the reads again

      // The verdict stays the whole file's.
      file.frames[2].layers[0].colorBytes = std::vector<uint8_t>{0x78, 0x9C, 0xFF, 0xFF};
      const TImage damaged(WriteVrn(file));
      vorn_dib dib{};
      EXPECT_NE(vorn_decode_sheet_dib(damaged.Image, 8, 8, &dib, nullptr), VORN_OK);
    }
  }
}

TEST(PublicApi, MisuseIsRefusedWithAStatus) {
  const std::vector<uint8_t> bytes = WriteVrn(MakeSimpleFile(10, 4, 8, 2));
  vorn_image* image = nullptr;
  EXPECT_EQ(vorn_open_memory(nullptr, 10, nullptr, &image), VORN_ERROR_ARGUMENT);
  EXPECT_EQ(vorn_open_memory(bytes.data(), bytes.size(), nullptr, nullptr), VORN_ERROR_ARGUMENT);
  EXPECT_EQ(vorn_open_file(nullptr, nullptr, &image), VORN_ERROR_ARGUMENT);
  EXPECT_EQ(vorn_open_file("/nonexistent/x.vrn", nullptr, &image), VORN_ERROR_IO);
  EXPECT_EQ(vorn_open_io(nullptr, nullptr, &image), VORN_ERROR_ARGUMENT);
  ASSERT_EQ(vorn_open_memory(bytes.data(), bytes.size(), nullptr, &image), VORN_OK);
  vorn_info info{};
  vorn_frame_info frame{};
  vorn_dib dib{};
  uint8_t pixels[10 * 4 * 4];
  EXPECT_EQ(vorn_get_info(image, nullptr), VORN_ERROR_ARGUMENT);
  EXPECT_EQ(vorn_get_frame_info(image, 2, &frame), VORN_ERROR_INDEX);
  EXPECT_EQ(vorn_decode_frame_rgba(image, 0, pixels, 39), VORN_ERROR_BUFFER);
  EXPECT_EQ(vorn_decode_frame_rgba(image, 0, nullptr, 40), VORN_ERROR_ARGUMENT);
  EXPECT_EQ(vorn_decode_frame_dib(image, 7, &dib), VORN_ERROR_INDEX);
  EXPECT_EQ(vorn_decode_frame_rgba(image, 1, pixels, 40), VORN_OK);
  vorn_close(image);
  EXPECT_EQ(vorn_get_info(image, &info), VORN_ERROR_ARGUMENT);
  EXPECT_EQ(vorn_decode_frame_rgba(image, 0, pixels, 40), VORN_ERROR_ARGUMENT);
  vorn_close(image);  // closing twice does nothing
  vorn_close(nullptr);
  EXPECT_STREQ(vorn_status_text(VORN_ERROR_NOT_VRN), "not a .vrn file");
  EXPECT_EQ(vorn_probe("VornX200", 8), 2);
  EXPECT_EQ(vorn_probe("Vorn103", 7), 1);
  EXPECT_EQ(vorn_probe("Vorn10", 6), 0);
}

}  // namespace
}  // namespace vorn
