#include "platform/SettingsStore.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/IniDocument.h"
#include "support/Messages.h"
#include "support/VornError.h"

namespace vorn::platform {
namespace {

// A settings file larger than this is not ours; it reads as empty and is
// not overwritten.
constexpr off_t kMaxSettingsFile = 1 << 20;

std::string SettingsPath() {
  if (const char* file = std::getenv("VORN_SETTINGS_FILE"); file != nullptr && *file != 0)
    return file;
  const char* config = std::getenv("XDG_CONFIG_HOME");
  std::string dir;
  if (config != nullptr && *config == '/') {
    dir = config;
  } else {
    const char* home = std::getenv("HOME");
    dir = std::string(home != nullptr ? home : "") + "/.config";
  }
  return dir + "/vornlive/settings.ini";
}

// Creates every missing directory above path; false when one cannot be made.
bool MakeParentDirectories(const std::string& path) {
  for (size_t at = path.find('/', 1); at != std::string::npos; at = path.find('/', at + 1)) {
    const std::string dir = path.substr(0, at);
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return false;
  }
  return true;
}

// The file's text; empty when there is none (reading creates nothing: the
// file is made by the first write). nullopt when it cannot be read or is
// too large.
std::optional<std::string> LoadSettingsText(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0 && errno == ENOENT) return std::string();
  if (fd < 0) return std::nullopt;
  struct stat st {};
  std::optional<std::string> text;
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= kMaxSettingsFile) {
    text.emplace();
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0) text->append(buffer, static_cast<size_t>(n));
    if (n < 0) text.reset();
  }
  ::close(fd);
  return text;
}

// Writes the whole file through a temporary beside it, so a reader never
// sees half of it.
bool StoreSettingsText(const std::string& path, const std::string& text) {
  const std::string temp = path + ".tmp" + std::to_string(::getpid());
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  const bool written = done == text.size() && ::fsync(fd) == 0;
  if (::close(fd) != 0 || !written || ::rename(temp.c_str(), path.c_str()) != 0) {
    ::unlink(temp.c_str());
    return false;
  }
  return true;
}

}  // namespace

TSettingValue ReadSetting(const char* section, const char* name) {
  const auto text = LoadSettingsText(SettingsPath());
  if (!text) return {};
  const auto value = TIniDocument(*text).Get(section, name);
  if (!value) return {};
  return {TSettingType::Text, *value};
}

void WriteSetting(const char* section, const char* name, const std::string& text) {
  const std::string path = SettingsPath();
  if (!MakeParentDirectories(path)) throw ERegistryError(FormatMessage(kMsgCreateKeyFailed, path));
  const auto old = LoadSettingsText(path);
  if (!old) throw ERegistryError(FormatMessage(kMsgSetValueFailed, std::string(name)));
  TIniDocument document(*old);
  document.Set(section, name, text);
  if (!StoreSettingsText(path, document.Text()))
    throw ERegistryError(FormatMessage(kMsgSetValueFailed, std::string(name)));
}

std::string SettingsLocation() { return SettingsPath(); }

}  // namespace vorn::platform
