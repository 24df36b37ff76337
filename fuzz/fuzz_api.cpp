// The public C API on memory input: open, the file's and every frame's
// properties, every frame as RGBA and as a DIB, and the tiled sheet. The
// first byte chooses a pass code. Invariants: a frame's RGBA fills exactly
// its rows; a DIB's blocks have the sizes its header states; failures leave
// a status that names them and never touch the caller's buffers beyond
// their size.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/FuzzSettings.h"
#include "vorn/vorn.h"

namespace {

// Enough frames to reach every code path; the rest of a long animation
// only repeats them.
constexpr uint32_t kMaxFrames = 16;
// A 1-bit frame within the memory limit can stand for 32 times its bytes in
// RGBA: larger frames are decoded as DIBs only.
constexpr uint64_t kMaxRgbaPixels = 4u << 20;

void CheckDib(const vorn_dib& dib, const char* what) {
  if (dib.info_size < 40 && dib.bits_size > 0) vorn::fuzz::Fail(std::string(what) + ": no header");
  if (dib.info_size >= 40) {
    int32_t w = 0, h = 0;
    std::memcpy(&w, dib.info + 4, 4);
    std::memcpy(&h, dib.info + 8, 4);
    const int bits = dib.info[14] | dib.info[15] << 8;
    const uint64_t rowBytes = (static_cast<uint64_t>(w) * static_cast<uint64_t>(bits) + 31) / 32 * 4;
    if (w != dib.width || h != dib.height || rowBytes * static_cast<uint64_t>(h) != dib.bits_size)
      vorn::fuzz::Fail(std::string(what) + ": blocks disagree with their header");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  vorn_options options{};
  options.struct_size = sizeof options;
  options.pass_code = data[0] & 1 ? 4242 : 0;
  options.memory_limit = 256u << 20;
  vorn_image* image = nullptr;
  if (vorn_open_memory(data + 1, size - 1, &options, &image) != VORN_OK) {
    if (image != nullptr) vorn::fuzz::Fail("a failed open handed out an image");
    return 0;
  }
  vorn_info info{};
  if (vorn_get_info(image, &info) == VORN_OK) {
    for (uint32_t i = 0; i < info.frame_count && i < kMaxFrames; ++i) {
      vorn_frame_info frame{};
      if (vorn_get_frame_info(image, i, &frame) != VORN_OK) break;
      if (static_cast<uint64_t>(frame.width) * static_cast<uint64_t>(frame.height) <= kMaxRgbaPixels) {
        const size_t stride = static_cast<size_t>(frame.width) * 4 + 4;
        std::vector<uint8_t> rgba(stride * static_cast<size_t>(frame.height) + 1, 0xA5);
        if (vorn_decode_frame_rgba(image, i, rgba.data(), stride) != VORN_OK)
          vorn::fuzz::Fail("a frame whose properties read does not decode");
        if (rgba.back() != 0xA5) vorn::fuzz::Fail("RGBA written past the last row");
      }
      vorn_dib dib{};
      if (vorn_decode_frame_dib(image, i, &dib) == VORN_OK) CheckDib(dib, "frame");
    }
    vorn_dib sheet{};
    uint32_t shown = 0;
    if (vorn_decode_sheet_dib(image, 1024, 768, &sheet, &shown) == VORN_OK) {
      CheckDib(sheet, "sheet");
      if (shown == 0 || shown > info.frame_count) vorn::fuzz::Fail("the sheet shows no frame");
    }
  }
  vorn_error_info error{};
  if (vorn_last_error(image, &error) != VORN_OK) vorn::fuzz::Fail("an open image has no last error");
  if (error.status != VORN_OK && vorn_status_text(error.status)[0] == 0)
    vorn::fuzz::Fail("a status without text");
  vorn_close(image);
  return 0;
}
