#include "tests/host/vrnhost/SusieLibrary.h"

#include <stdexcept>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace vrnhost {
namespace {

template <class F>
F As(void* symbol) {
  return reinterpret_cast<F>(reinterpret_cast<uintptr_t>(symbol));
}

}  // namespace

TSusieLibrary::TSusieLibrary(const std::string& path) {
#if defined(_WIN32)
  module_ = reinterpret_cast<void*>(LoadLibraryA(path.c_str()));
  if (module_ == nullptr)
    throw std::runtime_error("cannot load " + path + " (error " + std::to_string(GetLastError()) + ")");
#else
  module_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module_ == nullptr) throw std::runtime_error(std::string("cannot load: ") + dlerror());
  lock_ = As<void* (*)(void*)>(Symbol("LocalLock"));
  unlock_ = As<int (*)(void*)>(Symbol("LocalUnlock"));
  size_ = As<size_t (*)(void*)>(Symbol("LocalSize"));
  free_ = As<void* (*)(void*)>(Symbol("LocalFree"));
#endif
  GetPluginInfo = As<TGetPluginInfo>(Symbol("GetPluginInfo"));
  IsSupported = As<TIsSupported>(Symbol("IsSupported"));
  GetPictureInfo = As<TGetPictureInfo>(Symbol("GetPictureInfo"));
  GetPicture = As<TGetPicture>(Symbol("GetPicture"));
  GetPreview = As<TGetPicture>(Symbol("GetPreview"));
  ConfigurationDlg = As<TConfigurationDlg>(Symbol("ConfigurationDlg"));
  GetPluginInfoW = As<TGetPluginInfoW>(Symbol("GetPluginInfoW"));
  IsSupportedW = As<TIsSupportedW>(Symbol("IsSupportedW"));
  GetPictureInfoW = As<TGetPictureInfoW>(Symbol("GetPictureInfoW"));
  GetPictureW = As<TGetPictureW>(Symbol("GetPictureW"));
  GetPreviewW = As<TGetPictureW>(Symbol("GetPreviewW"));
  GetArchiveInfo = As<TGetArchiveInfo<char>>(Symbol("GetArchiveInfo"));
  GetArchiveInfoW = As<TGetArchiveInfo<char16_t>>(Symbol("GetArchiveInfoW"));
  GetFileInfo = As<TGetFileInfo<char>>(Symbol("GetFileInfo"));
  GetFileInfoW = As<TGetFileInfo<char16_t>>(Symbol("GetFileInfoW"));
  GetFile = As<TGetFile<char>>(Symbol("GetFile"));
  GetFileW = As<TGetFile<char16_t>>(Symbol("GetFileW"));
}

TSusieLibrary::~TSusieLibrary() {
#if defined(_WIN32)
  FreeLibrary(static_cast<HMODULE>(module_));
#else
  dlclose(module_);
#endif
}

void* TSusieLibrary::Symbol(const char* name) const {
#if defined(_WIN32)
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module_), name));
#else
  return dlsym(module_, name);
#endif
}

#if defined(_WIN32)
void* TSusieLibrary::Lock(THostBlock block) const { return LocalLock(block); }
void TSusieLibrary::Unlock(THostBlock block) const { LocalUnlock(block); }
size_t TSusieLibrary::Size(THostBlock block) const { return LocalSize(block); }
THostBlock TSusieLibrary::Free(THostBlock block) const { return LocalFree(block); }
#else
void* TSusieLibrary::Lock(THostBlock block) const { return lock_ != nullptr ? lock_(block) : nullptr; }
void TSusieLibrary::Unlock(THostBlock block) const {
  if (unlock_ != nullptr) unlock_(block);
}
size_t TSusieLibrary::Size(THostBlock block) const { return size_ != nullptr ? size_(block) : 0; }
THostBlock TSusieLibrary::Free(THostBlock block) const { return free_ != nullptr ? free_(block) : block; }
#endif

}  // namespace vrnhost
