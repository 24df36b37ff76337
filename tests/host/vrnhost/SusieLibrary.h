// The plug-in as a Susie host sees it: the library loaded by its file name
// and its exports found by their plain names, plus the host-memory calls a
// host uses on the blocks it receives (kernel32's on Windows, the library's
// own exports natively).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "archive/ArchiveTypes.h"
#include "plugin/SusieTypes.h"

namespace vrnhost {

#if defined(_WIN32)
#define VRNHOST_CALL __stdcall
#else
#define VRNHOST_CALL
#endif

using THostBlock = void*;

// The prototypes a host calls through. dw, len and lData are pointer-sized:
// 32 bits in the 32-bit interface, 64 in the 64-bit one.
using TGetPluginInfo = int(VRNHOST_CALL*)(int infono, char* buf, int buflen);
using TIsSupported = int(VRNHOST_CALL*)(const char* filename, uintptr_t dw);
using TGetPictureInfo = int(VRNHOST_CALL*)(const char* buf, intptr_t len, unsigned int flag,
                                           vorn::SusiePictureInfo* lpInfo);
using TGetPicture = int(VRNHOST_CALL*)(const char* buf, intptr_t len, unsigned int flag,
                                       THostBlock* pHBInfo, THostBlock* pHBm,
                                       vorn::SusieProgressCallback callback, intptr_t lData);
using TConfigurationDlg = int(VRNHOST_CALL*)(void* parent, int fnc);
// The Unicode entry points: UTF-16 names and texts (WCHAR on Windows, the
// same units as char16_t); memory input is bytes as in the ANSI calls.
using TGetPluginInfoW = int(VRNHOST_CALL*)(int infono, char16_t* buf, int buflen);
using TIsSupportedW = int(VRNHOST_CALL*)(const char16_t* filename, uintptr_t dw);
using TGetPictureInfoW = int(VRNHOST_CALL*)(const char16_t* buf, intptr_t len, unsigned int flag,
                                            vorn::SusiePictureInfo* lpInfo);
using TGetPictureW = int(VRNHOST_CALL*)(const char16_t* buf, intptr_t len, unsigned int flag,
                                        THostBlock* pHBInfo, THostBlock* pHBm,
                                        vorn::SusieProgressCallback callback, intptr_t lData);
// The archive interface (Char: char, or char16_t in the W functions); the
// host's progress callback has the exports' calling convention.
using TArchiveProgress = int(VRNHOST_CALL*)(int num, int denom, intptr_t lData);
template <class Char>
using TGetArchiveInfo = int(VRNHOST_CALL*)(const Char* buf, intptr_t len, unsigned int flag, THostBlock* lphInf);
template <class Char>
using TGetFileInfo = int(VRNHOST_CALL*)(const Char* buf, intptr_t len, const Char* filename, unsigned int flag,
                                        vorn::TSusieFileInfo<Char>* lpInfo);
template <class Char>
using TGetFile = int(VRNHOST_CALL*)(const Char* src, intptr_t len, Char* dest, unsigned int flag,
                                    TArchiveProgress progress, intptr_t lData);

class TSusieLibrary {
 public:
  // Loads the library; throws std::runtime_error when it cannot be loaded.
  explicit TSusieLibrary(const std::string& path);
  ~TSusieLibrary();
  TSusieLibrary(const TSusieLibrary&) = delete;
  TSusieLibrary& operator=(const TSusieLibrary&) = delete;

  // Any exported symbol by name; null when there is none.
  void* Symbol(const char* name) const;

  TGetPluginInfo GetPluginInfo = nullptr;
  TIsSupported IsSupported = nullptr;
  TGetPictureInfo GetPictureInfo = nullptr;
  TGetPicture GetPicture = nullptr;
  TGetPicture GetPreview = nullptr;
  TConfigurationDlg ConfigurationDlg = nullptr;
  // Null when the library has no Unicode entry points.
  TGetPluginInfoW GetPluginInfoW = nullptr;
  TIsSupportedW IsSupportedW = nullptr;
  TGetPictureInfoW GetPictureInfoW = nullptr;
  TGetPictureW GetPictureW = nullptr;
  TGetPictureW GetPreviewW = nullptr;
  // Null in import plug-ins.
  TGetArchiveInfo<char> GetArchiveInfo = nullptr;
  TGetArchiveInfo<char16_t> GetArchiveInfoW = nullptr;
  TGetFileInfo<char> GetFileInfo = nullptr;
  TGetFileInfo<char16_t> GetFileInfoW = nullptr;
  TGetFile<char> GetFile = nullptr;
  TGetFile<char16_t> GetFileW = nullptr;

  // The delivered blocks: lock, unlock, size and free them as a host would.
  void* Lock(THostBlock block) const;
  void Unlock(THostBlock block) const;
  size_t Size(THostBlock block) const;
  // Returns null when the block was freed.
  THostBlock Free(THostBlock block) const;

 private:
  void* module_ = nullptr;
  void* (*lock_)(void*) = nullptr;
  int (*unlock_)(void*) = nullptr;
  size_t (*size_)(void*) = nullptr;
  void* (*free_)(void*) = nullptr;
};

}  // namespace vrnhost
