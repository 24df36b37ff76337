// The exported functions of the plug-in. Windows: the six Susie functions
// and the Unicode forms of five of them, __stdcall, exported under their
// plain names by Vorn.def; the 32-bit build is Vorn.spi, the 64-bit build
// Vorn.sph with the 64-bit interface's prototypes (pointer-sized dw, len and
// lData). Native: the same eleven with C linkage and the 64-bit prototypes
// (the W forms take char16_t names, opened as UTF-8); HostMemoryExports.cpp
// adds the host-memory functions a native host needs to use and free the
// blocks it receives (vornspi.map keeps everything else hidden).
#include <cstdint>

#include "plugin/ExportGuard.h"
#include "plugin/IsSupported.h"
#include "plugin/PictureDelivery.h"
#include "plugin/PluginIdentity.h"
#include "plugin/SusieExport.h"
#include "plugin/SusieTypes.h"

using vorn::GuardedExport;
using vorn::SusiePictureInfo;
using vorn::SusieProgressCallback;
using vorn::TPictureRequest;
using vorn::TSusieDw;
using vorn::TSusieWideChar;
using vorn::Utf16;
using vorn::DwValue;
using vorn::platform::THostHandle;

// A W picture call's input: a UTF-16 file name, or (flag's low three bits
// set) len bytes at buf as in the ANSI call.
static TPictureRequest WideRequest(const TSusieWideChar* buf, intptr_t len, unsigned int flag) {
  return TPictureRequest{reinterpret_cast<const char*>(buf), Utf16(buf), len, flag};
}

VORN_EXPORT int VORN_CALL GetPluginInfo(int infono, char* buf, int buflen) {
  return GuardedExport(0, [&] { return vorn::GetPluginInfoCall(vorn::kImportPlugin, infono, buf, buflen); });
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
    return vorn::GetPluginInfoCallW(vorn::kImportPlugin, infono, reinterpret_cast<char16_t*>(buf), buflen);
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
  return GuardedExport(-1, [&] { return vorn::ConfigurationDlgCall(vorn::kImportPlugin, fnc); });
}
