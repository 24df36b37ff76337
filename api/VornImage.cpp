#include "api/VornImage.h"

#include <algorithm>
#include <cstring>

#include "api/TiledPicture.h"
#include "format/InflateAhead.h"
#include "format/VornFormat.h"
#include "format/VornFrame.h"
#include "format/VornHead.h"
#include "platform/TextConversion.h"
#include "support/Messages.h"
#include "support/VornError.h"
#include "surface/DIBSharedImage.h"
#include "surface/DIBSurface.h"

namespace vorn::api {

uint8_t* TAllocatorMemory::Allocate(size_t size) {
  return static_cast<uint8_t*>(allocator_.alloc(allocator_.opaque, size));
}

void TAllocatorMemory::Free(uint8_t* bytes) { allocator_.free(allocator_.opaque, bytes); }

TImageOptions TImageOptions::From(const vorn_options* options) {
  TImageOptions o;
  o.Limits.Threads = DefaultLoadThreads();
  if (options == nullptr) return o;
  // Only the fields a caller's struct has are read; a size of 0 is the
  // first version's, which ended with error.
  constexpr size_t kFirstVersion = offsetof(vorn_options, error) + sizeof(vorn_error_info*);
  const size_t size = options->struct_size == 0 ? kFirstVersion : options->struct_size;
  const auto has = [&](size_t offset, size_t bytes) { return offset + bytes <= size; };
  if (has(offsetof(vorn_options, pass_code), sizeof options->pass_code)) o.PassCode = options->pass_code;
  if (has(offsetof(vorn_options, memory_limit), sizeof options->memory_limit) &&
      options->memory_limit != 0)
    o.Limits.Memory = options->memory_limit;
  if (has(offsetof(vorn_options, allocator), sizeof options->allocator) &&
      options->allocator != nullptr && options->allocator->alloc != nullptr &&
      options->allocator->free != nullptr)
    o.Allocator = options->allocator;
  if (has(offsetof(vorn_options, error), sizeof options->error)) o.Error = options->error;
  if (has(offsetof(vorn_options, threads), sizeof options->threads) && options->threads != 0)
    o.Limits.Threads = std::min<uint32_t>(options->threads, kMaxLoadThreads);
  return o;
}

bool TVornImage::HasSignature(TStream& input) {
  const int64_t start = input.Position();
  uint8_t bytes[format::kNewHeadSize] = {};
  const size_t got = input.Read(bytes, sizeof bytes);
  input.Seek(start);
  const format::TVornHead head(bytes, got);
  return head.IsNewGeneration() || head.HasOldSignature();
}

TVornImage::TVornImage(std::unique_ptr<TStream> input, const TImageOptions& options,
                       bool signature)
    : input_(std::move(input)),
      start_(input_->Position()),
      allocator_(options.Allocator ? std::make_unique<TAllocatorMemory>(*options.Allocator)
                                   : nullptr),
      passCode_(options.PassCode),
      limits_(options.Limits),
      frames_(std::make_unique<TVornFrameList>(passCode_, limits_, allocator_.get())),
      signature_(signature) {}

void TVornImage::Open() {
  if (input_->Remaining() == 0) throw EVornError(TErrorKind::Damaged, "the file is empty");
  frames_->Open(*input_);
  // A file without a signature is one of ours only if its first frame reads
  // (every caller reads it anyway): other files fail here, as not ours.
  if (!signature_) {
    if (frames_->DeclaredFrames() == 0) throw EVornError(TErrorKind::Damaged, "no signature and no frame");
    frames_->LoadFrames(*input_, 1);
  }
}

void TVornImage::Reopen() {
  frames_.reset();
  frames_ = std::make_unique<TVornFrameList>(passCode_, limits_, allocator_.get());
  input_->Seek(start_);
  Open();
}

TVornImage::~TVornImage() = default;

vorn_info TVornImage::Info() {
  vorn_info info{};
  info.generation = frames_->NewGeneration ? 2 : 1;
  info.version = frames_->NewGeneration ? frames_->Header.Version : frames_->Version;
  if (FrameCount() > 0) {
    const TVornFrame& first = Frame(0);
    info.width = first.Width();
    info.height = first.Height();
    info.bits_per_pixel = first.Bpp();
  }
  info.frame_count = static_cast<uint32_t>(std::min<int64_t>(frames_->DeclaredFrames(), UINT32_MAX));
  const TVornFileHeader& h = frames_->Header;
  const bool scrambled = h.Randomized != 0 && h.CompType != format::kCompJpeg;
  const bool blocks = h.BlockWidth > 0 && h.BlockHeight > 0;
  info.rows_scrambled = scrambled && !blocks;
  info.tables_scrambled = scrambled && blocks;
  return info;
}

const TVornFrame& TVornImage::Frame(uint32_t index) {
  const TVornFrame* frame = nullptr;
  if (index < INT32_MAX) frame = frames_->LoadAlone(*input_, static_cast<int>(index));
  if (frame == nullptr) {
    frames_->LoadFrames(*input_, int64_t{index} + 1);
    frame = &frames_->GetFrame(static_cast<int>(index));
  }
  if (frame->Composed) return *frame;
  // A sheet read this frame only to check it; no frame of a new list is
  // left uncomposed.
  Reopen();
  return Frame(index);
}

vorn_frame_info TVornImage::FrameInfo(uint32_t index) {
  const TVornFrame& frame = Frame(index);
  if (names_.size() <= index) names_.resize(index + 1);
  std::string& name = names_[index];
  if (name.empty() && !frame.Name.empty()) name = platform::Cp932ToUtf8(frame.Name);
  vorn_frame_info info{};
  info.name = name.c_str();
  info.delay = frame.Delay;
  info.delay_ms = static_cast<uint32_t>(std::max(frame.Delay, 0));
  info.width = frame.Width();
  info.height = frame.Height();
  info.bits_per_pixel = frame.Bpp();
  info.has_alpha = frame.Surface->AlphaChannel != nullptr;
  return info;
}

uint32_t TVornImage::ScannedFrames() {
  const size_t count = frames_->FrameHeaders(*input_).size();
  return static_cast<uint32_t>(std::min<size_t>(count, UINT32_MAX));
}

vorn_frame_header TVornImage::FrameHeader(uint32_t index) {
  const TFrameHeader& frame = frames_->FrameHeaders(*input_).at(index);
  if (headerNames_.size() <= index) headerNames_.resize(index + 1);
  std::string& name = headerNames_[index];
  if (name.empty() && !frame.Name.empty()) name = platform::Cp932ToUtf8(frame.Name);
  const TDIBLayout layout = DIBLayout(frame.Width, frame.Height, frame.Bpp);
  vorn_frame_header header{};
  header.name = name.c_str();
  if (storedNames_.size() <= index) storedNames_.resize(index + 1);
  if (storedNames_[index].empty()) storedNames_[index] = frame.Name;
  header.stored_name = storedNames_[index].c_str();
  header.delay = frame.Delay;
  header.delay_ms = static_cast<uint32_t>(std::max(frame.Delay, 0));
  header.width = frame.Width;
  header.height = frame.Height;
  header.bits_per_pixel = frame.Bpp;
  header.dib_info_size = layout.InfoSize;
  header.dib_bits_size = layout.BitsSize;
  return header;
}

void TVornImage::DecodeAll() { frames_->LoadFrames(*input_, INT64_MAX); }

const TDIBSurface& TVornImage::Sheet(int32_t screenW, int32_t screenH, uint32_t& shown) {
  sheet_.reset();
  // The first frame's size and the declared count give the grid before the
  // other frames are read; a load that reads them all ends with that count.
  frames_->LoadFrames(*input_, 1);
  int64_t composed = INT64_MAX;
  if (frames_->Count() > 0) {
    const TDIBSurface& first = *frames_->GetFrame(0).Surface;
    if (first.Width() != 0 && first.Height() != 0) {
      const auto count = static_cast<int32_t>(std::min<int64_t>(frames_->DeclaredFrames(), INT32_MAX));
      composed = TFrameGrid::Fit(first.Width(), first.Height(), count, screenW, screenH).Shown;
    }
  }
  // An earlier sheet may have left frames this one shows uncomposed.
  for (int i = 0; i < frames_->Count() && i < composed; ++i)
    if (!frames_->GetFrame(i).Composed) {
      Reopen();
      break;
    }
  frames_->LoadFrames(*input_, INT64_MAX, composed);
  const TDIBSurface& first = *frames_->GetFrame(0).Surface;
  shown = static_cast<uint32_t>(
      TFrameGrid::Fit(first.Width(), first.Height(), frames_->Count(), screenW, screenH).Shown);
  // A picture of one frame is that frame's composite, as it is.
  if (const TDIBSurface* single = SingleFramePicture(*frames_, screenW, screenH)) return *single;
  sheet_ = BuildTiledPicture(*frames_, screenW, screenH);
  return *sheet_;
}

vorn_status TVornImage::StatusOf(const std::exception& e, bool signature) {
  const TErrorKind kind = ErrorKindOf(e);
  switch (kind) {
    case TErrorKind::Truncated:
    case TErrorKind::Damaged:
    case TErrorKind::Unsupported:
    case TErrorKind::Compressed:
    case TErrorKind::Jpeg:
      if (!signature) return VORN_ERROR_NOT_VRN;
      break;
    default:
      break;
  }
  switch (kind) {
    case TErrorKind::Truncated: return VORN_ERROR_TRUNCATED;
    case TErrorKind::Io: return VORN_ERROR_IO;
    case TErrorKind::Damaged: return VORN_ERROR_DAMAGED;
    case TErrorKind::Unsupported: return VORN_ERROR_UNSUPPORTED;
    case TErrorKind::Compressed: return VORN_ERROR_COMPRESSED;
    case TErrorKind::Jpeg: return VORN_ERROR_JPEG;
    case TErrorKind::PassCode: return VORN_ERROR_PASS_CODE;
    case TErrorKind::Limit: return VORN_ERROR_LIMIT;
    case TErrorKind::Argument: return VORN_ERROR_ARGUMENT;
    case TErrorKind::NoMemory: return VORN_ERROR_NO_MEMORY;
    case TErrorKind::Settings:
    case TErrorKind::Internal: break;
  }
  return VORN_ERROR_INTERNAL;
}

void TVornImage::Describe(vorn_error_info& info, vorn_status status, const char* message,
                          int64_t offset) {
  info.status = status;
  info.offset = offset;
  const size_t n = std::min(std::strlen(message), sizeof info.message - 1);
  std::memcpy(info.message, message, n);
  info.message[n] = '\0';
}

vorn_status TVornImage::Fail(const std::exception& e) {
  const vorn_status status = StatusOf(e, signature_);
  const bool short_ = ErrorKindOf(e) == TErrorKind::Truncated;
  Describe(error_, status, e.what(), short_ ? input_->Position() : -1);
  return status;
}

vorn_status TVornImage::Fail(vorn_status status, const char* message) {
  Describe(error_, status, message, -1);
  return status;
}

void TVornImage::ClearError() { error_ = vorn_error_info{VORN_OK, -1, {}}; }

}  // namespace vorn::api
