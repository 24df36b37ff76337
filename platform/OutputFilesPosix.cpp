#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <random>

#include "platform/OutputFiles.h"

namespace vorn::platform {

std::FILE* OpenFile(const std::string& utf8Path, const char* mode, std::string* reason) {
  std::FILE* file = std::fopen(utf8Path.c_str(), mode);
  if (file == nullptr) {
    if (reason != nullptr) *reason = std::strerror(errno);
    return nullptr;
  }
  struct stat st {};
  if (mode[0] == 'r' && ::fstat(::fileno(file), &st) == 0 && S_ISDIR(st.st_mode)) {
    std::fclose(file);
    if (reason != nullptr) *reason = std::strerror(EISDIR);
    return nullptr;
  }
  return file;
}

bool SeekFile(std::FILE* file, uint64_t position) {
  return position <= INT64_MAX && ::fseeko(file, static_cast<off_t>(position), SEEK_SET) == 0;
}

int64_t FileSize(std::FILE* file) {
  struct stat st {};
  if (::fstat(::fileno(file), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  return static_cast<int64_t>(st.st_size);
}

std::string WriteWholeFileSafely(const std::string& utf8Path, const std::vector<uint8_t>& bytes,
                        bool noClobber) {
  const size_t slash = utf8Path.rfind('/');
  const std::string dir = slash == std::string::npos ? std::string() : utf8Path.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? utf8Path : utf8Path.substr(slash + 1);
  struct stat st {};
  if (noClobber && ::lstat(utf8Path.c_str(), &st) == 0) return std::strerror(EEXIST);
  // A new file of our own beside the target; mode as a plain new file gets.
  std::random_device random;
  std::string temp;
  int fd = -1;
  for (int attempt = 0; fd < 0 && attempt < 16; ++attempt) {
    temp = dir + "." + name + "." + std::to_string(random() % 1000000) + ".tmp";
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) return std::strerror(errno);
  }
  if (fd < 0) return std::strerror(EEXIST);
  int error = 0;
  for (size_t done = 0; done < bytes.size() && error == 0;) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n > 0)
      done += static_cast<size_t>(n);
    else if (n < 0 && errno != EINTR)
      error = errno;
    else if (n == 0)
      error = EIO;
  }
  if (error == 0 && ::fsync(fd) != 0) error = errno;
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error == 0 && noClobber && ::lstat(utf8Path.c_str(), &st) == 0) error = EEXIST;
  if (error == 0 && ::rename(temp.c_str(), utf8Path.c_str()) != 0) error = errno;
  if (error != 0) {
    ::unlink(temp.c_str());
    return std::strerror(error);
  }
  return {};
}

}  // namespace vorn::platform
