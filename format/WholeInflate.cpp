#include "format/WholeInflate.h"

#include <libdeflate.h>

#include <memory>

namespace vorn {

bool InflateWhole(const uint8_t* in, size_t inSize, uint8_t* out, size_t outSize,
                  size_t* produced) {
  const std::unique_ptr<libdeflate_decompressor, void (*)(libdeflate_decompressor*)> inflater(
      libdeflate_alloc_decompressor(), libdeflate_free_decompressor);
  if (!inflater || in == nullptr || out == nullptr) return false;
  size_t used = 0;
  return libdeflate_zlib_decompress_ex(inflater.get(), in, inSize, out, outSize, &used,
                                       produced) == LIBDEFLATE_SUCCESS;
}

}  // namespace vorn
