// The two helpers the reader uses around its compressed data.
#pragma once

#include <cstdint>
#include <limits>

#include "support/Stream.h"

namespace vorn {

// Replaces the whole content of m by its zlib-inflated form; m's position is
// 0 afterwards. Truncated compressed data is no error (m gets what inflated),
// bytes after the end of the compressed data are dropped, and damaged data
// raises EZDecompressionError with zlib's message ("data error", ...) while
// m's bytes stay as they were. Inflation stops once maxOutput bytes have been
// produced: what lies beyond cannot be used by the caller, so it is not made.
void DecompressInPlace(TMemoryStream& m,
                       size_t maxOutput = std::numeric_limits<size_t>::max());

// Copies n bytes from s's position into d (appending at d's position) and
// returns n. n = 0 copies the whole of s from its start. A negative n or one
// larger than what s still holds fails with EReadError before anything is
// copied.
int32_t CopyFromStream(TMemoryStream& d, TStream& s, int32_t n);

}  // namespace vorn
