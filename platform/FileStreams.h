// Streams over the operating system's files: a file opened by name for
// reading (others may read it, not write it), and a file handle supplied by
// the host, read and positioned but never closed (a descriptor on POSIX).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "support/Stream.h"

namespace vorn::platform {

// Opens an existing file; fails with EReadError when it cannot be opened.
std::unique_ptr<TStream> OpenFileStream(const char* fileName);
// The same with a UTF-16 name.
std::unique_ptr<TStream> OpenFileStreamW(const char16_t* fileName);
// What tells one state of a file from another: its size and the time it
// was last written, in seconds since 1970 and the nanoseconds past that
// second (as finely as the file system keeps it). Size is -1 when the file
// cannot be examined.
struct TFileStamp {
  int64_t Size = -1;
  int64_t Modified = 0;
  int64_t ModifiedNanoseconds = 0;
  bool operator==(const TFileStamp&) const = default;
};
TFileStamp StampFile(const char* fileName);
TFileStamp StampFileW(const char16_t* fileName);

// A stream over the host's open handle; the handle stays open.
std::unique_ptr<TStream> HostHandleStream(uintptr_t handle);

}  // namespace vorn::platform
