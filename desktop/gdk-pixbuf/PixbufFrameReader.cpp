#include "desktop/gdk-pixbuf/PixbufFrameReader.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

namespace vorn::desktop {

void SetVornError(GError** error, vorn_status status) {
  GdkPixbufError code = GDK_PIXBUF_ERROR_CORRUPT_IMAGE;
  switch (status) {
    case VORN_ERROR_NOT_VRN:
    case VORN_ERROR_UNSUPPORTED:
      code = GDK_PIXBUF_ERROR_UNKNOWN_TYPE;
      break;
    case VORN_ERROR_LIMIT:
    case VORN_ERROR_NO_MEMORY:
      code = GDK_PIXBUF_ERROR_INSUFFICIENT_MEMORY;
      break;
    case VORN_ERROR_PASS_CODE:
    case VORN_ERROR_IO:
    case VORN_ERROR_ARGUMENT:
    case VORN_ERROR_BUFFER:
    case VORN_ERROR_INTERNAL:
      code = GDK_PIXBUF_ERROR_FAILED;
      break;
    default:
      break;
  }
  g_set_error_literal(error, GDK_PIXBUF_ERROR, code, vorn_status_text(status));
}

void ReleaseFrames(std::vector<TPixbufFrame>& frames) {
  for (TPixbufFrame& frame : frames) g_object_unref(frame.Pixbuf);
  frames.clear();
}

TPixbufFrameReader::~TPixbufFrameReader() {
  ReleaseFrames(frames_);
  vorn_close(image_);
}

bool TPixbufFrameReader::Open(const uint8_t* data, size_t size, GError** error) {
  // An empty input is "not a .vrn file", not a null pointer.
  static const uint8_t kNothing = 0;
  vorn_options options{};
  options.struct_size = sizeof options;
  vorn_status status = vorn_open_memory(size > 0 ? data : &kNothing, size, &options, &image_);
  vorn_frame_info first{};
  if (status == VORN_OK) status = vorn_get_frame_info(image_, 0, &first);
  if (status == VORN_OK && (first.width <= 0 || first.height <= 0)) status = VORN_ERROR_DAMAGED;
  if (status != VORN_OK) {
    SetVornError(error, status);
    return false;
  }
  width_ = first.width;
  height_ = first.height;
  return true;
}

bool TPixbufFrameReader::ReadFrames(bool everyFrame, GError** error) {
  uint32_t count = 1;
  if (everyFrame && (vorn_scan_frames(image_, &count) != VORN_OK || count == 0)) count = 1;
  // What the frames may hold together: the library's limit for one image.
  const uint64_t limit = vorn_default_memory_limit();
  uint64_t held = 0;
  ReleaseFrames(frames_);
  for (uint32_t index = 0; index < count; ++index) {
    vorn_status status = VORN_OK;
    vorn_frame_info info{};
    const uint64_t bytes = static_cast<uint64_t>(width_) * static_cast<uint64_t>(height_) * 4;
    if (index > 0 && held + bytes > limit) break;
    GdkPixbuf* pixbuf = ReadFrame(index, info, status);
    if (pixbuf != nullptr) {
      try {
        const int delay = static_cast<int>(std::min<uint32_t>(info.delay_ms, G_MAXINT));
        frames_.push_back({pixbuf, std::max(delay, kMinimumFrameDelayMs)});
      } catch (const std::bad_alloc&) {
        g_object_unref(pixbuf);
        pixbuf = nullptr;
        status = VORN_ERROR_NO_MEMORY;
      }
    }
    if (pixbuf == nullptr) {
      if (index == 0) {
        SetVornError(error, status);
        return false;
      }
      break;
    }
    held += bytes;
  }
  return true;
}

GdkPixbuf* TPixbufFrameReader::ReadFrame(uint32_t index, vorn_frame_info& info, vorn_status& status) {
  status = vorn_get_frame_info(image_, index, &info);
  if (status != VORN_OK) return nullptr;
  if (info.width <= 0 || info.height <= 0 ||
      static_cast<uint64_t>(info.width) > std::numeric_limits<size_t>::max() / 4 / static_cast<uint64_t>(info.height)) {
    status = VORN_ERROR_DAMAGED;
    return nullptr;
  }
  const size_t stride = static_cast<size_t>(info.width) * 4;
  uint8_t* rgba = static_cast<uint8_t*>(g_try_malloc(stride * static_cast<size_t>(info.height)));
  if (rgba == nullptr) {
    status = VORN_ERROR_NO_MEMORY;
    return nullptr;
  }
  status = vorn_decode_frame_rgba(image_, index, rgba, stride);
  const bool covers = info.width >= width_ && info.height >= height_;
  const bool alpha = info.has_alpha != 0 || !covers;
  GdkPixbuf* pixbuf = nullptr;
  if (status == VORN_OK) {
    pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, alpha, 8, width_, height_);
    if (pixbuf == nullptr) status = VORN_ERROR_NO_MEMORY;
  }
  if (pixbuf != nullptr) {
    if (!covers) gdk_pixbuf_fill(pixbuf, 0);
    guchar* pixels = gdk_pixbuf_get_pixels(pixbuf);
    const size_t rowstride = static_cast<size_t>(gdk_pixbuf_get_rowstride(pixbuf));
    const int rows = std::min(height_, info.height), columns = std::min(width_, info.width);
    for (int y = 0; y < rows; ++y) {
      const uint8_t* from = rgba + stride * static_cast<size_t>(y);
      guchar* to = pixels + rowstride * static_cast<size_t>(y);
      if (alpha) {
        std::memcpy(to, from, static_cast<size_t>(columns) * 4);
      } else {
        for (int x = 0; x < columns; ++x, from += 4, to += 3) std::memcpy(to, from, 3);
      }
    }
  }
  g_free(rgba);
  return pixbuf;
}

}  // namespace vorn::desktop
