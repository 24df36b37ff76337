// Helpers of the picture-call tests: a private settings store, calls that
// collect the delivered blocks (and free them), and requests for file and
// memory input.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "platform/HostMemory.h"
#include "platform/SettingsStore.h"
#include "plugin/PictureDelivery.h"

namespace vorn::testing {

// Points the settings at a file of the test's own (POSIX; on Windows the
// real registry key of the test prefix is used) and sets them.
class TPluginSettings {
 public:
  TPluginSettings() {
#ifndef _WIN32
    path_ = std::filesystem::temp_directory_path() /
            ("vorn-test-settings-" + std::to_string(::getpid()) + ".ini");
    ::setenv("VORN_SETTINGS_FILE", path_.c_str(), 1);
#endif
  }
  ~TPluginSettings() {
    if (!path_.empty()) std::filesystem::remove(path_);
  }
  void Set(bool multiImage, int32_t passCode) const {
    platform::WriteSetting("Susie", "MultiImage", multiImage ? "1" : "0");
    platform::WriteSetting("Common", "PassCode", std::to_string(passCode));
  }

 private:
  std::filesystem::path path_;
};

struct TDelivered {
  int32_t Result = -1;
  std::vector<uint8_t> Info, Bits;
  friend bool operator==(const TDelivered&, const TDelivered&) = default;
};

inline std::vector<uint8_t> TakeBlock(platform::THostHandle handle) {
  std::vector<uint8_t> bytes;
  if (handle == nullptr) return bytes;
  const auto* p = static_cast<const uint8_t*>(platform::HostLock(handle));
  bytes.assign(p, p + platform::HostSize(handle));
  platform::HostUnlock(handle);
  platform::HostFree(handle);
  return bytes;
}

// GetPicture (or GetPreview) with the blocks copied out and freed.
inline TDelivered Deliver(const TPictureRequest& request, bool preview) {
  platform::THostHandle info = nullptr, bits = nullptr;
  TDelivered d;
  d.Result = preview ? GetPreviewCall(request, &info, &bits) : GetPictureCall(request, &info, &bits);
  d.Info = TakeBlock(info);
  d.Bits = TakeBlock(bits);
  return d;
}

inline TPictureRequest MemoryRequest(const std::vector<uint8_t>& bytes) {
  TPictureRequest r;
  r.buf = reinterpret_cast<const char*>(bytes.data());
  r.len = static_cast<intptr_t>(bytes.size());
  r.flag = 1;
  return r;
}

inline TPictureRequest FileRequest(const std::string& name, intptr_t offset = 0) {
  TPictureRequest r;
  r.buf = name.c_str();
  r.len = offset;
  r.flag = 0;
  return r;
}

// A file in the temporary directory, removed with the object.
class TTempFile {
 public:
  TTempFile(const std::string& stem, const std::vector<uint8_t>& bytes)
      : path_((std::filesystem::temp_directory_path() / stem).string()) {
    std::ofstream(path_, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  ~TTempFile() { std::filesystem::remove(path_); }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace vorn::testing
