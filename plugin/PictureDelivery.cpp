#include "plugin/PictureDelivery.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <unordered_map>

#include "config/VornSettings.h"
#include "format/VornFileHeader.h"
#include "format/VornFrame.h"
#include "format/VornFrameList.h"
#include "support/Stream.h"
#include "platform/FileStreams.h"
#include "platform/Screen.h"
#include "platform/Trace.h"
#include "plugin/TiledPicture.h"
#include "support/Messages.h"
#include "support/QzXml.h"
#include "support/VornError.h"
#include "surface/DIBSurface.h"
#include "surface/PixelMemory.h"

namespace vorn {

namespace {

using platform::THostHandle;
using platform::Trace;

bool IsFileInput(const TPictureRequest& request) { return (request.flag & 7) == 0; }

// Pixel blocks taken from movable host memory while a picture call runs,
// locked while it uses them: the block of the picture it delivers is handed
// to the host as it is instead of being copied into a new one.
class THostPixelMemory final : public TPixelMemory {
 public:
  THostPixelMemory() = default;
  THostPixelMemory(const THostPixelMemory&) = delete;
  THostPixelMemory& operator=(const THostPixelMemory&) = delete;
  ~THostPixelMemory() override {
    for (const auto& [bytes, block] : blocks_) Release(block.Handle);
  }

  uint8_t* Allocate(size_t size) override {
    const THostHandle handle = platform::HostAlloc(size);
    if (handle == nullptr) return nullptr;
    auto* bytes = static_cast<uint8_t*>(platform::HostLock(handle));
    if (bytes == nullptr) {
      platform::HostFree(handle);
      return nullptr;
    }
#ifdef _WIN32
    // LocalAlloc leaves old bytes in a block; the portable blocks come zeroed.
    std::memset(bytes, 0, size);
#endif
    try {
      blocks_.emplace(bytes, TBlock{handle, size});
    } catch (...) {
      Release(handle);
      return nullptr;
    }
    return bytes;
  }

  void Free(uint8_t* bytes) override {
    const auto it = blocks_.find(bytes);
    if (it == blocks_.end()) return;  // handed over to the host
    Release(it->second.Handle);
    blocks_.erase(it);
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

// What the quick header path of GetPictureInfo reads: the head, the header
// size and the header record.
constexpr size_t kQuickPathBytes = 7 + 4 + 40;

// File input starts at byte offset len; memory input is copied first (at
// most limit bytes of it), so the host's block is never touched afterwards.
std::unique_ptr<TStream> OpenInput(const TPictureRequest& request, size_t limit = SIZE_MAX) {
  if (IsFileInput(request)) {
    std::unique_ptr<TStream> stream = request.wideName != nullptr
                                          ? platform::OpenFileStreamW(request.wideName)
                                          : platform::OpenFileStream(request.buf);
    stream->Seek(request.len);
    return stream;
  }
  if (request.buf == nullptr || request.len <= 0) throw EReadError(kMsgStreamRead);
  const auto* bytes = reinterpret_cast<const uint8_t*>(request.buf);
  const size_t size = std::min(static_cast<size_t>(request.len), limit);
  std::vector<uint8_t> copy;
  copy.reserve(size);
  AdviseHugePages(copy.data(), size);  // large inputs: far fewer page faults
  copy.assign(bytes, bytes + size);
  return std::make_unique<TMemoryStream>(std::move(copy));
}

// Hands a surface to the host in two movable blocks: the header block, then
// the pixel block. A block that cannot be allocated or locked frees whatever
// this call allocated, clears the host's handles and fails the call, so the
// host never receives an uninitialised block nor has to free half a picture.
// A pixel block taken from pixels is handed over instead of copied.
int32_t Deliver(const TDIBSurface& surface, THostHandle* pHBInfo, THostHandle* pHBm,
                THostPixelMemory& pixels) {
  if (pHBInfo == nullptr || pHBm == nullptr) return -1;
  if (surface.BitmapInfoSize() <= 0 || surface.Size() <= 0) return -1;
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
  if (!copyInto(pHBInfo, surface.BitmapInfo(), static_cast<size_t>(surface.BitmapInfoSize())))
    return -1;
  if (const THostHandle handle = pixels.HandOver(surface.Bits(), static_cast<size_t>(surface.Size()))) {
    *pHBm = handle;
    return 0;
  }
  if (!copyInto(pHBm, surface.Bits(), static_cast<size_t>(surface.Size()))) {
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

}  // namespace

int32_t GetPictureInfoCall(const TPictureRequest& request, SusiePictureInfo* lpInfo) noexcept {
  int32_t result = -1;
  try {
    Trace("GetPictureInfo");
    Trace(IsFileInput(request) ? "GetPictureInfo:LoadFile" : "GetPictureInfo:LoadMem");
    // Of memory input only what the quick path reads is copied at first: a
    // listing of large files must not copy them whole.
    std::unique_ptr<TStream> stream = OpenInput(request, kQuickPathBytes);
    const bool multiImage = ReadMultiImage();
    Trace("GetPictureInfo:ReadHeader");
    uint8_t head[7];
    stream->ReadBuffer(head, sizeof head);
    Trace("GetPictureInfo:" + HeadText(head, sizeof head));

    TVornFileHeader header;
    int32_t version = 0;
    const bool newGeneration = std::memcmp(head, "VornX", 5) == 0;
    if (!newGeneration && !QzTryStrToInt(std::string(reinterpret_cast<char*>(head) + 4, 3), version))
      version = 0;
    if (!newGeneration && version >= 103) {
      // Old files from version 103 carry the whole header record up front:
      // no pixel is decoded to answer.
      Trace("GetPictureInfo:VornX");
      const int32_t size = stream->ReadInt32();
      Trace("GetPictureInfo:HeaderSize=" + std::to_string(size));
      const int64_t wanted = std::min<int64_t>({std::max<int32_t>(size, 0), 40, stream->Remaining()});
      uint8_t raw[TVornFileHeader::kRecordSize] = {};
      stream->ReadBuffer(raw, static_cast<size_t>(std::max<int64_t>(wanted, 0)));
      header = TVornFileHeader::FromBytes(raw, sizeof raw);
    } else {
      Trace("GetPictureInfo:Vorn");
      TVornFrameList frames(ReadPassCode());
      if (IsFileInput(request))
        stream->Seek(stream->Position() - static_cast<int64_t>(sizeof head));
      else
        stream = OpenInput(request);  // the whole input, from the head on
      Trace("GetPictureInfo:LoadFromStream");
      frames.LoadFromStream(*stream, false);
      Trace("GetPictureInfo:SetHeader");
      frames.SetHeader(header, 0, 70);
    }
    if (lpInfo == nullptr) throw EVornError("no picture information record");
    SusiePictureInfo info;
    FillInfo(header, multiImage, info);
    Trace("GetPictureInfo:" + std::to_string(info.width) + "x" + std::to_string(info.height));
    *lpInfo = info;
    result = 0;
  } catch (...) {
    Trace("GetPictureInfo:Error");
    result = -1;
  }
  Trace("GetPictureInfo:End=" + std::to_string(result));
  return result;
}

int32_t GetPreviewCall(const TPictureRequest& request, THostHandle* pHBInfo,
                       THostHandle* pHBm) noexcept {
  int32_t result = -1;
  try {
    Trace("GetPreview");
    // Declared first: every surface is gone before the memory it came from.
    THostPixelMemory pixels;
    const TPixelMemoryScope scope(pixels);
    std::unique_ptr<TStream> stream = OpenInput(request);
    TVornFrameList frames(ReadPassCode());
    frames.LoadFromStream(*stream, true);
    result = Deliver(*frames.GetFrame(0).Surface, pHBInfo, pHBm, pixels);
  } catch (...) {
    result = -1;
  }
  if (result != 0) Trace("GetPreview:Error");
  Trace("GetPreview.End=" + std::to_string(result));
  return result;
}

int32_t GetPictureCall(const TPictureRequest& request, THostHandle* pHBInfo,
                       THostHandle* pHBm) noexcept {
  int32_t result = -1;
  try {
    Trace("GetPicture");
    if (!ReadMultiImage()) {
      result = GetPreviewCall(request, pHBInfo, pHBm);
    } else {
      Trace(IsFileInput(request) ? "GetPicture:File" : "GetPicture:Mem");
      THostPixelMemory pixels;
      const TPixelMemoryScope scope(pixels);
      std::unique_ptr<TStream> stream = OpenInput(request);
      TVornFrameList frames(ReadPassCode());
      Trace("GetPicture:LoadFromStream");
      frames.LoadFromStream(*stream, false);
      Trace("GetPicture:Loaded");
      const platform::TScreenSize screen = platform::ScreenSize();
      // A picture of one frame is that frame's composite: delivered as it is.
      if (const TDIBSurface* single = SingleFramePicture(frames, screen.Width, screen.Height)) {
        result = Deliver(*single, pHBInfo, pHBm, pixels);
      } else {
        const std::unique_ptr<TDIBSurface> sheet =
            BuildTiledPicture(frames, screen.Width, screen.Height);
        result = Deliver(*sheet, pHBInfo, pHBm, pixels);
      }
    }
  } catch (...) {
    result = -1;
  }
  if (result != 0) Trace("GetPicture:Error");
  Trace("GetPicture.End=" + std::to_string(result));
  return result;
}

}  // namespace vorn
