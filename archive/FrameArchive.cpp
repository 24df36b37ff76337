#include "archive/FrameArchive.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "archive/FrameEntries.h"
#include "config/VornSettings.h"
#include "platform/AnsiText.h"
#include "platform/FileStreams.h"
#include "platform/OutputFiles.h"
#include "platform/WideText.h"
#include "support/ShiftJis.h"
#include "support/SpinLock.h"
#include "support/Stream.h"
#include "support/VornError.h"
#include "vorn/vorn.h"

namespace vorn {

namespace {

using platform::THostHandle;

// A failed call's result, thrown from wherever it is found.
struct EArchiveResult {
  int32_t Result;
};

int32_t ResultOf(vorn_status status) {
  switch (status) {
    case VORN_OK: return kArchiveOk;
    case VORN_ERROR_NOT_VRN:
    case VORN_ERROR_UNSUPPORTED: return kArchiveUnknownFormat;
    case VORN_ERROR_TRUNCATED:
    case VORN_ERROR_DAMAGED:
    case VORN_ERROR_COMPRESSED:
    case VORN_ERROR_JPEG:
    case VORN_ERROR_PASS_CODE:
    case VORN_ERROR_INDEX: return kArchiveDamaged;
    case VORN_ERROR_LIMIT:
    case VORN_ERROR_NO_MEMORY: return kArchiveNoMemory;
    case VORN_ERROR_IO: return kArchiveReadError;
    default: return kArchiveInternalError;
  }
}

void Check(vorn_status status) {
  if (status != VORN_OK) throw EArchiveResult{ResultOf(status)};
}

// The whole body of an archive call: whatever it throws becomes a result.
template <class Body>
int32_t ArchiveCall(Body&& body) noexcept {
  try {
    return body();
  } catch (const EArchiveResult& failure) {
    return failure.Result;
  } catch (const std::bad_alloc&) {
    return kArchiveNoMemory;
  } catch (const std::exception& e) {
    switch (ErrorKindOf(e)) {
      case TErrorKind::Io: return kArchiveReadError;
      case TErrorKind::Limit:
      case TErrorKind::NoMemory: return kArchiveNoMemory;
      case TErrorKind::Truncated:
      case TErrorKind::Damaged:
      case TErrorKind::Compressed:
      case TErrorKind::Jpeg:
      case TErrorKind::PassCode: return kArchiveDamaged;
      case TErrorKind::Unsupported: return kArchiveUnknownFormat;
      default: return kArchiveInternalError;
    }
  } catch (...) {
    return kArchiveInternalError;
  }
}

bool IsFileInput(const TArchiveRequest& request) { return (request.flag & 7) == 0; }

// A file as the calls name it, and the state it was in.
struct TFileIdentity {
  std::string AnsiName;
  std::u16string WideName;
  bool Wide = false;
  platform::TFileStamp Stamp;
  int32_t PassCode = 0;
  bool operator==(const TFileIdentity&) const = default;

  static TFileIdentity Of(const TArchiveRequest& request) {
    TFileIdentity file;
    file.Wide = request.wideName != nullptr;
    if (file.Wide)
      file.WideName = request.wideName;
    else if (request.buf != nullptr)
      file.AnsiName = request.buf;
    else
      throw EArchiveResult{kArchiveReadError};
    file.Stamp = file.Wide ? platform::StampFileW(request.wideName) : platform::StampFile(request.buf);
    if (file.Stamp.Size < 0) throw EArchiveResult{kArchiveReadError};
    file.PassCode = ReadPassCode();
    return file;
  }

  std::unique_ptr<TStream> OpenStream() const {
    return Wide ? platform::OpenFileStreamW(WideName.c_str()) : platform::OpenFileStream(AnsiName.c_str());
  }
};

vorn_options OptionsWith(int32_t passCode) {
  vorn_options options{};
  options.struct_size = sizeof options;
  options.pass_code = passCode;
  return options;
}

// A .vrn file at an offset of a file on disk, open as an image with its
// list of entries. Its file is open only while a call uses it: the image
// reads through callbacks that keep their own position, so a reopened file
// carries on where the last call stopped.
class TArchiveFile {
 public:
  TArchiveFile(const TFileIdentity& file, int64_t offset) : file_(file), offset_(offset) {
    if (offset < 0 || offset > file.Stamp.Size) throw EArchiveResult{kArchiveReadError};
    io_.size = static_cast<uint64_t>(file.Stamp.Size - offset);
    io_.user = this;
    io_.read = [](void* user, void* buffer, size_t count) -> size_t {
      auto* self = static_cast<TArchiveFile*>(user);
      try {
        if (!self->stream_) return static_cast<size_t>(-1);
        const size_t got = self->stream_->Read(buffer, count);
        self->position_ += got;
        return got;
      } catch (...) {
        return static_cast<size_t>(-1);
      }
    };
    io_.seek = [](void* user, uint64_t position) -> int {
      auto* self = static_cast<TArchiveFile*>(user);
      try {
        if (!self->stream_) return -1;
        self->stream_->Seek(self->offset_ + static_cast<int64_t>(position));
        self->position_ = position;
        return 0;
      } catch (...) {
        return -1;
      }
    };
    const TOpenDuringCall open(*this);
    const vorn_options options = OptionsWith(file.PassCode);
    vorn_image* image = nullptr;
    Check(vorn_open_io(&io_, &options, &image));
    image_.reset(image);
    entries_ = ListFrameEntries(image);
    Check(vorn_scan_frames(image, &frames_));
  }
  TArchiveFile(const TArchiveFile&) = delete;
  TArchiveFile& operator=(const TArchiveFile&) = delete;

  const TFileIdentity& File() const { return file_; }
  int64_t Offset() const { return offset_; }
  // Whether position names one of this file's frames.
  bool Holds(int64_t position) const {
    return position >= offset_ && position - offset_ < int64_t{frames_};
  }
  const std::vector<TFrameEntry>& Entries() const { return entries_; }
  uint32_t FrameCount() const { return frames_; }

  const TFrameEntry* EntryAt(int64_t position) const {
    if (!Holds(position)) return nullptr;
    const auto frame = static_cast<uint32_t>(position - offset_);
    for (const TFrameEntry& entry : entries_)
      if (entry.Frame == frame) return &entry;
    return nullptr;
  }

  // The frame as a BMP file, decoded along with the frames before it that
  // have not been.
  std::vector<uint8_t> Extract(const TFrameEntry& entry) {
    const TOpenDuringCall open(*this);
    vorn_dib dib{};
    Check(vorn_decode_frame_dib(image_.get(), entry.Frame, &dib));
    std::vector<uint8_t> bytes = BmpFile(dib);
    if (bytes.size() != entry.FileSize) throw EArchiveResult{kArchiveDamaged};
    return bytes;
  }

 private:
  class TOpenDuringCall {
   public:
    explicit TOpenDuringCall(TArchiveFile& file) : file_(file) {
      file_.stream_ = file_.file_.OpenStream();
      file_.stream_->Seek(file_.offset_ + static_cast<int64_t>(file_.position_));
    }
    ~TOpenDuringCall() { file_.stream_.reset(); }
    TOpenDuringCall(const TOpenDuringCall&) = delete;
    TOpenDuringCall& operator=(const TOpenDuringCall&) = delete;

   private:
    TArchiveFile& file_;
  };

  TFileIdentity file_;
  int64_t offset_;
  uint64_t position_ = 0;
  std::unique_ptr<TStream> stream_;
  vorn_io io_{};
  std::unique_ptr<vorn_image, void (*)(vorn_image*)> image_{nullptr, vorn_close};
  uint32_t frames_ = 0;
  std::vector<TFrameEntry> entries_;
};

// The last file used, and where the last few files listed began in their
// files (GetFile names a file and a position only). A file in use by one
// call is taken out, so another thread never sees it; it is put back after.
class TArchiveCache {
 public:
  std::unique_ptr<TArchiveFile> Take(const TFileIdentity& file, int64_t offset) {
    const TSpinLock::TGuard guard(lock_);
    if (last_ && last_->File() == file && last_->Offset() == offset) return std::move(last_);
    return nullptr;
  }

  // The file whose frames position counts, if a recent listing knows it.
  std::unique_ptr<TArchiveFile> TakeHolding(const TFileIdentity& file, int64_t position) {
    const TSpinLock::TGuard guard(lock_);
    if (last_ && last_->File() == file && last_->Holds(position)) return std::move(last_);
    return nullptr;
  }

  std::optional<int64_t> OffsetHolding(const TFileIdentity& file, int64_t position) {
    const TSpinLock::TGuard guard(lock_);
    for (auto it = listed_.rbegin(); it != listed_.rend(); ++it)
      if (it->File == file && position >= it->Offset && position - it->Offset < it->Frames)
        return it->Offset;
    return std::nullopt;
  }

  void Keep(std::unique_ptr<TArchiveFile> archive) {
    std::unique_ptr<TArchiveFile> old;
    {
      const TSpinLock::TGuard guard(lock_);
      old = std::move(last_);
      last_ = std::move(archive);
    }
  }

  void Listed(const TFileIdentity& file, int64_t offset, int64_t frames) noexcept {
    try {
      const TSpinLock::TGuard guard(lock_);
      std::erase_if(listed_, [&](const TListing& l) { return l.File == file && l.Offset == offset; });
      if (listed_.size() >= kListings) listed_.pop_front();
      listed_.push_back(TListing{file, offset, frames});
    } catch (...) {
    }
  }

 private:
  struct TListing {
    TFileIdentity File;
    int64_t Offset;
    int64_t Frames;
  };
  static constexpr size_t kListings = 16;
  TSpinLock lock_;
  std::unique_ptr<TArchiveFile> last_;
  std::deque<TListing> listed_;
};

// Made when the library is loaded and freed when it is unloaded; no thread
// runtime guards its construction.
TArchiveCache gCache;

// The entries of a call's input, and what each record says of them.
struct TListing {
  std::vector<TFrameEntry> Entries;
  int64_t Offset = 0;
  int64_t Timestamp = 0;
};

// Lists a file (reusing the last file when it is the same) or a memory
// block (read where it lies, nothing kept).
TListing ListInput(const TArchiveRequest& request) {
  TListing listing;
  if (!IsFileInput(request)) {
    if (request.buf == nullptr || request.len <= 0) throw EArchiveResult{kArchiveReadError};
    const vorn_options options = OptionsWith(ReadPassCode());
    vorn_image* image = nullptr;
    Check(vorn_open_memory(request.buf, static_cast<size_t>(request.len), &options, &image));
    const std::unique_ptr<vorn_image, void (*)(vorn_image*)> owned(image, vorn_close);
    listing.Entries = ListFrameEntries(image);
    return listing;
  }
  const TFileIdentity file = TFileIdentity::Of(request);
  std::unique_ptr<TArchiveFile> archive = gCache.Take(file, request.len);
  if (!archive) archive = std::make_unique<TArchiveFile>(file, request.len);
  listing.Entries = archive->Entries();
  listing.Offset = request.len;
  listing.Timestamp = file.Stamp.Modified;
  gCache.Listed(file, request.len, archive->FrameCount());
  gCache.Keep(std::move(archive));
  return listing;
}

template <class Char>
void FillRecord(TSusieFileInfo<Char>& record, const TFrameEntry& entry, const TListing& listing) {
  std::memset(&record, 0, sizeof record);
  std::memcpy(record.method, "VRN", 3);
  record.position = static_cast<uintptr_t>(listing.Offset + entry.Frame);
  record.compsize = entry.FileSize;
  record.filesize = entry.FileSize;
  const auto seconds = static_cast<uint64_t>(std::max<int64_t>(listing.Timestamp, 0));
  record.timestamp = static_cast<uintptr_t>(std::min<uint64_t>(seconds, UINTPTR_MAX));
  if constexpr (sizeof(Char) == 1)
    std::copy(entry.AnsiName.begin(), entry.AnsiName.end(), record.filename);
  else
    std::copy(entry.WideName.begin(), entry.WideName.end(), record.filename);
}

template <class Char>
int32_t ArchiveInfoBody(const TArchiveRequest& request, THostHandle* lphInf) {
  if (lphInf == nullptr) return kArchiveNotSupported;
  const TListing listing = ListInput(request);
  using TRecord = TSusieFileInfo<Char>;
  const size_t bytes = (listing.Entries.size() + 1) * sizeof(TRecord);
  const THostHandle handle = platform::HostAlloc(bytes);
  if (handle == nullptr) return kArchiveNoMemory;
  auto* records = static_cast<TRecord*>(platform::HostLock(handle));
  if (records == nullptr) {
    platform::HostFree(handle);
    return kArchiveMemoryError;
  }
  std::memset(records, 0, bytes);  // the last record ends the list
  for (size_t i = 0; i < listing.Entries.size(); ++i) FillRecord(records[i], listing.Entries[i], listing);
  platform::HostUnlock(handle);
  *lphInf = handle;
  return kArchiveOk;
}

char FoldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
char16_t FoldAscii(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

// Whether a host's name is an entry's name; ignoring the case of ASCII
// letters, never in the second byte of a double-byte character.
template <class Char>
bool SameName(std::basic_string_view<Char> wanted, const std::basic_string<Char>& name, bool anyCase) {
  if (wanted.size() != name.size()) return false;
  if (!anyCase) return wanted == name;
  bool trail = false;
  for (size_t i = 0; i < name.size(); ++i) {
    const bool same = trail ? wanted[i] == name[i] : FoldAscii(wanted[i]) == FoldAscii(name[i]);
    if (!same) return false;
    if constexpr (sizeof(Char) == 1)
      trail = !trail && IsSjisLead(name[i]);
  }
  return true;
}

template <class Char>
int32_t FileInfoBody(const TArchiveRequest& request, const Char* filename, TSusieFileInfo<Char>* lpInfo) {
  if (filename == nullptr || lpInfo == nullptr) return kArchiveNotSupported;
  const TListing listing = ListInput(request);
  const std::basic_string_view<Char> wanted(filename);
  const bool anyCase = (request.flag & 0x80) != 0;
  for (const TFrameEntry& entry : listing.Entries) {
    bool found = false;
    if constexpr (sizeof(Char) == 1)
      found = SameName(wanted, entry.AnsiName, anyCase);
    else
      found = SameName(wanted, entry.WideName, anyCase);
    if (found) {
      TSusieFileInfo<Char> record;
      FillRecord(record, entry, listing);
      *lpInfo = record;
      return kArchiveOk;
    }
  }
  return kArchiveNotSupported;
}

std::string JoinPath(std::string folder, const std::string& name) {
#if defined(_WIN32)
  if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') folder += '\\';
#else
  if (!folder.empty() && folder.back() != '/') folder += '/';
#endif
  return folder + name;
}

template <class Char>
int32_t FileBody(const TArchiveRequest& request, void* dest, SusieArchiveProgress progress,
                 intptr_t lData) {
  // A memory block's size is not part of the call: nothing can be read of
  // it safely.
  if (!IsFileInput(request) || dest == nullptr) return kArchiveNotSupported;
  const uint32_t output = request.flag & 0x700;
  if (output != 0 && output != 0x100) return kArchiveNotSupported;
  if (progress != nullptr && progress(0, 1, lData) != 0) return kArchiveCancelled;

  const TFileIdentity file = TFileIdentity::Of(request);
  const int64_t position = request.len;
  std::unique_ptr<TArchiveFile> archive = gCache.TakeHolding(file, position);
  if (!archive)
    archive = std::make_unique<TArchiveFile>(file, gCache.OffsetHolding(file, position).value_or(0));
  const TFrameEntry* entry = archive->EntryAt(position);
  if (entry == nullptr) {
    gCache.Keep(std::move(archive));
    return kArchiveNotSupported;
  }
  const TFrameEntry found = *entry;
  // A file whose decoding failed is not kept: the next call starts afresh.
  const std::vector<uint8_t> bmp = archive->Extract(found);
  gCache.Keep(std::move(archive));
  if (progress != nullptr && progress(1, 1, lData) != 0) return kArchiveCancelled;

  if (output == 0x100) {
    const THostHandle handle = platform::HostAlloc(bmp.size());
    if (handle == nullptr) return kArchiveNoMemory;
    void* bytes = platform::HostLock(handle);
    if (bytes == nullptr) {
      platform::HostFree(handle);
      return kArchiveMemoryError;
    }
    std::memcpy(bytes, bmp.data(), bmp.size());
    platform::HostUnlock(handle);
    *static_cast<THostHandle*>(dest) = handle;
    return kArchiveOk;
  }
  std::string path;
  if constexpr (sizeof(Char) == 1)
    path = JoinPath(platform::Utf8FromAnsiName(static_cast<const char*>(dest)),
                    platform::Utf8FromAnsiName(found.AnsiName));
  else
    path = JoinPath(platform::Utf8FromUtf16(static_cast<const char16_t*>(dest)),
                    platform::Utf8FromUtf16(found.WideName));
  if (!platform::WriteWholeFileSafely(path, bmp, false).empty()) return kArchiveReadError;
  return kArchiveOk;
}

}  // namespace

int32_t GetArchiveInfoCall(const TArchiveRequest& request, THostHandle* lphInf) noexcept {
  return ArchiveCall([&] { return ArchiveInfoBody<char>(request, lphInf); });
}

int32_t GetArchiveInfoCallW(const TArchiveRequest& request, THostHandle* lphInf) noexcept {
  return ArchiveCall([&] { return ArchiveInfoBody<char16_t>(request, lphInf); });
}

int32_t GetFileInfoCall(const TArchiveRequest& request, const char* filename,
                        SusieFileInfo* lpInfo) noexcept {
  return ArchiveCall([&] { return FileInfoBody<char>(request, filename, lpInfo); });
}

int32_t GetFileInfoCallW(const TArchiveRequest& request, const char16_t* filename,
                         SusieFileInfoW* lpInfo) noexcept {
  return ArchiveCall([&] { return FileInfoBody<char16_t>(request, filename, lpInfo); });
}

int32_t GetFileCall(const TArchiveRequest& request, void* dest, SusieArchiveProgress progress,
                    intptr_t lData) noexcept {
  return ArchiveCall([&] { return FileBody<char>(request, dest, progress, lData); });
}

int32_t GetFileCallW(const TArchiveRequest& request, void* dest, SusieArchiveProgress progress,
                     intptr_t lData) noexcept {
  return ArchiveCall([&] { return FileBody<char16_t>(request, dest, progress, lData); });
}

}  // namespace vorn
