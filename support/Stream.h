// Byte streams the reader works on: a seekable source with a size, read in
// little-endian pieces. Reads that would run past the end either return
// fewer bytes (Read) or fail with EReadError (ReadBuffer and the typed reads);
// nothing is ever read outside the data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace vorn {

class TStream {
 public:
  virtual ~TStream() = default;

  virtual int64_t Size() const = 0;
  virtual int64_t Position() const = 0;
  // Moves to an absolute position; positions beyond the end are allowed
  // (later reads deliver nothing), negative ones fail with EReadError.
  virtual void Seek(int64_t position) = 0;
  // Reads up to count bytes; returns how many were read (0 at the end).
  virtual size_t Read(void* buffer, size_t count) = 0;

  // All of the stream's bytes, from position 0 to Size, when they lie one
  // after another in memory (decoders then read them where they are instead
  // of through a copy); null otherwise.
  virtual const uint8_t* ContiguousBytes() const { return nullptr; }

  // Whether ReadShared may be called from other threads while the stream is
  // used: its bytes lie in memory or are read at offsets (a file).
  virtual bool SharedReads() const { return ContiguousBytes() != nullptr; }
  // Reads up to count bytes at offset without moving the position; only
  // where SharedReads(). Fewer at the end; fails with EReadError.
  virtual size_t ReadShared(int64_t offset, void* buffer, size_t count) const;

  int64_t Remaining() const;
  // Reads exactly count bytes or fails with EReadError.
  void ReadBuffer(void* buffer, size_t count);
  // Skips count bytes forward; fails when that would pass the end.
  void Skip(int64_t count);
  uint8_t ReadByte();
  int32_t ReadInt32();
};

// A stream over bytes held in memory; it owns them.
class TMemoryStream final : public TStream {
 public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::vector<uint8_t> bytes) : data_(std::move(bytes)) {}

  int64_t Size() const override { return static_cast<int64_t>(data_.size()); }
  int64_t Position() const override { return position_; }
  void Seek(int64_t position) override;
  size_t Read(void* buffer, size_t count) override;
  const uint8_t* ContiguousBytes() const override { return data_.empty() ? nullptr : data_.data(); }

  // Appends (or overwrites from the position) and advances the position.
  void Write(const void* buffer, size_t count);
  // Resizes the content; the position is kept.
  void SetSize(size_t size);
  void Clear();

  uint8_t* Memory() { return data_.data(); }
  const uint8_t* Memory() const { return data_.data(); }
  // Bytes from the current position to the end.
  const uint8_t* Current() const { return data_.data() + Clamped(); }
  std::vector<uint8_t>& Bytes() { return data_; }
  const std::vector<uint8_t>& Bytes() const { return data_; }

 private:
  size_t Clamped() const;
  std::vector<uint8_t> data_;
  int64_t position_ = 0;
};

// A read-only stream over bytes held in memory by someone else, who keeps
// them unchanged while the stream is used.
class TMemoryView final : public TStream {
 public:
  TMemoryView(const uint8_t* bytes, size_t size) : bytes_(bytes), size_(size) {}

  int64_t Size() const override { return static_cast<int64_t>(size_); }
  int64_t Position() const override { return position_; }
  void Seek(int64_t position) override;
  size_t Read(void* buffer, size_t count) override;
  const uint8_t* ContiguousBytes() const override { return size_ > 0 ? bytes_ : nullptr; }

 private:
  const uint8_t* bytes_;
  size_t size_;
  int64_t position_ = 0;
};

// A read-only stream over a source that reads at any offset, such as a file
// opened by its name: its size is taken once, the position is kept here (no
// system call to move or ask for it), and small reads are served from a
// buffer of its own, so that reading a record field by field costs no
// system call per field.
class TPositionalStream : public TStream {
 public:
  explicit TPositionalStream(int64_t size) : size_(size) {}

  int64_t Size() const override { return size_; }
  int64_t Position() const override { return position_; }
  void Seek(int64_t position) override;
  size_t Read(void* buffer, size_t count) override;
  bool SharedReads() const override { return true; }
  size_t ReadShared(int64_t offset, void* buffer, size_t count) const override {
    return ReadAt(offset, buffer, count);
  }

 protected:
  // Reads up to count bytes at offset: fewer only at the end of the source;
  // fails with EReadError. Safe to call from several threads at once.
  virtual size_t ReadAt(int64_t offset, void* buffer, size_t count) const = 0;

 private:
  static constexpr size_t kBuffer = 64 * 1024;
  int64_t size_;
  int64_t position_ = 0;
  std::unique_ptr<uint8_t[]> buffer_;
  int64_t bufferAt_ = 0;  // the source offset of buffer_[0]
  size_t buffered_ = 0;
};

// A read-only window onto bytes [start, start + length) of another stream.
// Reads never pass the window's end; the base stream is positioned before
// each read, so it may be used in between.
class TStreamRange final : public TStream {
 public:
  TStreamRange(TStream& base, int64_t start, int64_t length)
      : base_(base), start_(start), length_(length) {}

  int64_t Size() const override { return length_; }
  int64_t Position() const override { return position_; }
  void Seek(int64_t position) override;
  size_t Read(void* buffer, size_t count) override;
  // The window's bytes when the base holds them in memory.
  const uint8_t* ContiguousBytes() const override;
  bool SharedReads() const override { return base_.SharedReads(); }
  size_t ReadShared(int64_t offset, void* buffer, size_t count) const override;

 private:
  TStream& base_;
  int64_t start_;
  int64_t length_;
  int64_t position_ = 0;
};

}  // namespace vorn
