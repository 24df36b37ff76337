// Inflates a whole zlib stream held in memory in one call (libdeflate), at
// about twice the speed of zlib's streaming inflate. It answers only for
// streams that are whole and undamaged and fit the output; for any other it
// says no, and the caller reads the same bytes with the streaming inflater,
// whose results (partial data and failures included) are the reference.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vorn {

// Inflates the zlib stream at the start of in (bytes after its end are not
// read) into out. With produced null, true only when it makes exactly
// outSize bytes; otherwise true when it makes at most outSize bytes, their
// number in *produced. The contents of out are undefined after false.
bool InflateWhole(const uint8_t* in, size_t inSize, uint8_t* out, size_t outSize,
                  size_t* produced);

}  // namespace vorn
