#include "platform/FileStreams.h"

#include <windows.h>
// windows.h maps FormatMessage to FormatMessageA; ours is vorn::FormatMessage.
#undef FormatMessage

#include <string>

#include "support/Messages.h"
#include "support/VornError.h"

namespace vorn::platform {
namespace {

// A stream over a Win32 file handle. The position is the handle's own, so a
// host that reads the handle afterwards sees where we stopped.
class THandleStream final : public TStream {
 public:
  THandleStream(HANDLE handle, bool owned) : handle_(handle), owned_(owned) {}
  ~THandleStream() override {
    if (owned_) CloseHandle(handle_);
  }
  THandleStream(const THandleStream&) = delete;
  THandleStream& operator=(const THandleStream&) = delete;

  int64_t Size() const override {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(handle_, &size)) throw EReadError(kMsgStreamRead);
    return size.QuadPart;
  }

  int64_t Position() const override {
    LARGE_INTEGER zero{}, at{};
    if (!SetFilePointerEx(handle_, zero, &at, FILE_CURRENT)) throw EReadError(kMsgStreamRead);
    return at.QuadPart;
  }

  void Seek(int64_t position) override {
    LARGE_INTEGER to{};
    to.QuadPart = position;
    if (position < 0 || !SetFilePointerEx(handle_, to, nullptr, FILE_BEGIN))
      throw EReadError(kMsgStreamRead);
  }

  size_t Read(void* buffer, size_t count) override {
    auto* out = static_cast<char*>(buffer);
    size_t done = 0;
    while (done < count) {
      const size_t left = count - done;
      const DWORD chunk = left > 0x40000000u ? 0x40000000u : static_cast<DWORD>(left);
      DWORD got = 0;
      if (!ReadFile(handle_, out + done, chunk, &got, nullptr)) throw EReadError(kMsgStreamRead);
      if (got == 0) break;
      done += got;
    }
    return done;
  }

 private:
  HANDLE handle_;
  bool owned_;
};

// A file we opened by its name: read at offsets, its size and our position
// kept by the stream (nobody may write it while we hold it open).
class TFileByName final : public TPositionalStream {
 public:
  TFileByName(HANDLE handle, int64_t size) : TPositionalStream(size), handle_(handle) {}
  ~TFileByName() override { CloseHandle(handle_); }
  TFileByName(const TFileByName&) = delete;
  TFileByName& operator=(const TFileByName&) = delete;

 protected:
  size_t ReadAt(int64_t offset, void* buffer, size_t count) const override {
    auto* out = static_cast<char*>(buffer);
    size_t done = 0;
    while (done < count) {
      const size_t left = count - done;
      const DWORD chunk = left > 0x40000000u ? 0x40000000u : static_cast<DWORD>(left);
      const auto at = static_cast<uint64_t>(offset) + done;
      OVERLAPPED where{};
      where.Offset = static_cast<DWORD>(at);
      where.OffsetHigh = static_cast<DWORD>(at >> 32);
      DWORD got = 0;
      if (!ReadFile(handle_, out + done, chunk, &got, &where)) {
        if (GetLastError() == ERROR_HANDLE_EOF) break;
        throw EReadError(kMsgStreamRead);
      }
      if (got == 0) break;
      done += got;
    }
    return done;
  }

 private:
  HANDLE handle_;
};

std::unique_ptr<TStream> Opened(HANDLE handle, const std::string& name) {
  if (handle == INVALID_HANDLE_VALUE) throw EReadError(TErrorKind::Io, FormatMessage(kMsgFileOpen, name));
  LARGE_INTEGER size{};
  if (GetFileType(handle) != FILE_TYPE_DISK || !GetFileSizeEx(handle, &size)) {
    CloseHandle(handle);
    throw EReadError(TErrorKind::Io, FormatMessage(kMsgFileOpen, name));
  }
  return std::make_unique<TFileByName>(handle, size.QuadPart);
}

}  // namespace

// Others may read the file while we do, but not write it.
std::unique_ptr<TStream> OpenFileStream(const char* fileName) {
  if (fileName == nullptr) throw EReadError(TErrorKind::Io, FormatMessage(kMsgFileOpen, std::string()));
  return Opened(CreateFileA(fileName, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr),
                fileName);
}

std::unique_ptr<TStream> OpenFileStreamW(const char16_t* fileName) {
  if (fileName == nullptr) throw EReadError(TErrorKind::Io, FormatMessage(kMsgFileOpen, std::string()));
  return Opened(CreateFileW(reinterpret_cast<const wchar_t*>(fileName), GENERIC_READ,
                            FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                            nullptr),
                std::string());
}

std::unique_ptr<TStream> HostHandleStream(uintptr_t handle) {
  return std::make_unique<THandleStream>(reinterpret_cast<HANDLE>(handle), false);
}

namespace {

TFileStamp StampOf(BOOL found, const WIN32_FILE_ATTRIBUTE_DATA& data) {
  if (!found || (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return {};
  const uint64_t size = (uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
  // 100-nanosecond ticks since 1601.
  const uint64_t ticks =
      (uint64_t{data.ftLastWriteTime.dwHighDateTime} << 32) | data.ftLastWriteTime.dwLowDateTime;
  constexpr int64_t kTicksTo1970 = 116444736000000000LL;
  const int64_t since1970 = static_cast<int64_t>(ticks) - kTicksTo1970;
  return TFileStamp{static_cast<int64_t>(size), since1970 / 10000000, since1970 % 10000000 * 100};
}

}  // namespace

TFileStamp StampFile(const char* fileName) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (fileName == nullptr) return {};
  return StampOf(GetFileAttributesExA(fileName, GetFileExInfoStandard, &data), data);
}

TFileStamp StampFileW(const char16_t* fileName) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (fileName == nullptr) return {};
  return StampOf(GetFileAttributesExW(reinterpret_cast<const wchar_t*>(fileName),
                                      GetFileExInfoStandard, &data),
                 data);
}

}  // namespace vorn::platform
