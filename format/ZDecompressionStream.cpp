#include "format/ZDecompressionStream.h"

#include <zlib.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "format/BlockReader.h"
#include "support/Messages.h"
#include "support/VornError.h"

namespace vorn {

const char* ZErrorMessage(int code) {
  switch (code) {
    case Z_NEED_DICT: return "need dictionary";
    case Z_ERRNO: return "file error";
    case Z_STREAM_ERROR: return "stream error";
    case Z_DATA_ERROR: return "data error";
    case Z_MEM_ERROR: return "insufficient memory";
    case Z_BUF_ERROR: return "buffer error";
    case Z_VERSION_ERROR: return "incompatible version";
    default: return "";
  }
}

struct TZDecompressionStream::TState {
  z_stream z{};
  // Not cleared: only what the source delivers is ever read from it.
  std::unique_ptr<uint8_t[]> input;
  // The source's bytes when it holds them in memory: inflate reads them
  // where they are instead of a copy in input.
  const uint8_t* memory = nullptr;
};

namespace {

// zlib counts in uInt; on 64-bit hosts a request is handed over in pieces.
constexpr size_t kMaxZChunk = 0x40000000;

void Check(int code) {
  if (code < 0) throw EZDecompressionError(ZErrorMessage(code));
}

}  // namespace

TZDecompressionStream::TZDecompressionStream(TStream& source)
    : source_(source), sourcePosition_(source.Position()), state_(std::make_unique<TState>()) {
  state_->memory = source.ContiguousBytes();
  if (state_->memory == nullptr) state_->input.reset(new uint8_t[kInputChunk]);
  Check(inflateInit(&state_->z));
}

TZDecompressionStream::~TZDecompressionStream() { inflateEnd(&state_->z); }

size_t TZDecompressionStream::Read(void* buffer, size_t count) {
  z_stream& z = state_->z;
  auto* out = static_cast<uint8_t*>(buffer);
  size_t left = count;
  if (source_.Position() != sourcePosition_) source_.Seek(sourcePosition_);
  while (left > 0 && !finished_) {
    if (z.avail_in == 0) {
      if (state_->memory != nullptr) {
        // All that is left at once, taken where it lies.
        const int64_t at = source_.Position();
        const auto got = static_cast<size_t>(std::min<int64_t>(source_.Remaining(), kMaxZChunk));
        if (got == 0) break;  // the compressed data ends early: hand out what there is
        source_.Seek(at + static_cast<int64_t>(got));
        sourcePosition_ = source_.Position();
        z.next_in = const_cast<Bytef*>(state_->memory + at);
        z.avail_in = static_cast<uInt>(got);
      } else {
        const size_t got = source_.Read(state_->input.get(), kInputChunk);
        if (got == 0) break;  // the compressed data ends early: hand out what there is
        sourcePosition_ = source_.Position();
        z.next_in = state_->input.get();
        z.avail_in = static_cast<uInt>(got);
      }
    }
    const size_t piece = std::min(left, kMaxZChunk);
    z.next_out = out;
    z.avail_out = static_cast<uInt>(piece);
    const int result = inflate(&z, Z_NO_FLUSH);
    Check(result);
    // A preset dictionary is never supplied: inflate would ask again for ever.
    if (result == Z_NEED_DICT) throw EZDecompressionError(ZErrorMessage(result));
    const size_t produced = piece - z.avail_out;
    out += produced;
    left -= produced;
    produced_ += static_cast<int64_t>(produced);
    if (result == Z_STREAM_END) finished_ = true;
  }
  if (finished_ && z.avail_in > 0) {
    // What follows the compressed data belongs to the source, not to us.
    sourcePosition_ = source_.Position() - static_cast<int64_t>(z.avail_in);
    source_.Seek(sourcePosition_);
    z.avail_in = 0;
  }
  return count - left;
}

}  // namespace vorn
