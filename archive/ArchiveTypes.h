// The records of the Susie archive interface as hosts lay them out.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vorn {

// One entry of an archive's list: byte-packed; the numbers are pointer
// sized (4 bytes in the 32-bit interface, 8 in the 64-bit one), timestamp
// counts seconds since 1970. A list ends with a record whose method[0] is 0.
// Char is char for the ANSI calls, a UTF-16 unit for the W calls.
#pragma pack(push, 1)
template <class Char>
struct TSusieFileInfo {
  unsigned char method[8];
  uintptr_t position;
  uintptr_t compsize;
  uintptr_t filesize;
  uintptr_t timestamp;
  Char path[200];
  Char filename[200];
  uint32_t crc;
#if UINTPTR_MAX > 0xFFFFFFFFu
  // Hosts of the 64-bit interface step through a list by a multiple of 8.
  uint8_t padding[4];
#endif
};
#pragma pack(pop)

using SusieFileInfo = TSusieFileInfo<char>;
using SusieFileInfoW = TSusieFileInfo<char16_t>;

static_assert(offsetof(SusieFileInfo, position) == 8);
static_assert(offsetof(SusieFileInfo, path) == 8 + 4 * sizeof(uintptr_t));
static_assert(offsetof(SusieFileInfo, filename) == 208 + 4 * sizeof(uintptr_t));
static_assert(offsetof(SusieFileInfo, crc) == 408 + 4 * sizeof(uintptr_t));
static_assert(offsetof(SusieFileInfoW, crc) == 808 + 4 * sizeof(uintptr_t));
#if UINTPTR_MAX > 0xFFFFFFFFu
static_assert(sizeof(SusieFileInfo) == 448 && sizeof(SusieFileInfoW) == 848);
#else
static_assert(sizeof(SusieFileInfo) == 428 && sizeof(SusieFileInfoW) == 828);
#endif

// The progress callback of GetFile: a non-zero result cancels.
#if defined(_WIN32) && UINTPTR_MAX <= 0xFFFFFFFFu
using SusieArchiveProgress = int(__stdcall*)(int num, int denom, intptr_t lData);
#else
using SusieArchiveProgress = int (*)(int num, int denom, intptr_t lData);
#endif

// The results of the archive calls.
enum TArchiveResult : int32_t {
  kArchiveOk = 0,
  kArchiveNotSupported = -1,
  kArchiveCancelled = 1,
  kArchiveUnknownFormat = 2,
  kArchiveDamaged = 3,
  kArchiveNoMemory = 4,
  kArchiveMemoryError = 5,
  kArchiveReadError = 6,
  kArchiveInternalError = 8,
};

}  // namespace vorn
