// Row-level helpers shared by the surface draw operations: pixel loads and
// stores, the per-row argument block, the row loop and the checks every draw
// makes before it touches a pixel. Internal to surface/.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>

#include "surface/DIBSurface.h"

namespace vorn::detail {

// A key value no pixel of 1 to 24 bits can take; at 32 bits every key is live.
inline constexpr uint32_t kNoKey = 0xFFFFFFFFu;

inline uint32_t ByteSwap32(uint32_t v) {
  return (v >> 24) | ((v >> 8) & 0xFF00u) | ((v << 8) & 0xFF0000u) | (v << 24);
}

// Pixel words are little-endian in the block whatever the machine's order.
inline uint32_t Load32(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  if constexpr (std::endian::native == std::endian::big) v = ByteSwap32(v);
  return v;
}

inline void Store32(uint8_t* p, uint32_t v) {
  if constexpr (std::endian::native == std::endian::big) v = ByteSwap32(v);
  std::memcpy(p, &v, 4);
}

inline uint32_t Load16(const uint8_t* p) { return p[0] | static_cast<uint32_t>(p[1]) << 8; }

inline void Store16(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}

inline uint32_t Load24(const uint8_t* p) {
  return p[0] | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16;
}

// Sub-byte pixels: the leftmost pixel of a byte is its most significant bit or nibble.
inline uint32_t GetBit(const uint8_t* row, int32_t x) {
  return (row[x >> 3] >> (7 - (x & 7))) & 1u;
}

inline void SetBit(uint8_t* row, int32_t x, uint32_t v) {
  const auto bit = static_cast<uint8_t>(0x80u >> (x & 7));
  uint8_t& b = row[x >> 3];
  b = static_cast<uint8_t>(v ? b | bit : b & ~bit);
}

inline uint32_t GetNibble(const uint8_t* row, int32_t x) {
  const uint8_t b = row[x >> 1];
  return (x & 1) ? b & 0x0Fu : static_cast<uint32_t>(b >> 4);
}

inline void SetNibble(uint8_t* row, int32_t x, uint32_t v) {
  uint8_t& b = row[x >> 1];
  b = (x & 1) ? static_cast<uint8_t>((b & 0xF0) | (v & 0x0F))
              : static_cast<uint8_t>((b & 0x0F) | (v & 0x0F) << 4);
}

// Everything one row of a draw needs. Columns are pixel indices from the row
// start so that sub-byte kernels can find both bit phases. Kernels work on a
// local copy: stores into a row could otherwise alias the block, which keeps
// the compiler from holding its fields in registers.
struct TRowArgs {
  uint8_t* Dst = nullptr;
  const uint8_t* Src = nullptr;
  const uint8_t* Alpha = nullptr;  // the source's alpha row, indexed by source column
  int32_t DstX = 0, SrcX = 0, Count = 0, DstY = 0;
  uint32_t Key = kNoKey;
  int32_t Opacity = 0;  // the blend weight, or the screen-door level at 8 bits and below
  uint32_t RMask = 0, GMask = 0, BMask = 0;
};

using TRowKernel = void (*)(const TRowArgs&);

// The key as a comparable pixel value of the given depth (kNoKey: nothing keyed out).
uint32_t NormalizeKey(int32_t bitCount, int32_t key);

// Clips and checks a draw of src (in source coordinates) to (x, y). Returns
// false when nothing is left. Refuses a source rectangle outside the source,
// a missing or too small source alpha channel (withAlpha) and differing depths.
bool PrepareDraw(const TDIBSurface& dst, int32_t& x, int32_t& y, TRect& src,
                 const TDIBSurface& source, bool withAlpha);

// The source to read from: a private copy when it shares pixels with dst.
const TDIBSurface& ReadableSource(const TDIBSurface& dst, const TDIBSurface& source,
                                  std::unique_ptr<TDIBSurface>& holder);

// Calls kernel once per row of a prepared draw; withAlpha also hands it the
// source's alpha rows.
void RunRows(TDIBSurface& dst, int32_t x, int32_t y, const TRect& src, const TDIBSurface& source,
             TRowKernel kernel, TRowArgs args, bool withAlpha);

}  // namespace vorn::detail
