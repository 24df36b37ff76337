// Clipping, plain copies and keyed copies between surfaces of one depth, and
// the row machinery the blending draws share.
#include <algorithm>
#include <cstring>
#include <limits>

#include "support/VornError.h"
#include "surface/DIBSurface.h"
#include "surface/SurfaceRows.h"

namespace vorn {

namespace detail {

uint32_t NormalizeKey(int32_t bitCount, int32_t key) {
  switch (bitCount) {
    case 1: return key == 0 || key == 1 ? static_cast<uint32_t>(key) : kNoKey;
    case 4: return key >= 0 && key <= 0x0F ? static_cast<uint32_t>(key) : kNoKey;
    case 8: return key >= 0 && key <= 0xFF ? static_cast<uint32_t>(key) : kNoKey;
    case 16: return key >= 0 && key <= 0xFFFF ? static_cast<uint32_t>(key) : kNoKey;
    // Only the three colour bytes take part; a negative key matches nothing.
    case 24: return key >= 0 ? static_cast<uint32_t>(key) & 0xFFFFFFu : kNoKey;
    default: return static_cast<uint32_t>(key);  // 32 bits: the whole word, so -1 is white
  }
}

bool PrepareDraw(const TDIBSurface& dst, int32_t& x, int32_t& y, TRect& src,
                 const TDIBSurface& source, bool withAlpha) {
  if (src.Empty()) return false;
  if (src.Left < 0 || src.Top < 0 || src.Right > source.Width() || src.Bottom > source.Height())
    throw EInvalidGraphicOperation("Source rectangle lies outside the source surface");
  if (withAlpha) {
    const TDIBSurface* alpha = source.AlphaChannel.get();
    if (alpha == nullptr || alpha->BitCount() != 8 || alpha->Width() < src.Right ||
        alpha->Height() < src.Bottom)
      throw EInvalidGraphicOperation("Source alpha channel does not cover the source rectangle");
  }
  if (!dst.ClipToTarget(x, y, src)) return false;
  if (source.BitCount() != dst.BitCount())
    throw EInvalidGraphicOperation("Source and destination differ in depth");
  return true;
}

const TDIBSurface& ReadableSource(const TDIBSurface& dst, const TDIBSurface& source,
                                  std::unique_ptr<TDIBSurface>& holder) {
  if (&source != &dst && source.AlphaChannel.get() != &dst) return source;
  holder = source.CloneSurface();
  return *holder;
}

void RunRows(TDIBSurface& dst, int32_t x, int32_t y, const TRect& src, const TDIBSurface& source,
             TRowKernel kernel, TRowArgs args, bool withAlpha) {
  args.DstX = x;
  args.SrcX = src.Left;
  args.Count = src.Right - src.Left;
  const TDIBSurface* alpha = withAlpha ? source.AlphaChannel.get() : nullptr;
  for (int32_t i = 0; i < src.Bottom - src.Top; ++i) {
    args.Dst = dst.ScanLine(y + i);
    args.Src = source.ScanLine(src.Top + i);
    if (alpha != nullptr) args.Alpha = alpha->ScanLine(src.Top + i);
    args.DstY = y + i;
    kernel(args);
  }
}

}  // namespace detail

namespace {

using detail::TRowArgs;

// Copies pixels with equal bit phases in source and destination: partial
// first byte, whole bytes, partial last byte.
void CopyBitsInPhase(uint8_t* dst, const uint8_t* src, int32_t firstBit, int64_t bits) {
  if (firstBit != 0) {
    const auto head = static_cast<int32_t>(std::min<int64_t>(8 - firstBit, bits));
    const auto mask = static_cast<uint8_t>((0xFF >> firstBit) & ~(0xFF >> (firstBit + head)));
    *dst = static_cast<uint8_t>((*dst & ~mask) | (*src & mask));
    bits -= head;
    ++dst;
    ++src;
  }
  const auto whole = static_cast<size_t>(bits / 8);
  std::memcpy(dst, src, whole);
  const auto rest = static_cast<int32_t>(bits % 8);
  if (rest > 0) {
    const auto mask = static_cast<uint8_t>(0xFF << (8 - rest));
    dst[whole] = static_cast<uint8_t>((dst[whole] & ~mask) | (src[whole] & mask));
  }
}

void CopyRow1(const TRowArgs& args) {
  const TRowArgs a = args;
  if ((a.DstX & 7) == (a.SrcX & 7)) {
    CopyBitsInPhase(a.Dst + a.DstX / 8, a.Src + a.SrcX / 8, a.DstX & 7, a.Count);
    return;
  }
  for (int32_t i = 0, n = a.Count; i < n; ++i)
    detail::SetBit(a.Dst, a.DstX + i, detail::GetBit(a.Src, a.SrcX + i));
}

void CopyRow4(const TRowArgs& args) {
  const TRowArgs a = args;
  if ((a.DstX & 1) == (a.SrcX & 1)) {
    CopyBitsInPhase(a.Dst + a.DstX / 2, a.Src + a.SrcX / 2, 4 * (a.DstX & 1), int64_t{4} * a.Count);
    return;
  }
  for (int32_t i = 0, n = a.Count; i < n; ++i)
    detail::SetNibble(a.Dst, a.DstX + i, detail::GetNibble(a.Src, a.SrcX + i));
}

template <int Bytes>
void CopyRowBytes(const TRowArgs& args) {
  const TRowArgs a = args;
  std::memcpy(a.Dst + static_cast<ptrdiff_t>(a.DstX) * Bytes,
              a.Src + static_cast<ptrdiff_t>(a.SrcX) * Bytes, static_cast<size_t>(a.Count) * Bytes);
}

void KeyRow1(const TRowArgs& args) {
  const TRowArgs a = args;
  const uint32_t key = a.Key;
  for (int32_t i = 0, n = a.Count; i < n; ++i) {
    const uint32_t s = detail::GetBit(a.Src, a.SrcX + i);
    if (s != key) detail::SetBit(a.Dst, a.DstX + i, s);
  }
}

void KeyRow4(const TRowArgs& args) {
  const TRowArgs a = args;
  const uint32_t key = a.Key;
  for (int32_t i = 0, n = a.Count; i < n; ++i) {
    const uint32_t s = detail::GetNibble(a.Src, a.SrcX + i);
    if (s != key) detail::SetNibble(a.Dst, a.DstX + i, s);
  }
}

void KeyRow8(const TRowArgs& args) {
  const TRowArgs a = args;
  uint8_t* d = a.Dst + a.DstX;
  const uint8_t* s = a.Src + a.SrcX;
  const uint32_t key = a.Key;
  for (int32_t i = 0, n = a.Count; i < n; ++i)
    if (s[i] != key) d[i] = s[i];
}

void KeyRow16(const TRowArgs& args) {
  const TRowArgs a = args;
  uint8_t* d = a.Dst + 2 * static_cast<ptrdiff_t>(a.DstX);
  const uint8_t* s = a.Src + 2 * static_cast<ptrdiff_t>(a.SrcX);
  const uint32_t key = a.Key;
  for (int32_t i = 0, n = a.Count; i < n; ++i, d += 2, s += 2)
    if (detail::Load16(s) != key) std::memcpy(d, s, 2);
}

void KeyRow24(const TRowArgs& args) {
  const TRowArgs a = args;
  uint8_t* d = a.Dst + 3 * static_cast<ptrdiff_t>(a.DstX);
  const uint8_t* s = a.Src + 3 * static_cast<ptrdiff_t>(a.SrcX);
  const uint32_t key = a.Key;
  for (int32_t i = 0, n = a.Count; i < n; ++i, d += 3, s += 3)
    if (detail::Load24(s) != key) std::memcpy(d, s, 3);
}

void KeyRow32(const TRowArgs& args) {
  const TRowArgs a = args;
  uint8_t* d = a.Dst + 4 * static_cast<ptrdiff_t>(a.DstX);
  const uint8_t* s = a.Src + 4 * static_cast<ptrdiff_t>(a.SrcX);
  const uint32_t key = a.Key;
  for (int32_t i = 0, n = a.Count; i < n; ++i) {
    const uint32_t sv = detail::Load32(s + 4 * i);
    const uint32_t dv = detail::Load32(d + 4 * i);
    detail::Store32(d + 4 * i, sv == key ? dv : sv);
  }
}

detail::TRowKernel CopyKernel(int32_t bitCount) {
  switch (bitCount) {
    case 1: return CopyRow1;
    case 4: return CopyRow4;
    case 8: return CopyRowBytes<1>;
    case 16: return CopyRowBytes<2>;
    case 24: return CopyRowBytes<3>;
    case 32: return CopyRowBytes<4>;
    default: return nullptr;
  }
}

detail::TRowKernel KeyKernel(int32_t bitCount) {
  switch (bitCount) {
    case 1: return KeyRow1;
    case 4: return KeyRow4;
    case 8: return KeyRow8;
    case 16: return KeyRow16;
    case 24: return KeyRow24;
    case 32: return KeyRow32;
    default: return nullptr;
  }
}

int32_t Saturate(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

}  // namespace

bool TDIBSurface::ClipToTarget(int32_t& x, int32_t& y, TRect& src) const {
  TRect clip = BoundsRect();
  // A clip rectangle reaching past the surface must never open the way out of the block.
  if (!ClipRect.Empty())
    clip = {std::max(ClipRect.Left, 0), std::max(ClipRect.Top, 0),
            std::min(ClipRect.Right, Width()), std::min(ClipRect.Bottom, Height())};
  // 64-bit arithmetic: coordinates far outside the surface must not wrap.
  int64_t px = x, py = y, left = src.Left, top = src.Top, right = src.Right, bottom = src.Bottom;
  if (px < clip.Left) {
    left += clip.Left - px;
    px = clip.Left;
  }
  if (px + (right - left) > clip.Right) right = clip.Right + left - px;
  if (py < clip.Top) {
    top += clip.Top - py;
    py = clip.Top;
  }
  if (py + (bottom - top) > clip.Bottom) bottom = clip.Bottom + top - py;
  x = Saturate(px);
  y = Saturate(py);
  src = {Saturate(left), Saturate(top), Saturate(right), Saturate(bottom)};
  return left < right && top < bottom;
}

void TDIBSurface::CopyRect(int32_t x, int32_t y, const TRect& srcRect, const TDIBSurface& source) {
  // Intersect with the source and move the destination point along.
  int64_t px = x, py = y;
  TRect r = srcRect;
  if (r.Left < 0) {
    px -= r.Left;
    r.Left = 0;
  }
  if (r.Top < 0) {
    py -= r.Top;
    r.Top = 0;
  }
  r.Right = std::min(r.Right, source.Width());
  r.Bottom = std::min(r.Bottom, source.Height());
  if (r.Empty() || px > std::numeric_limits<int32_t>::max() ||
      py > std::numeric_limits<int32_t>::max())
    return;
  x = static_cast<int32_t>(px);
  y = static_cast<int32_t>(py);
  if (!detail::PrepareDraw(*this, x, y, r, source, false)) return;
  const detail::TRowKernel kernel = CopyKernel(BitCount());
  if (kernel == nullptr) return;
  std::unique_ptr<TDIBSurface> holder;
  detail::RunRows(*this, x, y, r, detail::ReadableSource(*this, source, holder), kernel, {}, false);
}

void TDIBSurface::Draw(int32_t x, int32_t y, const TDIBSurface& source) {
  CopyRect(x, y, source.BoundsRect(), source);
}

void TDIBSurface::DrawTransparent(int32_t x, int32_t y, int32_t key, const TRect& src,
                                  const TDIBSurface& source) {
  TRect r = src;
  if (!detail::PrepareDraw(*this, x, y, r, source, false)) return;
  detail::TRowArgs args;
  args.Key = detail::NormalizeKey(BitCount(), key);
  // Without a key that can match, a keyed copy is a plain copy.
  const bool keyed = BitCount() == 32 || args.Key != detail::kNoKey;
  const detail::TRowKernel kernel = keyed ? KeyKernel(BitCount()) : CopyKernel(BitCount());
  if (kernel == nullptr) return;
  std::unique_ptr<TDIBSurface> holder;
  detail::RunRows(*this, x, y, r, detail::ReadableSource(*this, source, holder), kernel, args,
                  false);
}

}  // namespace vorn
