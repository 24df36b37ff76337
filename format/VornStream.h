// Byte streams the reader works on: a seekable source with a size, read in
// little-endian pieces. Reads that would run past the end either return
// fewer bytes (Read) or fail with EReadError (ReadBuffer and the typed reads);
// nothing is ever read outside the data.
#pragma once

#include <cstddef>
#include <cstdint>
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

}  // namespace vorn
