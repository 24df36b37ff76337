// The exported functions of the plug-in. Windows: the six Susie functions
// and the Unicode forms of five of them, __stdcall, exported under their
// plain names by Vorn.def; the 32-bit build is Vorn.spi, the 64-bit build
// Vorn.sph with the 64-bit interface's prototypes (pointer-sized dw, len and
// lData). Native: the same eleven with C linkage and the 64-bit prototypes
// (the W forms take char16_t names, opened as UTF-8), plus the host-memory
// functions a native host needs to use and free the blocks it receives
// (vornspi.map keeps everything else hidden).
#include <cstdint>

#include "platform/HostMemory.h"
#include "plugin/ExportGuard.h"
#include "plugin/IsSupported.h"
#include "plugin/PictureDelivery.h"
#include "plugin/PluginIdentity.h"
#include "plugin/SusieTypes.h"

#if defined(_WIN32)
#include <windows.h>
#define VORN_EXPORT extern "C"
#define VORN_CALL WINAPI
#else
#define VORN_EXPORT extern "C" __attribute__((visibility("default")))
#define VORN_CALL
#endif

using vorn::GuardedExport;
using vorn::SusiePictureInfo;
using vorn::SusieProgressCallback;
using vorn::TPictureRequest;
using vorn::platform::THostHandle;

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

static const char16_t* Utf16(const TSusieWideChar* text) {
  return reinterpret_cast<const char16_t*>(text);
}

// A W picture call's input: a UTF-16 file name, or (flag's low three bits
// set) len bytes at buf as in the ANSI call.
static TPictureRequest WideRequest(const TSusieWideChar* buf, intptr_t len, unsigned int flag) {
  return TPictureRequest{reinterpret_cast<const char*>(buf), Utf16(buf), len, flag};
}

[[maybe_unused]] static uintptr_t DwValue(void* dw) { return reinterpret_cast<uintptr_t>(dw); }
[[maybe_unused]] static uintptr_t DwValue(uint32_t dw) { return dw; }

VORN_EXPORT int VORN_CALL GetPluginInfo(int infono, char* buf, int buflen) {
  return GuardedExport(0, [&] { return vorn::GetPluginInfoCall(infono, buf, buflen); });
}

// A failure cannot answer -1 here: that means "supported".
VORN_EXPORT int VORN_CALL IsSupported(const char* filename, TSusieDw dw) {
  return GuardedExport(0, [&] {
    return vorn::IsSupportedCall(filename, DwValue(dw));
  });
}

VORN_EXPORT int VORN_CALL GetPictureInfo(const char* buf, intptr_t len, unsigned int flag,
                                         SusiePictureInfo* lpInfo) {
  return GuardedExport(-1, [&] {
    return vorn::GetPictureInfoCall(TPictureRequest{buf, nullptr, len, flag}, lpInfo);
  });
}

VORN_EXPORT int VORN_CALL GetPicture(const char* buf, intptr_t len, unsigned int flag,
                                     THostHandle* pHBInfo, THostHandle* pHBm,
                                     SusieProgressCallback, intptr_t) {
  return GuardedExport(-1, [&] {
    return vorn::GetPictureCall(TPictureRequest{buf, nullptr, len, flag}, pHBInfo, pHBm);
  });
}

VORN_EXPORT int VORN_CALL GetPreview(const char* buf, intptr_t len, unsigned int flag,
                                     THostHandle* pHBInfo, THostHandle* pHBm,
                                     SusieProgressCallback, intptr_t) {
  return GuardedExport(-1, [&] {
    return vorn::GetPreviewCall(TPictureRequest{buf, nullptr, len, flag}, pHBInfo, pHBm);
  });
}

VORN_EXPORT int VORN_CALL GetPluginInfoW(int infono, TSusieWideChar* buf, int buflen) {
  return GuardedExport(0, [&] {
    return vorn::GetPluginInfoCallW(infono, reinterpret_cast<char16_t*>(buf), buflen);
  });
}

VORN_EXPORT int VORN_CALL IsSupportedW(const TSusieWideChar* filename, TSusieDw dw) {
  return GuardedExport(0, [&] { return vorn::IsSupportedCallW(Utf16(filename), DwValue(dw)); });
}

VORN_EXPORT int VORN_CALL GetPictureInfoW(const TSusieWideChar* buf, intptr_t len, unsigned int flag,
                                          SusiePictureInfo* lpInfo) {
  return GuardedExport(-1, [&] { return vorn::GetPictureInfoCall(WideRequest(buf, len, flag), lpInfo); });
}

VORN_EXPORT int VORN_CALL GetPictureW(const TSusieWideChar* buf, intptr_t len, unsigned int flag,
                                      THostHandle* pHBInfo, THostHandle* pHBm,
                                      SusieProgressCallback, intptr_t) {
  return GuardedExport(-1, [&] {
    return vorn::GetPictureCall(WideRequest(buf, len, flag), pHBInfo, pHBm);
  });
}

VORN_EXPORT int VORN_CALL GetPreviewW(const TSusieWideChar* buf, intptr_t len, unsigned int flag,
                                      THostHandle* pHBInfo, THostHandle* pHBm,
                                      SusieProgressCallback, intptr_t) {
  return GuardedExport(-1, [&] {
    return vorn::GetPreviewCall(WideRequest(buf, len, flag), pHBInfo, pHBm);
  });
}

// The parent window is not used: the boxes have no owner.
VORN_EXPORT int VORN_CALL ConfigurationDlg(void*, int fnc) {
  return GuardedExport(-1, [&] { return vorn::ConfigurationDlgCall(fnc); });
}

#if !defined(_WIN32)
// The portable movable blocks under their Windows names. The library itself
// never calls these symbols, so a host defining functions of the same names
// cannot divert our own allocations.
VORN_EXPORT void* LocalAlloc(unsigned int, size_t bytes) {
  return vorn::platform::HostAlloc(bytes);  // always zero-filled
}
VORN_EXPORT void* LocalLock(void* block) { return vorn::platform::HostLock(block); }
VORN_EXPORT int LocalUnlock(void* block) { return vorn::platform::HostUnlock(block) ? 1 : 0; }
VORN_EXPORT void* LocalFree(void* block) { return vorn::platform::HostFree(block); }
VORN_EXPORT size_t LocalSize(void* block) { return vorn::platform::HostSize(block); }
#endif
