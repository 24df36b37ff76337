// The C functions of libvorn (include/vorn/vorn.h). Each checks its
// arguments, runs its body in the one guard below, and returns a status:
// nothing thrown inside reaches the caller.
#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <unordered_set>

#include "api/IoStream.h"
#include "api/OpenStream.h"
#include "api/VornImage.h"
#include "format/LoadBudget.h"
#include "format/VornFrame.h"
#include "format/VornHead.h"
#include "vorn/vorn.h"
#include "support/SpinLock.h"
#include "support/Stream.h"
#include "support/VornError.h"
#include "surface/DIBSurface.h"
#include "surface/SurfaceRgba.h"

#include "platform/FileStreams.h"
#include "platform/WideText.h"

using vorn::api::TImageOptions;
using vorn::api::TVornImage;

struct vorn_image {
  explicit vorn_image(std::unique_ptr<TVornImage> image) : Image(std::move(image)) {}
  std::unique_ptr<TVornImage> Image;
};

namespace {

// The images open now, so that a call on one that was closed (or never
// opened) is refused instead of reading freed memory.
class TOpenImages {
 public:
  void Add(vorn_image* image) {
    const vorn::TSpinLock::TGuard guard(lock_);
    images_.insert(image);
  }
  bool Remove(vorn_image* image) {
    const vorn::TSpinLock::TGuard guard(lock_);
    return images_.erase(image) > 0;
  }
  bool Contains(const vorn_image* image) {
    const vorn::TSpinLock::TGuard guard(lock_);
    return images_.count(const_cast<vorn_image*>(image)) > 0;
  }

 private:
  vorn::TSpinLock lock_;
  std::unordered_set<vorn_image*> images_;
};

// Made when the library is loaded, not on first use: a guarded local
// static would take the thread runtime's locks on every load of a DLL.
// Made before (so destroyed after) the other objects of the module: a
// plug-in's objects close the images they hold when the module goes.
__attribute__((init_priority(101))) TOpenImages gOpenImages;
TOpenImages& OpenImages() { return gOpenImages; }

// Runs body on an open image; a failure becomes the image's last error.
template <class Body>
vorn_status Guarded(const vorn_image* handle, Body&& body) noexcept {
  if (handle == nullptr || !OpenImages().Contains(handle)) return VORN_ERROR_ARGUMENT;
  TVornImage& image = *handle->Image;
  try {
    image.ClearError();
    return body(image);
  } catch (const std::exception& e) {
    return image.Fail(e);
  } catch (...) {
    return image.Fail(VORN_ERROR_INTERNAL, "unknown exception");
  }
}

// Opens an image over input; a failure is described in the options' error.
vorn_status Open(std::unique_ptr<vorn::TStream> (*make)(const void*), const void* source,
                 const vorn_options* options, vorn_image** out) noexcept {
  if (out == nullptr) return VORN_ERROR_ARGUMENT;
  *out = nullptr;
  TImageOptions o;
  try {
    o = TImageOptions::From(options);
    std::unique_ptr<vorn::TStream> input = make(source);
    const bool signature = TVornImage::HasSignature(*input);
    auto image = std::make_unique<TVornImage>(std::move(input), o, signature);
    // A failure to open is described as any later one (with the offset
    // where the file was found short), then the image goes.
    try {
      image->Open();
    } catch (const std::exception& e) {
      const vorn_status status = image->Fail(e);
      if (o.Error != nullptr) *o.Error = image->LastError();
      return status;
    }
    auto handle = std::make_unique<vorn_image>(std::move(image));
    OpenImages().Add(handle.get());
    *out = handle.release();
    if (o.Error != nullptr) TVornImage::Describe(*o.Error, VORN_OK, "", -1);
    return VORN_OK;
  } catch (const std::exception& e) {
    const vorn_status status = TVornImage::StatusOf(e, false);
    if (o.Error != nullptr) TVornImage::Describe(*o.Error, status, e.what(), -1);
    return status;
  } catch (...) {
    if (o.Error != nullptr) TVornImage::Describe(*o.Error, VORN_ERROR_INTERNAL, "unknown exception", -1);
    return VORN_ERROR_INTERNAL;
  }
}

// An open refused for its arguments: no image is handed out.
vorn_status Refuse(vorn_image** out) {
  if (out != nullptr) *out = nullptr;
  return VORN_ERROR_ARGUMENT;
}

struct TMemorySource {
  const void* Data;
  size_t Size;
};

vorn_status FillDib(const vorn::TDIBSurface& surface, vorn_dib* out) {
  *out = vorn_dib{};
  out->info = surface.BitmapInfo();
  out->info_size = static_cast<size_t>(std::max(surface.BitmapInfoSize(), 0));
  out->bits = surface.Bits();
  out->bits_size = static_cast<size_t>(std::max(surface.Size(), 0));
  out->width = surface.Width();
  out->height = surface.Height();
  out->bits_per_pixel = surface.Bpp();
  return VORN_OK;
}

}  // namespace

extern "C" {

vorn_status vorn_open_memory(const void* data, size_t size, const vorn_options* options,
                             vorn_image** out) {
  if (data == nullptr && size > 0) return Refuse(out);
  const TMemorySource source{data, size};
  return Open(
      [](const void* s) -> std::unique_ptr<vorn::TStream> {
        const auto& m = *static_cast<const TMemorySource*>(s);
        return std::make_unique<vorn::TMemoryView>(static_cast<const uint8_t*>(m.Data), m.Size);
      },
      &source, options, out);
}

vorn_status vorn_open_file(const char* utf8_path, const vorn_options* options, vorn_image** out) {
  if (utf8_path == nullptr) return Refuse(out);
  return Open(
      [](const void* s) -> std::unique_ptr<vorn::TStream> {
        const auto* path = static_cast<const char*>(s);
#if defined(_WIN32)
        return vorn::platform::OpenFileStreamW(vorn::platform::Utf16FromUtf8(path).c_str());
#else
        return vorn::platform::OpenFileStream(path);
#endif
      },
      utf8_path, options, out);
}

vorn_status vorn_open_io(const vorn_io* io, const vorn_options* options, vorn_image** out) {
  if (io == nullptr || io->read == nullptr || io->seek == nullptr) return Refuse(out);
  return Open(
      [](const void* s) -> std::unique_ptr<vorn::TStream> {
        return std::make_unique<vorn::api::TIoStream>(*static_cast<const vorn_io*>(s));
      },
      io, options, out);
}

}  // extern "C"

vorn_status vorn::api::OpenStream(std::unique_ptr<vorn::TStream> input, const vorn_options* options,
                                  vorn_image** out) noexcept {
  if (!input) return Refuse(out);
  return Open(
      [](const void* s) -> std::unique_ptr<vorn::TStream> {
        return std::move(*static_cast<std::unique_ptr<vorn::TStream>*>(const_cast<void*>(s)));
      },
      &input, options, out);
}

extern "C" {

void vorn_close(vorn_image* image) {
  if (image == nullptr || !OpenImages().Remove(image)) return;
  delete image;
}

vorn_status vorn_get_info(vorn_image* image, vorn_info* info) {
  if (info == nullptr) return VORN_ERROR_ARGUMENT;
  return Guarded(image, [&](TVornImage& i) {
    *info = i.Info();
    return VORN_OK;
  });
}

vorn_status vorn_scan_frames(vorn_image* image, uint32_t* count) {
  if (count == nullptr) return VORN_ERROR_ARGUMENT;
  return Guarded(image, [&](TVornImage& i) {
    *count = i.ScannedFrames();
    return VORN_OK;
  });
}

vorn_status vorn_get_frame_header(vorn_image* image, uint32_t index, vorn_frame_header* header) {
  if (header == nullptr) return VORN_ERROR_ARGUMENT;
  return Guarded(image, [&](TVornImage& i) {
    if (index >= i.ScannedFrames()) return VORN_ERROR_INDEX;
    *header = i.FrameHeader(index);
    return VORN_OK;
  });
}

vorn_status vorn_get_frame_info(vorn_image* image, uint32_t index, vorn_frame_info* info) {
  if (info == nullptr) return VORN_ERROR_ARGUMENT;
  return Guarded(image, [&](TVornImage& i) {
    if (index >= i.FrameCount()) return VORN_ERROR_INDEX;
    *info = i.FrameInfo(index);
    return VORN_OK;
  });
}

vorn_status vorn_decode_frame_rgba(vorn_image* image, uint32_t index, uint8_t* pixels,
                                   size_t stride) {
  if (pixels == nullptr) return VORN_ERROR_ARGUMENT;
  return Guarded(image, [&](TVornImage& i) {
    if (index >= i.FrameCount()) return VORN_ERROR_INDEX;
    const vorn::TDIBSurface& picture = *i.Frame(index).Surface;
    if (stride / 4 < static_cast<size_t>(std::max(picture.Width(), 0)))
      return i.Fail(VORN_ERROR_BUFFER, "the stride is smaller than a row of the frame");
    vorn::CopyToRgba(picture, pixels, stride);
    return VORN_OK;
  });
}

vorn_status vorn_decode_frame_dib(vorn_image* image, uint32_t index, vorn_dib* out) {
  if (out == nullptr) return VORN_ERROR_ARGUMENT;
  return Guarded(image, [&](TVornImage& i) {
    if (index >= i.FrameCount()) return VORN_ERROR_INDEX;
    return FillDib(*i.Frame(index).Surface, out);
  });
}

vorn_status vorn_decode_sheet_dib(vorn_image* image, int32_t screen_width, int32_t screen_height,
                                  vorn_dib* out, uint32_t* shown_frames) {
  if (out == nullptr) return VORN_ERROR_ARGUMENT;
  return Guarded(image, [&](TVornImage& i) {
    uint32_t shown = 0;
    const vorn_status status = FillDib(i.Sheet(screen_width, screen_height, shown), out);
    if (shown_frames != nullptr) *shown_frames = shown;
    return status;
  });
}

vorn_status vorn_decode_all(vorn_image* image) {
  return Guarded(image, [&](TVornImage& i) {
    i.DecodeAll();
    return VORN_OK;
  });
}

vorn_status vorn_last_error(const vorn_image* image, vorn_error_info* info) {
  if (info == nullptr || image == nullptr || !OpenImages().Contains(image)) return VORN_ERROR_ARGUMENT;
  *info = image->Image->LastError();
  return VORN_OK;
}

const char* vorn_status_text(vorn_status status) {
  switch (status) {
    case VORN_OK: return "success";
    case VORN_ERROR_ARGUMENT: return "invalid argument";
    case VORN_ERROR_NOT_VRN: return "not a .vrn file";
    case VORN_ERROR_TRUNCATED: return "file is truncated";
    case VORN_ERROR_DAMAGED: return "file is damaged";
    case VORN_ERROR_COMPRESSED: return "damaged compressed data";
    case VORN_ERROR_JPEG: return "damaged JPEG data";
    case VORN_ERROR_UNSUPPORTED: return "unsupported file version";
    case VORN_ERROR_PASS_CODE: return "the file needs its identification code";
    case VORN_ERROR_LIMIT: return "needs more memory than allowed";
    case VORN_ERROR_NO_MEMORY: return "out of memory";
    case VORN_ERROR_IO: return "cannot read the file";
    case VORN_ERROR_INDEX: return "no frame of that number";
    case VORN_ERROR_BUFFER: return "buffer too small";
    case VORN_ERROR_INTERNAL: return "internal error";
  }
  return "unknown status";
}

int vorn_probe(const void* head, size_t size) {
  if (head == nullptr) return 0;
  const vorn::format::TVornHead h(static_cast<const uint8_t*>(head), size);
  if (h.IsNewGeneration()) return 2;
  return h.HasOldSignature() && h.DecimalVersion().has_value() &&
                 h.Length() >= vorn::format::kHeadSize
             ? 1
             : 0;
}

uint64_t vorn_default_memory_limit(void) { return vorn::TLoadBudget::DefaultLimit(); }

const char* vorn_version(void) { return VORN_VERSION_STRING; }

}  // extern "C"
