// What the exports of both plug-ins share: how an exported function is
// declared (__stdcall under its plain name on Windows, C linkage and
// default visibility natively) and the types of the interface's arguments.
#pragma once

#include <cstdint>

#if defined(_WIN32)
#include <windows.h>
#define VORN_EXPORT extern "C"
#define VORN_CALL WINAPI
#else
#define VORN_EXPORT extern "C" __attribute__((visibility("default")))
#define VORN_CALL
#endif

namespace vorn {

// dw of IsSupported: a 32-bit value in the 32-bit interface, a pointer in the
// 64-bit one. Either way it is a buffer address or a file handle.
#if UINTPTR_MAX > 0xFFFFFFFFu
using TSusieDw = void*;
#else
using TSusieDw = uint32_t;
#endif

// The UTF-16 unit of the W entry points: WCHAR on Windows.
#if defined(_WIN32)
using TSusieWideChar = wchar_t;
static_assert(sizeof(wchar_t) == sizeof(char16_t));
#else
using TSusieWideChar = char16_t;
#endif

inline const char16_t* Utf16(const TSusieWideChar* text) {
  return reinterpret_cast<const char16_t*>(text);
}

inline uintptr_t DwValue(void* dw) { return reinterpret_cast<uintptr_t>(dw); }
inline uintptr_t DwValue(uint32_t dw) { return dw; }

}  // namespace vorn
