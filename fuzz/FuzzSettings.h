// The environment of the picture fuzz targets: the first input byte picks
// MultiImage, the identification code and the screen size, so that every
// setting the picture calls read is under the fuzzer's control.
//
// Settings are read by the calls from the settings file named by
// $VORN_SETTINGS_FILE; one file per combination is written once at start-up
// and the variable is pointed at the right one for each input, so no input
// costs a file write. The screen size comes from $VORN_SCREEN.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz/FuzzOptions.h"
#include "platform/SettingsStore.h"

namespace vorn::fuzz {

class TFuzzEnvironment {
 public:
  TFuzzEnvironment() {
    // A small budget keeps executions fast; the limit itself is what is
    // being exercised. An explicit setting wins.
    ::setenv("VORN_MEMORY_LIMIT_MB", "64", 0);
    dir_ = "/tmp/vorn-fuzz-" + std::to_string(::getpid());
    ::mkdir(dir_.c_str(), 0700);
    for (int multi = 0; multi < 2; ++multi) {
      for (int code = 0; code < 4; ++code) {
        const std::string file = FileFor(multi != 0, code);
        ::setenv("VORN_SETTINGS_FILE", file.c_str(), 1);
        platform::WriteSetting("Susie", "MultiImage", multi != 0 ? "1" : "0");
        platform::WriteSetting("Common", "PassCode", std::to_string(kPassCodes[code]));
      }
    }
  }
  ~TFuzzEnvironment() {
    for (int multi = 0; multi < 2; ++multi)
      for (int code = 0; code < 4; ++code) ::unlink(FileFor(multi != 0, code).c_str());
    ::rmdir(dir_.c_str());
  }

  void Apply(const TFuzzOptions& options) const {
    ::setenv("VORN_SETTINGS_FILE", FileFor(options.MultiImage, options.PassCode).c_str(), 1);
    ::setenv("VORN_SCREEN", kScreens[options.Screen], 1);
  }

 private:
  std::string FileFor(bool multi, int code) const {
    return dir_ + "/settings-" + std::to_string(multi ? 1 : 0) + std::to_string(code) + ".ini";
  }
  std::string dir_;
};

// One environment per process, made on first use and removed at exit.
inline const TFuzzEnvironment& Environment() {
  static const TFuzzEnvironment environment;
  return environment;
}

// Aborts with a message: libFuzzer saves the input as a crash.
[[noreturn]] inline void Fail(const std::string& what) {
  std::fprintf(stderr, "invariant broken: %s\n", what.c_str());
  std::abort();
}

}  // namespace vorn::fuzz
