// IsSupported: the ".vrn" extension, or the signature at the start of the
// file ("VornX", or "Vorn" and a version from 100 to 106).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "format/VornFormat.h"

namespace vorn {

using format::kHeadSize;

// The first bytes of a file as the format test sees them.
struct THead {
  uint8_t Bytes[kHeadSize] = {};
  size_t Length = 0;
  std::string_view View() const { return {reinterpret_cast<const char*>(Bytes), Length}; }
};

// The extension of a file name: from the last '.' after the last path or
// drive delimiter, the point included; empty when there is none. The second
// byte of a double-byte character (isLeadByte tells where one starts) is
// never a delimiter.
std::string_view FileExtension(std::string_view fileName, bool (*isLeadByte)(unsigned char));
// The same for a UTF-16 name, where no unit of a character is a delimiter.
std::u16string_view FileExtension(std::u16string_view fileName);
// Whether dw is a host buffer pointer rather than a file handle: any bit
// above the low 16 set.
bool IsBufferPointer(uintptr_t dw);
// Up to seven bytes of the buffer, ending before its first zero byte.
THead HeadFromBuffer(const void* buffer);
// Seven bytes read from the start of the host's handle, which stays open and
// is left after them; fewer when it cannot be positioned or read.
THead HeadFromHandle(uintptr_t handle);
// Whether the head carries one of the signatures the test accepts.
bool HeadHasSignature(const THead& head);

// The whole of IsSupported: -1 when the file is one of ours, else 0. dw is
// tested whole: in the 64-bit interface a buffer may lie at an address whose
// low 32 bits are below 65536.
int32_t IsSupportedCall(const char* fileName, uintptr_t dw);
// IsSupportedW: the same with a UTF-16 file name.
int32_t IsSupportedCallW(const char16_t* fileName, uintptr_t dw);

}  // namespace vorn
