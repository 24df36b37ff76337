// The exported functions of the archive plug-in. Windows: the six functions
// of a Susie archive plug-in and the Unicode forms of five of them,
// __stdcall, exported under their plain names by VornFrames.def; the 32-bit
// build is VornFrames.spi, the 64-bit build VornFrames.sph (pointer-sized
// len, lData and record numbers). Native: the same eleven with C linkage
// (the W forms take char16_t names, opened as UTF-8) and the host-memory
// functions (vornframes.map keeps everything else hidden).
#include <cstdint>

#include "archive/ArchiveTypes.h"
#include "archive/FrameArchive.h"
#include "plugin/ExportGuard.h"
#include "plugin/IsSupported.h"
#include "plugin/PluginIdentity.h"
#include "plugin/SusieExport.h"

using vorn::GuardedExport;
using vorn::SusieArchiveProgress;
using vorn::SusieFileInfo;
using vorn::SusieFileInfoW;
using vorn::TArchiveRequest;
using vorn::TSusieDw;
using vorn::TSusieWideChar;
using vorn::Utf16;
using vorn::platform::THostHandle;

// A W call's input: a UTF-16 file name, or (flag's low three bits set) len
// bytes at buf as in the ANSI call.
static TArchiveRequest WideRequest(const TSusieWideChar* buf, intptr_t len, unsigned int flag) {
  return TArchiveRequest{reinterpret_cast<const char*>(buf), (flag & 7) == 0 ? Utf16(buf) : nullptr,
                         len, flag};
}

VORN_EXPORT int VORN_CALL GetPluginInfo(int infono, char* buf, int buflen) {
  return GuardedExport(0, [&] { return vorn::GetPluginInfoCall(vorn::kFramesPlugin, infono, buf, buflen); });
}

VORN_EXPORT int VORN_CALL GetPluginInfoW(int infono, TSusieWideChar* buf, int buflen) {
  return GuardedExport(0, [&] {
    return vorn::GetPluginInfoCallW(vorn::kFramesPlugin, infono, reinterpret_cast<char16_t*>(buf), buflen);
  });
}

// A failure cannot answer -1 here: that means "supported".
VORN_EXPORT int VORN_CALL IsSupported(const char* filename, TSusieDw dw) {
  return GuardedExport(0, [&] { return vorn::IsSupportedCall(filename, vorn::DwValue(dw)); });
}

VORN_EXPORT int VORN_CALL IsSupportedW(const TSusieWideChar* filename, TSusieDw dw) {
  return GuardedExport(0, [&] { return vorn::IsSupportedCallW(Utf16(filename), vorn::DwValue(dw)); });
}

VORN_EXPORT int VORN_CALL GetArchiveInfo(const char* buf, intptr_t len, unsigned int flag,
                                         THostHandle* lphInf) {
  return vorn::GetArchiveInfoCall(TArchiveRequest{buf, nullptr, len, flag}, lphInf);
}

VORN_EXPORT int VORN_CALL GetArchiveInfoW(const TSusieWideChar* buf, intptr_t len, unsigned int flag,
                                          THostHandle* lphInf) {
  return vorn::GetArchiveInfoCallW(WideRequest(buf, len, flag), lphInf);
}

VORN_EXPORT int VORN_CALL GetFileInfo(const char* buf, intptr_t len, const char* filename,
                                      unsigned int flag, SusieFileInfo* lpInfo) {
  return vorn::GetFileInfoCall(TArchiveRequest{buf, nullptr, len, flag}, filename, lpInfo);
}

VORN_EXPORT int VORN_CALL GetFileInfoW(const TSusieWideChar* buf, intptr_t len,
                                       const TSusieWideChar* filename, unsigned int flag,
                                       SusieFileInfoW* lpInfo) {
  return vorn::GetFileInfoCallW(WideRequest(buf, len, flag), Utf16(filename), lpInfo);
}

VORN_EXPORT int VORN_CALL GetFile(const char* src, intptr_t len, char* dest, unsigned int flag,
                                  SusieArchiveProgress progress, intptr_t lData) {
  return vorn::GetFileCall(TArchiveRequest{src, nullptr, len, flag}, dest, progress, lData);
}

VORN_EXPORT int VORN_CALL GetFileW(const TSusieWideChar* src, intptr_t len, TSusieWideChar* dest,
                                   unsigned int flag, SusieArchiveProgress progress, intptr_t lData) {
  return vorn::GetFileCallW(WideRequest(src, len, flag), dest, progress, lData);
}

// The parent window is not used: the boxes have no owner.
VORN_EXPORT int VORN_CALL ConfigurationDlg(void*, int fnc) {
  return GuardedExport(-1, [&] { return vorn::ConfigurationDlgCall(vorn::kFramesPlugin, fnc); });
}
