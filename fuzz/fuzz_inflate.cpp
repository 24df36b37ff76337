// The whole-block inflater against the streaming one over the same bytes:
// the first three bytes give the output size a block's target takes, the
// rest is the zlib data. Whatever the whole-block inflater accepts, the
// streaming inflater must read to the same bytes and find whole.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <vector>

#include "format/BlockReader.h"
#include "format/WholeInflate.h"
#include "support/Stream.h"

namespace {

// The bytes the streaming path hands a decoder taking up to size bytes; null
// when it fails or finds more data than that.
bool Streamed(const uint8_t* data, size_t size, size_t limit, std::vector<uint8_t>& out) {
  try {
    vorn::TMemoryView view(data, size);
    vorn::TBlockReader reader(view, true, limit);
    out.resize(limit);
    out.resize(reader.Read(out.data(), limit));
    reader.Finish(0);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  const size_t limit = (data[0] | data[1] << 8 | (data[2] & 0x0F) << 16) + 1;  // up to 1 MiB
  data += 3;
  size -= 3;
  std::vector<uint8_t> whole(limit);
  std::vector<uint8_t> streamed;
  size_t produced = 0;
  if (vorn::InflateWhole(data, size, whole.data(), limit, &produced)) {
    if (!Streamed(data, size, limit, streamed) || streamed.size() != produced ||
        std::memcmp(streamed.data(), whole.data(), produced) != 0)
      std::abort();
  }
  if (vorn::InflateWhole(data, size, whole.data(), limit, nullptr)) {
    if (!Streamed(data, size, limit, streamed) || streamed != whole) std::abort();
  }
  return 0;
}
