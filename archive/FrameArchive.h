// The archive calls behind the exports: a .vrn file listed as one BMP file
// per frame, and those files extracted one by one.
//
// A host lists a file and then extracts its entries one after another, each
// call naming the file again. The last file listed or extracted stays open
// between calls (its frames decoded so far, never its file handle), keyed
// by its name, size, modification time, offset and the identification code
// in force, so extracting all frames costs about one load of the file.
#pragma once

#include <cstdint>

#include "archive/ArchiveTypes.h"
#include "platform/HostMemory.h"

namespace vorn {

// An archive call's input. With the low three bits of flag clear, buf (or
// wideName, for the W calls) names a file and len is the byte offset of the
// .vrn file in it; otherwise buf points to len bytes.
struct TArchiveRequest {
  const char* buf = nullptr;
  const char16_t* wideName = nullptr;
  intptr_t len = 0;
  uint32_t flag = 0;
};

int32_t GetArchiveInfoCall(const TArchiveRequest& request, platform::THostHandle* lphInf) noexcept;
int32_t GetArchiveInfoCallW(const TArchiveRequest& request, platform::THostHandle* lphInf) noexcept;
// filename is matched whole (flag & 0x80: ASCII letters without regard to case).
int32_t GetFileInfoCall(const TArchiveRequest& request, const char* filename,
                        SusieFileInfo* lpInfo) noexcept;
int32_t GetFileInfoCallW(const TArchiveRequest& request, const char16_t* filename,
                         SusieFileInfoW* lpInfo) noexcept;

// GetFile: request.len is an entry's position. dest is a folder (ANSI or
// UTF-16 as the call) the entry is written into under its name, or with
// flag & 0x700 == 0x100 a THostHandle* that receives a movable block holding
// the entry's bytes. Only file input is read: a memory block's size is not
// part of the call.
int32_t GetFileCall(const TArchiveRequest& request, void* dest, SusieArchiveProgress progress,
                    intptr_t lData) noexcept;
int32_t GetFileCallW(const TArchiveRequest& request, void* dest, SusieArchiveProgress progress,
                     intptr_t lData) noexcept;

}  // namespace vorn
