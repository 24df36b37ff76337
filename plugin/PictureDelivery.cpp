#include "plugin/PictureDelivery.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <unordered_map>

#include "api/OpenStream.h"
#include "api/TiledPicture.h"
#include "config/VornSettings.h"
#include "format/VornFileHeader.h"
#include "format/VornHead.h"
#include "platform/FileStreams.h"
#include "platform/Screen.h"
#include "platform/Trace.h"
#include "plugin/ExportGuard.h"
#include "support/Messages.h"
#include "support/Stream.h"
#include "support/VornError.h"
#include "vorn/vorn.h"

namespace vorn {

namespace {

using platform::THostHandle;
using platform::Trace;

bool IsFileInput(const TPictureRequest& request) { return (request.flag & 7) == 0; }

// Pixel blocks taken from movable host memory while a picture call runs,
// locked while it uses them: the block of the picture it delivers is handed
// to the host as it is instead of being copied into a new one.
class THostPixelMemory final {
 public:
  THostPixelMemory() = default;
  THostPixelMemory(const THostPixelMemory&) = delete;
  THostPixelMemory& operator=(const THostPixelMemory&) = delete;
  ~THostPixelMemory() {
    for (const auto& [bytes, block] : blocks_) Release(block.Handle);
  }

  // The library's allocator over these blocks.
  vorn_allocator Allocator() {
    return vorn_allocator{
        [](void* self, size_t size) -> void* { return static_cast<THostPixelMemory*>(self)->Allocate(size); },
        [](void* self, void* bytes) { static_cast<THostPixelMemory*>(self)->Free(static_cast<uint8_t*>(bytes)); },
        this};
  }

  // The handle of the block at bytes when it is one of these of exactly size
  // bytes, unlocked and no longer freed here; null otherwise.
  THostHandle HandOver(const uint8_t* bytes, size_t size) {
    const auto it = blocks_.find(const_cast<uint8_t*>(bytes));
    if (it == blocks_.end() || it->second.Size != size) return nullptr;
    const THostHandle handle = it->second.Handle;
    platform::HostUnlock(handle);
    blocks_.erase(it);
    return handle;
  }

 private:
  uint8_t* Allocate(size_t size) noexcept {
    const THostHandle handle = platform::HostAlloc(size);
    if (handle == nullptr) return nullptr;
    auto* bytes = static_cast<uint8_t*>(platform::HostLock(handle));
    if (bytes == nullptr) {
      platform::HostFree(handle);
      return nullptr;
    }
    try {
      blocks_.emplace(bytes, TBlock{handle, size});
    } catch (...) {
      Release(handle);
      return nullptr;
    }
    return bytes;
  }

  void Free(uint8_t* bytes) noexcept {
    const auto it = blocks_.find(bytes);
    if (it == blocks_.end()) return;  // handed over to the host
    Release(it->second.Handle);
    blocks_.erase(it);
  }

  struct TBlock {
    THostHandle Handle;
    size_t Size;
  };
  static void Release(THostHandle handle) {
    platform::HostUnlock(handle);
    platform::HostFree(handle);
  }
  std::unordered_map<uint8_t*, TBlock> blocks_;
};

// The input of a picture call: a file from byte offset len on, or the host's
// len bytes, read where they lie (nothing of it is kept after the call).
class TPictureInput {
 public:
  explicit TPictureInput(const TPictureRequest& request) {
    if (IsFileInput(request)) {
      stream_ = request.wideName != nullptr ? platform::OpenFileStreamW(request.wideName)
                                            : platform::OpenFileStream(request.buf);
      stream_->Seek(request.len);
      offset_ = request.len;
    } else {
      if (request.buf == nullptr || request.len <= 0) throw EReadError(kMsgStreamRead);
      stream_ = std::make_unique<TMemoryView>(reinterpret_cast<const uint8_t*>(request.buf),
                                              static_cast<size_t>(request.len));
    }
  }

  TStream& Stream() { return *stream_; }

  // Opens the picture from the input's start with the library.
  vorn_image* Open(int32_t passCode, const vorn_allocator* allocator) {
    vorn_options options{};
    options.struct_size = sizeof options;
    options.pass_code = passCode;
    options.allocator = allocator;
    vorn_image* image = nullptr;
    if (const uint8_t* bytes = stream_->ContiguousBytes()) {
      if (vorn_open_memory(bytes, static_cast<size_t>(stream_->Size()), &options, &image) != VORN_OK)
        return nullptr;
      return image;
    }
    // A file is read from the picture's offset on, at offsets (so that
    // the library's workers may read it too).
    const int64_t size = std::max<int64_t>(stream_->Size() - offset_, 0);
    if (api::OpenStream(std::make_unique<TStreamRange>(*stream_, offset_, size), &options, &image) !=
        VORN_OK)
      return nullptr;
    return image;
  }

 private:
  std::unique_ptr<TStream> stream_;
  int64_t offset_ = 0;
};

// An image open for one call; closed on every path.
class TOpenImage {
 public:
  TOpenImage(TPictureInput& input, int32_t passCode, const vorn_allocator* allocator)
      : image_(input.Open(passCode, allocator)) {
    if (image_ == nullptr) throw EVornError(kMsgFileDamaged);
  }
  ~TOpenImage() { vorn_close(image_); }
  TOpenImage(const TOpenImage&) = delete;
  TOpenImage& operator=(const TOpenImage&) = delete;
  vorn_image* operator*() const { return image_; }

 private:
  vorn_image* image_;
};

void Check(vorn_status status) {
  if (status != VORN_OK) throw EVornError(vorn_status_text(status));
}

// Hands a picture to the host in two movable blocks: the header block, then
// the pixel block. A block that cannot be allocated or locked frees whatever
// this call allocated, clears the host's handles and fails the call, so the
// host never receives an uninitialised block nor has to free half a picture.
// A pixel block taken from pixels is handed over instead of copied.
int32_t Deliver(const vorn_dib& dib, THostHandle* pHBInfo, THostHandle* pHBm,
                THostPixelMemory& pixels) {
  if (pHBInfo == nullptr || pHBm == nullptr) return -1;
  if (dib.info_size == 0 || dib.bits_size == 0) return -1;
  const auto copyInto = [](THostHandle* slot, const uint8_t* bytes, size_t size) {
    *slot = platform::HostAlloc(size);
    if (*slot == nullptr) return false;
    void* memory = platform::HostLock(*slot);
    if (memory == nullptr) {
      platform::HostFree(*slot);
      *slot = nullptr;
      return false;
    }
    std::memcpy(memory, bytes, size);
    platform::HostUnlock(*slot);
    return true;
  };
  if (!copyInto(pHBInfo, dib.info, dib.info_size)) return -1;
  if (const THostHandle handle = pixels.HandOver(dib.bits, dib.bits_size)) {
    *pHBm = handle;
    return 0;
  }
  if (!copyInto(pHBm, dib.bits, dib.bits_size)) {
    platform::HostFree(*pHBInfo);
    *pHBInfo = nullptr;
    return -1;
  }
  return 0;
}

std::string HeadText(const uint8_t* head, size_t size) {
  const auto* text = reinterpret_cast<const char*>(head);
  return std::string(text, strnlen(text, size));
}

void FillInfo(const TVornFileHeader& header, bool multiImage, SusiePictureInfo& info) {
  int32_t width = header.Width;
  int32_t height = header.Height;
  if (multiImage) {
    const platform::TScreenSize screen = platform::ScreenSize();
    const TFrameGrid grid =
        TFrameGrid::Fit(header.Width, header.Height, header.Count, screen.Width, screen.Height);
    width = header.Width * grid.Columns;
    height = header.Height * grid.Rows;
  }
  std::memset(&info, 0, sizeof info);
  info.left = 0;
  info.top = 0;
  info.width = width;
  info.height = height;
  info.x_density = 1;
  info.y_density = 1;
  info.colorDepth = static_cast<int16_t>(header.Bpp);
  info.hInfo = nullptr;
}

int32_t PreviewBody(const TPictureRequest& request, THostHandle* pHBInfo, THostHandle* pHBm) {
  // Declared first: every block is given back before the memory goes.
  THostPixelMemory pixels;
  const vorn_allocator allocator = pixels.Allocator();
  TPictureInput input(request);
  const TOpenImage image(input, ReadPassCode(), &allocator);
  vorn_dib dib{};
  Check(vorn_decode_frame_dib(*image, 0, &dib));
  return Deliver(dib, pHBInfo, pHBm, pixels);
}

}  // namespace

int32_t GetPictureInfoCall(const TPictureRequest& request, SusiePictureInfo* lpInfo) noexcept {
  return TracedExport("GetPictureInfo", ':', [&] {
    Trace(IsFileInput(request) ? "GetPictureInfo:LoadFile" : "GetPictureInfo:LoadMem");
    TPictureInput input(request);
    TStream& stream = input.Stream();
    const bool multiImage = ReadMultiImage();
    Trace("GetPictureInfo:ReadHeader");
    uint8_t bytes[format::kHeadSize];
    stream.ReadBuffer(bytes, sizeof bytes);
    Trace("GetPictureInfo:" + HeadText(bytes, sizeof bytes));

    TVornFileHeader header;
    if (format::TVornHead(bytes, sizeof bytes).HasHeaderRecord()) {
      // Old files from version 103 carry the whole header record up front:
      // no pixel is decoded to answer.
      Trace("GetPictureInfo:VornX");
      const int32_t size = stream.ReadInt32();
      Trace("GetPictureInfo:HeaderSize=" + std::to_string(size));
      const int64_t wanted = std::min<int64_t>({std::max<int32_t>(size, 0), 40, stream.Remaining()});
      uint8_t raw[TVornFileHeader::kRecordSize] = {};
      stream.ReadBuffer(raw, static_cast<size_t>(std::max<int64_t>(wanted, 0)));
      header = TVornFileHeader::FromBytes(raw, sizeof raw);
    } else {
      Trace("GetPictureInfo:Vorn");
      const TOpenImage image(input, ReadPassCode(), nullptr);
      Trace("GetPictureInfo:LoadFromStream");
      Check(vorn_decode_all(*image));
      Trace("GetPictureInfo:SetHeader");
      vorn_info info{};
      Check(vorn_get_info(*image, &info));
      // The header is read from the first frame: a file without frames has none.
      if (info.frame_count == 0) throw EListError(kMsgGetFrame);
      header.Width = info.width;
      header.Height = info.height;
      header.Bpp = info.bits_per_pixel;
      header.Count = static_cast<int32_t>(info.frame_count);
    }
    if (lpInfo == nullptr) throw EVornError(TErrorKind::Argument, "no picture information record");
    SusiePictureInfo info;
    FillInfo(header, multiImage, info);
    Trace("GetPictureInfo:" + std::to_string(info.width) + "x" + std::to_string(info.height));
    *lpInfo = info;
    return 0;
  });
}

int32_t GetPreviewCall(const TPictureRequest& request, THostHandle* pHBInfo,
                       THostHandle* pHBm) noexcept {
  return TracedExport("GetPreview", '.', [&] { return PreviewBody(request, pHBInfo, pHBm); });
}

int32_t GetPictureCall(const TPictureRequest& request, THostHandle* pHBInfo,
                       THostHandle* pHBm) noexcept {
  return TracedExport("GetPicture", '.', [&] {
    if (!ReadMultiImage()) return GetPreviewCall(request, pHBInfo, pHBm);
    Trace(IsFileInput(request) ? "GetPicture:File" : "GetPicture:Mem");
    THostPixelMemory pixels;
    const vorn_allocator allocator = pixels.Allocator();
    TPictureInput input(request);
    const TOpenImage image(input, ReadPassCode(), &allocator);
    Trace("GetPicture:LoadFromStream");
    Check(vorn_decode_all(*image));
    Trace("GetPicture:Loaded");
    const platform::TScreenSize screen = platform::ScreenSize();
    vorn_dib dib{};
    Check(vorn_decode_sheet_dib(*image, screen.Width, screen.Height, &dib, nullptr));
    return Deliver(dib, pHBInfo, pHBm, pixels);
  });
}

}  // namespace vorn
