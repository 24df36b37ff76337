// Gives a test its own settings store and restores the real one afterwards:
// a private INI file natively; on Windows the registry values the tests
// touch are saved, deleted for the test and put back at the end.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#undef FormatMessage  // windows.h would turn vorn::FormatMessage into FormatMessageA
#else
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#endif

namespace vorn::testing {

class TSettingsSandbox : public ::testing::Test {
 protected:
#if defined(_WIN32)
  struct TSaved {
    const char* Section;
    const char* Name;
    bool Present = false;
    DWORD Type = 0;
    std::vector<BYTE> Data;
  };

  void SetUp() override {
    for (TSaved& s : saved_) {
      HKEY key = nullptr;
      if (RegOpenKeyExA(HKEY_CURRENT_USER, Path(s.Section).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) continue;
      DWORD bytes = 0;
      if (RegQueryValueExA(key, s.Name, nullptr, &s.Type, nullptr, &bytes) == ERROR_SUCCESS) {
        s.Data.resize(bytes);
        s.Present = RegQueryValueExA(key, s.Name, nullptr, &s.Type, s.Data.data(), &bytes) == ERROR_SUCCESS;
      }
      RegCloseKey(key);
      Delete(s.Section, s.Name);
    }
  }

  void TearDown() override {
    for (const TSaved& s : saved_) {
      Delete(s.Section, s.Name);
      if (s.Present) Store(s.Section, s.Name, s.Type, s.Data.data(), static_cast<DWORD>(s.Data.size()));
    }
  }

  static std::string Path(const char* section) {
    return std::string("Software\\ORMALDE\\VornLive\\") + section;
  }

  static void Delete(const char* section, const char* name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, Path(section).c_str(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
    RegDeleteValueA(key, name);
    RegCloseKey(key);
  }

  static void Store(const char* section, const char* name, DWORD type, const void* data, DWORD size) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, Path(section).c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
  }

 public:
  // Stores a text value as a registry REG_SZ.
  static void StoreText(const char* section, const char* name, const std::string& text) {
    Store(section, name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
  }

  static bool StoreExists() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\ORMALDE\\VornLive", 0, KEY_READ, &key) != ERROR_SUCCESS)
      return false;
    RegCloseKey(key);
    return true;
  }

 private:
  TSaved saved_[2] = {{"Susie", "MultiImage", false, 0, {}}, {"Common", "PassCode", false, 0, {}}};
#else
  void SetUp() override {
    char dir[] = "/tmp/vorn-settings-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    dir_ = dir;
    path_ = dir_ + "/sub/settings.ini";
    setenv("VORN_SETTINGS_FILE", path_.c_str(), 1);
  }

  void TearDown() override {
    unsetenv("VORN_SETTINGS_FILE");
    std::remove(path_.c_str());
    ::rmdir((dir_ + "/sub").c_str());
    ::rmdir(dir_.c_str());
  }

 public:
  // Stores a text value: the INI file is written here, not by the code under test.
  void StoreText(const char* section, const char* name, const std::string& text) {
    std::erase_if(entries_, [&](const auto& e) { return e[0] == section && e[1] == name; });
    entries_.push_back({section, name, text});
    ::mkdir((dir_ + "/sub").c_str(), 0700);
    std::FILE* f = std::fopen(path_.c_str(), "w");
    ASSERT_NE(f, nullptr);
    for (const auto& e : entries_) std::fprintf(f, "[%s]\n%s=%s\n\n", e[0].c_str(), e[1].c_str(), e[2].c_str());
    std::fclose(f);
  }

  bool StoreExists() const { return ::access(path_.c_str(), F_OK) == 0; }

  std::string dir_;
  std::string path_;
  std::vector<std::array<std::string, 3>> entries_;
#endif
};

}  // namespace vorn::testing
