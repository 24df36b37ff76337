// A progressive JPEG with one of its scans repeated many times: a small file
// whose every scan makes the decoder pass over the whole picture.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <vector>

extern "C" {
#include <jpeglib.h>
}

namespace vorn::hostile {

// A flat grey w x h picture, progressive, with its smallest AC scan (a few
// bytes of end-of-band runs) repeated until the file has `scans` scans.
inline std::vector<uint8_t> ManyScanJpeg(int w, int h, int scans) {
  jpeg_compress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);  // valid input: libjpeg never fails here
  jpeg_create_compress(&info);
  unsigned char* out = nullptr;
  unsigned long outSize = 0;
  jpeg_mem_dest(&info, &out, &outSize);
  info.image_width = static_cast<JDIMENSION>(w);
  info.image_height = static_cast<JDIMENSION>(h);
  info.input_components = 1;
  info.in_color_space = JCS_GRAYSCALE;
  jpeg_set_defaults(&info);
  jpeg_simple_progression(&info);
  jpeg_start_compress(&info, TRUE);
  std::vector<uint8_t> row(static_cast<size_t>(w), 128);
  while (info.next_scanline < info.image_height) {
    JSAMPROW p = row.data();
    jpeg_write_scanlines(&info, &p, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  std::vector<uint8_t> jpeg(out, out + outSize);
  std::free(out);

  // Find the scans: an SOS segment and its entropy-coded data, up to the
  // next marker that is not a stuffed zero or a restart.
  struct TScan {
    size_t Begin, End;
    bool Ac;
  };
  std::vector<TScan> found;
  size_t eoi = jpeg.size();
  for (size_t i = 2; i + 2 <= jpeg.size();) {
    if (jpeg[i] != 0xFF) throw std::runtime_error("unexpected JPEG layout");
    const uint8_t marker = jpeg[i + 1];
    if (marker == 0xD9) {
      eoi = i;
      break;
    }
    if (i + 4 > jpeg.size()) throw std::runtime_error("unexpected JPEG layout");
    const size_t length = static_cast<size_t>(jpeg[i + 2] << 8 | jpeg[i + 3]);
    size_t next = i + 2 + length;
    if (marker == 0xDA) {
      const size_t ss = i + 4 + 1 + 2 * jpeg[i + 4];
      while (next + 1 < jpeg.size() &&
             !(jpeg[next] == 0xFF && jpeg[next + 1] != 0 && (jpeg[next + 1] < 0xD0 || jpeg[next + 1] > 0xD7)))
        ++next;
      found.push_back({i, next, jpeg[ss] != 0});
    }
    i = next;
  }
  const TScan* smallest = nullptr;
  for (const TScan& s : found)
    if (s.Ac && (smallest == nullptr || s.End - s.Begin < smallest->End - smallest->Begin)) smallest = &s;
  if (smallest == nullptr) throw std::runtime_error("no AC scan");
  std::vector<uint8_t> result(jpeg.begin(), jpeg.begin() + static_cast<ptrdiff_t>(eoi));
  for (int k = static_cast<int>(found.size()); k < scans; ++k)
    result.insert(result.end(), jpeg.begin() + static_cast<ptrdiff_t>(smallest->Begin),
                  jpeg.begin() + static_cast<ptrdiff_t>(smallest->End));
  result.insert(result.end(), jpeg.begin() + static_cast<ptrdiff_t>(eoi), jpeg.end());
  return result;
}

}  // namespace vorn::hostile
