#include "platform/FileStreams.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/WideText.h"
#include "support/Messages.h"
#include "support/VornError.h"

namespace vorn::platform {
namespace {

// Reads until count bytes or the end of the file: at offset, or (offset
// negative) from the descriptor's own position.
size_t ReadFully(int fd, void* buffer, size_t count, int64_t offset) {
  auto* out = static_cast<char*>(buffer);
  size_t done = 0;
  while (done < count) {
    const ssize_t n = offset < 0 ? ::read(fd, out + done, count - done)
                                 : ::pread(fd, out + done, count - done,
                                           static_cast<off_t>(offset + static_cast<int64_t>(done)));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw EReadError(kMsgStreamRead);
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  return done;
}

// A stream over a file descriptor. The position is the descriptor's own, so
// a host that reads the descriptor afterwards sees where we stopped.
class TDescriptorStream final : public TStream {
 public:
  TDescriptorStream(int fd, bool owned) : fd_(fd), owned_(owned) {}
  ~TDescriptorStream() override {
    if (owned_) ::close(fd_);
  }
  TDescriptorStream(const TDescriptorStream&) = delete;
  TDescriptorStream& operator=(const TDescriptorStream&) = delete;

  int64_t Size() const override {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) throw EReadError(kMsgStreamRead);
    return static_cast<int64_t>(st.st_size);
  }

  int64_t Position() const override {
    const off_t at = ::lseek(fd_, 0, SEEK_CUR);
    if (at < 0) throw EReadError(kMsgStreamRead);
    return static_cast<int64_t>(at);
  }

  void Seek(int64_t position) override {
    if (position < 0 || ::lseek(fd_, static_cast<off_t>(position), SEEK_SET) < 0)
      throw EReadError(kMsgStreamRead);
  }

  size_t Read(void* buffer, size_t count) override { return ReadFully(fd_, buffer, count, -1); }

 private:
  int fd_;
  bool owned_;
};

// A file we opened by its name: read at offsets, its size and our position
// kept by the stream.
class TFileByName final : public TPositionalStream {
 public:
  TFileByName(int fd, int64_t size) : TPositionalStream(size), fd_(fd) {}
  ~TFileByName() override { ::close(fd_); }
  TFileByName(const TFileByName&) = delete;
  TFileByName& operator=(const TFileByName&) = delete;

 protected:
  size_t ReadAt(int64_t offset, void* buffer, size_t count) const override {
    return ReadFully(fd_, buffer, count, offset);
  }

 private:
  int fd_;
};

}  // namespace

std::unique_ptr<TStream> OpenFileStream(const char* fileName) {
  if (fileName == nullptr) throw EReadError(TErrorKind::Io, FormatMessage(kMsgFileOpen, std::string()));
  const int fd = ::open(fileName, O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw EReadError(TErrorKind::Io, FormatMessage(kMsgFileOpen, std::string(fileName)));
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    // Directories and devices are not picture files.
    ::close(fd);
    throw EReadError(TErrorKind::Io, FormatMessage(kMsgFileOpen, std::string(fileName)));
  }
  return std::make_unique<TFileByName>(fd, static_cast<int64_t>(st.st_size));
}

std::unique_ptr<TStream> OpenFileStreamW(const char16_t* fileName) {
  if (fileName == nullptr) throw EReadError(TErrorKind::Io, FormatMessage(kMsgFileOpen, std::string()));
  return OpenFileStream(Utf8FromUtf16(fileName).c_str());
}

std::unique_ptr<TStream> HostHandleStream(uintptr_t handle) {
  if (handle > static_cast<uintptr_t>(INT32_MAX)) throw EReadError(kMsgStreamRead);
  return std::make_unique<TDescriptorStream>(static_cast<int>(handle), false);
}

TFileStamp StampFile(const char* fileName) {
  struct stat st {};
  if (fileName == nullptr || ::stat(fileName, &st) != 0 || !S_ISREG(st.st_mode)) return {};
  return TFileStamp{static_cast<int64_t>(st.st_size), static_cast<int64_t>(st.st_mtim.tv_sec),
                    static_cast<int64_t>(st.st_mtim.tv_nsec)};
}

TFileStamp StampFileW(const char16_t* fileName) {
  if (fileName == nullptr) return {};
  return StampFile(Utf8FromUtf16(fileName).c_str());
}

}  // namespace vorn::platform
