// Runs a file through the four in-process picture calls the way a host would
// (GetPicture with MultiImage on and off, GetPreview, GetPictureInfo) and
// says what, if anything, broke the rules every call must keep: the result is
// 0 or -1, a 0 comes with a well-formed picture, a -1 leaves the host nothing
// to free and its record untouched, and GetPicture without MultiImage is
// GetPreview.
#pragma once

#ifndef _WIN32
#include <unistd.h>
#endif

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tests/hostile/PictureChecks.h"
#include "platform/SettingsStore.h"
#include "tests/plugin/DeliveryHelpers.h"
#include "plugin/PictureDelivery.h"

namespace vorn::hostile {

// The settings of each call. POSIX: a settings file per (MultiImage,
// PassCode) pair, written once and chosen through $VORN_SETTINGS_FILE, which
// is restored afterwards. Windows: the registry values, written when they
// change.
#ifdef _WIN32
class TSettingsFiles {
 public:
  void Use(bool multiImage, int32_t passCode) {
    const auto key = std::make_pair(multiImage, passCode);
    if (last_ == key) return;
    platform::WriteSetting("Susie", "MultiImage", multiImage ? "1" : "0");
    platform::WriteSetting("Common", "PassCode", std::to_string(passCode));
    last_ = key;
  }

 private:
  std::optional<std::pair<bool, int32_t>> last_;
};
#else
class TSettingsFiles {
 public:
  TSettingsFiles()
      : dir_(std::filesystem::temp_directory_path() /
             ("vorn-hostile-" + std::to_string(::getpid()))) {
    std::filesystem::create_directories(dir_);
    if (const char* old = std::getenv("VORN_SETTINGS_FILE")) saved_ = old;
  }
  ~TSettingsFiles() {
    if (saved_)
      ::setenv("VORN_SETTINGS_FILE", saved_->c_str(), 1);
    else
      ::unsetenv("VORN_SETTINGS_FILE");
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }
  TSettingsFiles(const TSettingsFiles&) = delete;
  TSettingsFiles& operator=(const TSettingsFiles&) = delete;

  void Use(bool multiImage, int32_t passCode) {
    const auto key = std::make_pair(multiImage, passCode);
    auto at = files_.find(key);
    if (at == files_.end()) {
      const std::string path = (dir_ / ("settings-" + std::to_string(multiImage) + "-" +
                                        std::to_string(passCode) + ".ini"))
                                   .string();
      ::setenv("VORN_SETTINGS_FILE", path.c_str(), 1);
      platform::WriteSetting("Susie", "MultiImage", multiImage ? "1" : "0");
      platform::WriteSetting("Common", "PassCode", std::to_string(passCode));
      at = files_.emplace(key, path).first;
    }
    ::setenv("VORN_SETTINGS_FILE", at->second.c_str(), 1);
  }

 private:
  std::filesystem::path dir_;
  std::optional<std::string> saved_;
  std::map<std::pair<bool, int32_t>, std::string> files_;
};
#endif

struct TCallResults {
  int32_t Picture = -1;     // GetPicture, MultiImage on
  int32_t PictureOff = -1;  // GetPicture, MultiImage off
  int32_t Preview = -1;
  int32_t Info = -1;        // GetPictureInfo, MultiImage on
  int32_t InfoOff = -1;     // GetPictureInfo, MultiImage off
  std::string Problem;      // empty when every rule was kept
};

inline std::string DeliveredProblem(const testing::TDelivered& d, const char* call) {
  if (d.Result == 0) {
    const std::string p = PictureProblem(d.Info, d.Bits);
    return p.empty() ? p : std::string(call) + ": " + p;
  }
  if (d.Result != -1) return std::string(call) + " returned " + std::to_string(d.Result);
  if (!d.Info.empty() || !d.Bits.empty()) return std::string(call) + " failed but handed over blocks";
  return {};
}

inline TCallResults RunPictureCalls(TSettingsFiles& settings, const std::vector<uint8_t>& bytes,
                                    int32_t passCode) {
  TCallResults r;
  const TPictureRequest request = testing::MemoryRequest(bytes);
  auto note = [&](const std::string& p) {
    if (!p.empty() && r.Problem.empty()) r.Problem = p;
  };

  settings.Use(true, passCode);
  const testing::TDelivered picture = testing::Deliver(request, false);
  r.Picture = picture.Result;
  note(DeliveredProblem(picture, "GetPicture"));

  SusiePictureInfo info;
  std::memset(&info, 0x5A, sizeof info);
  r.Info = GetPictureInfoCall(request, &info);
  if (r.Info == 0) {
    if (info.left != 0 || info.top != 0 || info.x_density != 1 || info.y_density != 1 ||
        info.hInfo != nullptr)
      note("GetPictureInfo: fixed fields wrong");
  } else if (r.Info == -1) {
    const auto* raw = reinterpret_cast<const uint8_t*>(&info);
    for (size_t i = 0; i < sizeof info; ++i)
      if (raw[i] != 0x5A) {
        note("GetPictureInfo failed but wrote the record");
        break;
      }
  } else {
    note("GetPictureInfo returned " + std::to_string(r.Info));
  }

  settings.Use(false, passCode);
  r.InfoOff = GetPictureInfoCall(request, &info);
  const testing::TDelivered pictureOff = testing::Deliver(request, false);
  const testing::TDelivered preview = testing::Deliver(request, true);
  r.PictureOff = pictureOff.Result;
  r.Preview = preview.Result;
  note(DeliveredProblem(pictureOff, "GetPicture (MultiImage off)"));
  note(DeliveredProblem(preview, "GetPreview"));
  if (!(pictureOff == preview)) note("GetPicture without MultiImage differs from GetPreview");
  if (picture.Result == 0 && preview.Result != 0) note("GetPicture succeeded, GetPreview failed");
  return r;
}

}  // namespace vorn::hostile
