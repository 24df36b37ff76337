// The three picture calls behind the exports: open the input, load the file,
// build the picture and hand it to the host in two movable memory blocks.
// Each function is the whole body of its export: it never throws, traces its
// tags and returns 0 or -1.
#pragma once

#include <cstdint>

#include "platform/HostMemory.h"
#include "plugin/SusieTypes.h"

namespace vorn {

// Where a picture call takes its input from. With the low three bits of flag
// clear, buf (or wideName, for the Unicode entry points) names a file and len
// is the byte offset of the picture in it; otherwise buf points to len bytes.
struct TPictureRequest {
  const char* buf = nullptr;
  const char16_t* wideName = nullptr;
  intptr_t len = 0;
  uint32_t flag = 0;
};

int32_t GetPictureInfoCall(const TPictureRequest& request, SusiePictureInfo* lpInfo) noexcept;
int32_t GetPictureCall(const TPictureRequest& request, platform::THostHandle* pHBInfo,
                       platform::THostHandle* pHBm) noexcept;
int32_t GetPreviewCall(const TPictureRequest& request, platform::THostHandle* pHBInfo,
                       platform::THostHandle* pHBm) noexcept;

}  // namespace vorn
