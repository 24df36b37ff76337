#include "format/JpegDecoder.h"

#include <algorithm>
#include <climits>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "support/Messages.h"
#include "support/VornError.h"

extern "C" {
#include <jpeglib.h>
}

namespace vorn {

namespace {

struct TJpegErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

extern "C" void OnJpegError(j_common_ptr info) {
  auto* manager = reinterpret_cast<TJpegErrorManager*>(info->err);
  (*info->err->format_message)(info, manager->message);
  std::longjmp(manager->jump, 1);
}

extern "C" void OnJpegMessage(j_common_ptr, int) {}

struct TJpegProgress {
  jpeg_progress_mgr pub;
  TJpegErrorManager* errors;
  int maxScans;
};

extern "C" void OnJpegProgress(j_common_ptr info) {
  if (!info->is_decompressor) return;
  const auto* decompress = reinterpret_cast<j_decompress_ptr>(info);
  const auto* progress = reinterpret_cast<TJpegProgress*>(info->progress);
  if (decompress->input_scan_number <= progress->maxScans) return;
  TJpegErrorManager* errors = progress->errors;
  std::snprintf(errors->message, sizeof errors->message, "JPEG has more than %d scans",
                progress->maxScans);
  std::longjmp(errors->jump, 1);
}

enum class TJpegStep { Ok, Failed, WrongSize, Unsupported };

// The libjpeg calls live here, in a function without C++ objects that have
// destructors, because libjpeg reports errors by longjmp. The caller turns
// the outcome into an exception. `pixels` is allocated with new[] by the
// second call (header == false).
struct TJpegJob {
  const uint8_t* data;
  size_t size;
  int32_t expectedWidth, expectedHeight;
  jpeg_decompress_struct info;
  TJpegErrorManager errors;
  TJpegProgress progress;
  int32_t width, height, components;
  size_t stride;
  uint8_t* pixels;
};

TJpegStep RunJpeg(TJpegJob& job) {
  job.info.err = jpeg_std_error(&job.errors.pub);
  job.errors.pub.error_exit = OnJpegError;
  job.errors.pub.emit_message = OnJpegMessage;
  job.errors.message[0] = '\0';
  if (setjmp(job.errors.jump)) {
    jpeg_destroy_decompress(&job.info);
    return TJpegStep::Failed;
  }
  jpeg_create_decompress(&job.info);
  job.progress.pub.progress_monitor = OnJpegProgress;
  job.progress.errors = &job.errors;
  job.info.progress = &job.progress.pub;
  // The decoder's own buffers (the whole-image coefficients of a progressive
  // picture) are held to a few bytes per pixel of the expected size; more
  // fails instead of swapping to a backing store, which there is none of.
  job.info.mem->max_memory_to_use = static_cast<long>(
      std::min<uint64_t>(static_cast<uint64_t>(job.expectedWidth > 0 ? job.expectedWidth : 0) *
                                 static_cast<uint64_t>(job.expectedHeight > 0 ? job.expectedHeight : 0) * 16 +
                             (16u << 20),
                         static_cast<uint64_t>(LONG_MAX)));
  jpeg_mem_src(&job.info, job.data, static_cast<unsigned long>(job.size));
  jpeg_read_header(&job.info, TRUE);
  if (static_cast<int64_t>(job.info.image_width) != job.expectedWidth ||
      static_cast<int64_t>(job.info.image_height) != job.expectedHeight) {
    jpeg_destroy_decompress(&job.info);
    return TJpegStep::WrongSize;
  }
  if (job.info.jpeg_color_space == JCS_GRAYSCALE) {
    job.info.out_color_space = JCS_GRAYSCALE;
  } else if (job.info.jpeg_color_space == JCS_YCbCr || job.info.jpeg_color_space == JCS_RGB) {
    job.info.out_color_space = JCS_EXT_BGR;
  } else {
    jpeg_destroy_decompress(&job.info);
    return TJpegStep::Unsupported;
  }
  job.info.dct_method = JDCT_ISLOW;
  job.info.do_fancy_upsampling = TRUE;
  job.info.do_block_smoothing = TRUE;
  jpeg_start_decompress(&job.info);
  job.width = static_cast<int32_t>(job.info.output_width);
  job.height = static_cast<int32_t>(job.info.output_height);
  job.components = job.info.output_components;
  job.stride = static_cast<size_t>(job.width) * static_cast<size_t>(job.components);
  job.pixels = new (std::nothrow) uint8_t[job.stride * static_cast<size_t>(job.height)];
  if (job.pixels == nullptr) {
    jpeg_destroy_decompress(&job.info);
    return TJpegStep::Failed;
  }
  while (job.info.output_scanline < job.info.output_height) {
    JSAMPROW row = job.pixels + job.stride * job.info.output_scanline;
    jpeg_read_scanlines(&job.info, &row, 1);
  }
  jpeg_finish_decompress(&job.info);
  jpeg_destroy_decompress(&job.info);
  return TJpegStep::Ok;
}

}  // namespace

TDecodedPicture DecodeJpegPicture(const uint8_t* data, size_t size, int32_t expectedWidth,
                                  int32_t expectedHeight, int maxScans) {
  if (size == 0) throw EJpegError("Empty input buffer");
  TJpegJob job{};
  job.progress.maxScans = maxScans;
  job.data = data;
  job.size = size;
  job.expectedWidth = expectedWidth;
  job.expectedHeight = expectedHeight;
  const TJpegStep step = RunJpeg(job);
  std::unique_ptr<uint8_t[]> owned(job.pixels);
  switch (step) {
    case TJpegStep::Failed:
      throw EJpegError(job.errors.message[0] ? job.errors.message : "JPEG decoding failed");
    case TJpegStep::WrongSize:
      throw EVornError(kMsgFileDamaged);
    case TJpegStep::Unsupported:
      throw EJpegError("Unsupported JPEG color space");
    case TJpegStep::Ok:
      break;
  }
  TDecodedPicture picture;
  picture.Width = job.width;
  picture.Height = job.height;
  picture.BitCount = job.components == 1 ? 8 : 24;
  picture.Stride = job.stride;
  picture.Pixels.assign(owned.get(), owned.get() + job.stride * static_cast<size_t>(job.height));
  if (picture.BitCount == 8) {
    picture.Palette.resize(256);
    for (int i = 0; i < 256; ++i) {
      const auto v = static_cast<uint8_t>(i);
      picture.Palette[static_cast<size_t>(i)] = {v, v, v, 0};
    }
  }
  return picture;
}

}  // namespace vorn
