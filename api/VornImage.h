// The object behind a vorn_image: an opened input, the frame list read from
// it step by step as frames are asked for, and what the last failure was.
// Everything the C functions do happens here, in C++; they only guard it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <deque>

#include "format/VornFrameList.h"
#include "vorn/vorn.h"
#include "support/Stream.h"
#include "surface/PixelMemory.h"

namespace vorn {

class TDIBSurface;
class TVornFrame;

namespace api {

// Pixel blocks from a caller's vorn_allocator.
class TAllocatorMemory final : public TPixelMemory {
 public:
  explicit TAllocatorMemory(const vorn_allocator& allocator) : allocator_(allocator) {}
  uint8_t* Allocate(size_t size) override;
  void Free(uint8_t* bytes) override;

 private:
  vorn_allocator allocator_;
};

// The options of an open, read once: defaults filled in, and only the fields
// the caller's version of the struct has.
struct TImageOptions {
  int32_t PassCode = 0;
  TLoadLimits Limits;
  const vorn_allocator* Allocator = nullptr;
  vorn_error_info* Error = nullptr;
  static TImageOptions From(const vorn_options* options);
};

class TVornImage {
 public:
  TVornImage(std::unique_ptr<TStream> input, const TImageOptions& options, bool signature);
  // Reads the signature and the file's header (and of a file without a
  // signature its first frame). Fails with the reader's exceptions.
  void Open();
  // Whether the input's first bytes carry a signature of the format; it is
  // left where it was.
  static bool HasSignature(TStream& input);
  ~TVornImage();
  TVornImage(const TVornImage&) = delete;
  TVornImage& operator=(const TVornImage&) = delete;

  // The frames the file declares.
  int64_t FrameCount() const { return frames_->DeclaredFrames(); }
  vorn_info Info();
  vorn_frame_info FrameInfo(uint32_t index);
  // The frames' headers, scanned once without decoding.
  uint32_t ScannedFrames();
  vorn_frame_header FrameHeader(uint32_t index);
  // Frame index (below FrameCount), decoded along with every frame before it
  // (and read again from the start where a sheet left it not composed).
  const TVornFrame& Frame(uint32_t index);
  void DecodeAll();
  // The tiled picture of every frame for a screen of screenW x screenH,
  // kept until the next call; shown is how many frames it shows. Every
  // frame is read (the file's verdict is the whole file's); those outside
  // the grid are not composed.
  const TDIBSurface& Sheet(int32_t screenW, int32_t screenH, uint32_t& shown);

  // Turns the exception being handled into a status, and remembers it as
  // the last error (with the input's position where it was found short).
  vorn_status Fail(const std::exception& e);
  vorn_status Fail(vorn_status status, const char* message);
  const vorn_error_info& LastError() const { return error_; }
  void ClearError();

  // The status of an exception from opening or reading input with the given
  // head: a file without a signature that does not read is not one of ours.
  static vorn_status StatusOf(const std::exception& e, bool signature);
  // Fills info for a failure.
  static void Describe(vorn_error_info& info, vorn_status status, const char* message,
                       int64_t offset);

 private:
  // A new frame list, opened at the input's start: the frames read so far
  // are dropped.
  void Reopen();

  std::unique_ptr<TStream> input_;
  int64_t start_ = 0;  // where the picture starts in input_
  std::unique_ptr<TAllocatorMemory> allocator_;
  int32_t passCode_ = 0;
  TLoadLimits limits_;
  std::unique_ptr<TVornFrameList> frames_;
  bool signature_ = false;
  std::deque<std::string> names_;  // UTF-8, made as asked for; growing keeps them in place
  std::deque<std::string> headerNames_;  // the same for the frames' headers
  std::deque<std::string> storedNames_;  // and their bytes as stored (the list may be read again)
  std::unique_ptr<TDIBSurface> sheet_;
  vorn_error_info error_{};
};

}  // namespace api
}  // namespace vorn
