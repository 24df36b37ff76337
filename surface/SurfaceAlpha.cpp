// DrawAlpha (constant opacity) and DrawAlphaChannel (per-pixel alpha): screen
// door at 8 bits and below, integer blends above.
#include "surface/DIBSurface.h"
#include "surface/SurfaceRows.h"

namespace vorn {

namespace {

using detail::TRowArgs;

// 4 x 4 ordered-dither matrix, rows by destination y mod 4, columns by x mod 4.
constexpr uint8_t kDither[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

// Red and blue in one multiply, green in another; each product fits in 32 bits
// (255 x 00FF00FF = FE01FE01).
inline uint32_t Blend32(uint32_t d, uint32_t s, uint32_t weight) {
  const uint32_t rest = 255 - weight;
  const uint32_t rb = ((rest * (d & 0x00FF00FFu) + weight * (s & 0x00FF00FFu)) >> 8) & 0x00FF00FFu;
  const uint32_t g = ((rest * (d & 0x0000FF00u) + weight * (s & 0x0000FF00u)) >> 8) & 0x0000FF00u;
  return rb | g;
}

// ---- DrawAlpha: screen door at 1, 4 and 8 bits (Opacity holds the level) ----

void DoorRow1(const TRowArgs& args) {
  const TRowArgs a = args;
  const uint8_t* m = kDither[a.DstY & 3];
  for (int32_t i = 0, n = a.Count; i < n; ++i) {
    if (m[(a.DstX + i) & 3] > a.Opacity) continue;
    const uint32_t s = detail::GetBit(a.Src, a.SrcX + i);
    if (s != a.Key) detail::SetBit(a.Dst, a.DstX + i, s);
  }
}

void DoorRow4(const TRowArgs& args) {
  const TRowArgs a = args;
  const uint8_t* m = kDither[a.DstY & 3];
  for (int32_t i = 0, n = a.Count; i < n; ++i) {
    if (m[(a.DstX + i) & 3] > a.Opacity) continue;
    const uint32_t s = detail::GetNibble(a.Src, a.SrcX + i);
    if (s != a.Key) detail::SetNibble(a.Dst, a.DstX + i, s);
  }
}

void DoorRow8(const TRowArgs& args) {
  const TRowArgs a = args;
  const uint8_t* m = kDither[a.DstY & 3];
  bool draws[4];
  for (int32_t k = 0; k < 4; ++k) draws[k] = m[(a.DstX + k) & 3] <= a.Opacity;
  uint8_t* d = a.Dst + a.DstX;
  const uint8_t* s = a.Src + a.SrcX;
  const uint32_t key = a.Key;
  for (int32_t i = 0, n = a.Count; i < n; ++i)
    if (draws[i & 3] && s[i] != key) d[i] = s[i];
}

// ---- DrawAlpha: blends at 16, 24 and 32 bits ----

void BlendRow16(const TRowArgs& args) {
  const TRowArgs a = args;
  uint8_t* d = a.Dst + 2 * static_cast<ptrdiff_t>(a.DstX);
  const uint8_t* s = a.Src + 2 * static_cast<ptrdiff_t>(a.SrcX);
  const uint32_t w = static_cast<uint32_t>(a.Opacity), rest = 255 - w, key = a.Key;
  const uint32_t rm = a.RMask, gm = a.GMask, bm = a.BMask;
  for (int32_t i = 0, n = a.Count; i < n; ++i, d += 2, s += 2) {
    const uint32_t sv = detail::Load16(s);
    if (sv == key) continue;
    const uint32_t dv = detail::Load16(d);
    // Masking after the division keeps each channel from spilling into the next.
    const uint32_t r = rm & ((rest * (dv & rm) + w * (sv & rm)) / 255);
    const uint32_t g = gm & ((rest * (dv & gm) + w * (sv & gm)) / 255);
    const uint32_t b = bm & ((rest * (dv & bm) + w * (sv & bm)) / 255);
    detail::Store16(d, r | g | b);
  }
}

void BlendRow24(const TRowArgs& args) {
  const TRowArgs a = args;
  uint8_t* d = a.Dst + 3 * static_cast<ptrdiff_t>(a.DstX);
  const uint8_t* s = a.Src + 3 * static_cast<ptrdiff_t>(a.SrcX);
  const uint32_t w = static_cast<uint32_t>(a.Opacity), rest = 255 - w, key = a.Key;
  for (int32_t i = 0, n = a.Count; i < n; ++i, d += 3, s += 3) {
    if (detail::Load24(s) == key) continue;
    for (int k = 0; k < 3; ++k) d[k] = static_cast<uint8_t>((rest * d[k] + w * s[k]) / 255);
  }
}

void BlendRow32(const TRowArgs& args) {
  const TRowArgs a = args;
  uint8_t* d = a.Dst + 4 * static_cast<ptrdiff_t>(a.DstX);
  const uint8_t* s = a.Src + 4 * static_cast<ptrdiff_t>(a.SrcX);
  const uint32_t w = static_cast<uint32_t>(a.Opacity), key = a.Key;
  for (int32_t i = 0, n = a.Count; i < n; ++i) {
    const uint32_t sv = detail::Load32(s + 4 * i);
    const uint32_t dv = detail::Load32(d + 4 * i);
    detail::Store32(d + 4 * i, sv == key ? dv : Blend32(dv, sv, w));
  }
}

// ---- DrawAlphaChannel: Alpha is the source's alpha row ----

void ChannelRow1(const TRowArgs& args) {
  const TRowArgs a = args;
  for (int32_t i = 0, n = a.Count; i < n; ++i)
    if (a.Alpha[a.SrcX + i] >= 128)
      detail::SetBit(a.Dst, a.DstX + i, detail::GetBit(a.Src, a.SrcX + i));
}

void ChannelRow4(const TRowArgs& args) {
  const TRowArgs a = args;
  for (int32_t i = 0, n = a.Count; i < n; ++i)
    if (a.Alpha[a.SrcX + i] >= 128)
      detail::SetNibble(a.Dst, a.DstX + i, detail::GetNibble(a.Src, a.SrcX + i));
}

void ChannelRow8(const TRowArgs& args) {
  const TRowArgs a = args;
  uint8_t* d = a.Dst + a.DstX;
  const uint8_t* s = a.Src + a.SrcX;
  const uint8_t* al = a.Alpha + a.SrcX;
  for (int32_t i = 0, n = a.Count; i < n; ++i) d[i] = al[i] >= 128 ? s[i] : d[i];
}

void ChannelRow16(const TRowArgs& args) {
  const TRowArgs a = args;
  uint8_t* d = a.Dst + 2 * static_cast<ptrdiff_t>(a.DstX);
  const uint8_t* s = a.Src + 2 * static_cast<ptrdiff_t>(a.SrcX);
  const uint8_t* al = a.Alpha + a.SrcX;
  const uint32_t rm = a.RMask, gm = a.GMask, bm = a.BMask;
  for (int32_t i = 0, n = a.Count; i < n; ++i, d += 2, s += 2) {
    const uint32_t alpha = al[i];
    if (alpha == 0) continue;
    const uint32_t sv = detail::Load16(s);
    if (alpha == 255) {
      detail::Store16(d, sv);
      continue;
    }
    const uint32_t dv = detail::Load16(d), rest = 255 - alpha;
    const uint32_t r = rm & ((rest * (dv & rm) + alpha * (sv & rm)) >> 8);
    const uint32_t g = gm & ((rest * (dv & gm) + alpha * (sv & gm)) >> 8);
    const uint32_t b = bm & ((rest * (dv & bm) + alpha * (sv & bm)) >> 8);
    detail::Store16(d, r | g | b);
  }
}

void ChannelRow24Opaque(const TRowArgs& args) {
  const TRowArgs a = args;
  uint8_t* d = a.Dst + 3 * static_cast<ptrdiff_t>(a.DstX);
  const uint8_t* s = a.Src + 3 * static_cast<ptrdiff_t>(a.SrcX);
  const uint8_t* al = a.Alpha + a.SrcX;
  for (int32_t i = 0, n = a.Count; i < n; ++i, d += 3, s += 3) {
    const uint32_t alpha = al[i];
    if (alpha == 0) continue;
    if (alpha == 255) {
      d[0] = s[0];
      d[1] = s[1];
      d[2] = s[2];
      continue;
    }
    for (int k = 0; k < 3; ++k)
      d[k] = static_cast<uint8_t>((alpha * s[k] + (255 - alpha) * d[k]) >> 8);
  }
}

// The opacity scales each alpha value first (Opacity is 0..254 here).
void ChannelRow24Faded(const TRowArgs& args) {
  const TRowArgs a = args;
  uint8_t* d = a.Dst + 3 * static_cast<ptrdiff_t>(a.DstX);
  const uint8_t* s = a.Src + 3 * static_cast<ptrdiff_t>(a.SrcX);
  const uint8_t* al = a.Alpha + a.SrcX;
  const uint32_t opacity = static_cast<uint32_t>(a.Opacity);
  for (int32_t i = 0, n = a.Count; i < n; ++i, d += 3, s += 3) {
    const uint32_t e = (opacity * al[i]) >> 8;
    if (e == 0) continue;
    for (int k = 0; k < 3; ++k) d[k] = static_cast<uint8_t>(((255 - e) * d[k] + e * s[k]) >> 8);
  }
}

void ChannelRow32(const TRowArgs& args) {
  const TRowArgs a = args;
  uint8_t* d = a.Dst + 4 * static_cast<ptrdiff_t>(a.DstX);
  const uint8_t* s = a.Src + 4 * static_cast<ptrdiff_t>(a.SrcX);
  const uint8_t* al = a.Alpha + a.SrcX;
  for (int32_t i = 0, n = a.Count; i < n; ++i) {
    const uint32_t alpha = al[i];
    const uint32_t sv = detail::Load32(s + 4 * i);
    const uint32_t dv = detail::Load32(d + 4 * i);
    // Selects instead of branches keep the loop free of unpredictable jumps.
    const uint32_t mixed = Blend32(dv, sv, alpha);
    detail::Store32(d + 4 * i, alpha == 0 ? dv : alpha == 255 ? sv : mixed);
  }
}

void SetMasks(TRowArgs& args, const TPixelFormat& format) {
  args.RMask = static_cast<uint32_t>(format.RBitMask);
  args.GMask = static_cast<uint32_t>(format.GBitMask);
  args.BMask = static_cast<uint32_t>(format.BBitMask);
}

}  // namespace

void TDIBSurface::DrawAlpha(int32_t x, int32_t y, int32_t opacity, int32_t key, const TRect& src,
                            const TDIBSurface& source) {
  if (opacity == 0) return;
  const bool screenDoor = BitCount() <= 8;
  const int32_t level = screenDoor && opacity > 0 ? opacity / 16 : opacity;
  if (opacity >= 255 || opacity < 0 || (screenDoor && level >= 15)) {
    DrawTransparent(x, y, key, src, source);
    return;
  }
  TRect r = src;
  if (!detail::PrepareDraw(*this, x, y, r, source, false)) return;

  detail::TRowKernel kernel = nullptr;
  switch (BitCount()) {
    case 1: kernel = DoorRow1; break;
    case 4: kernel = DoorRow4; break;
    case 8: kernel = DoorRow8; break;
    case 16: kernel = BlendRow16; break;
    case 24: kernel = BlendRow24; break;
    case 32: kernel = BlendRow32; break;
    default: return;
  }
  TRowArgs args;
  args.Key = detail::NormalizeKey(BitCount(), key);
  args.Opacity = screenDoor ? level : opacity;
  SetMasks(args, CurrentFormat());
  std::unique_ptr<TDIBSurface> holder;
  detail::RunRows(*this, x, y, r, detail::ReadableSource(*this, source, holder), kernel, args,
                  false);
}

void TDIBSurface::DrawAlphaChannel(int32_t x, int32_t y, int32_t opacity, const TRect& src,
                                   const TDIBSurface& source) {
  if (!source.AlphaChannel) {
    DrawAlpha(x, y, opacity, -1, src, source);
    return;
  }
  TRect r = src;
  if (!detail::PrepareDraw(*this, x, y, r, source, true)) return;

  detail::TRowKernel kernel = nullptr;
  switch (BitCount()) {
    case 1: kernel = ChannelRow1; break;
    case 4: kernel = ChannelRow4; break;
    case 8: kernel = ChannelRow8; break;
    case 16: kernel = ChannelRow16; break;
    // A negative opacity counts as opaque, as it does for DrawAlpha.
    case 24: kernel = opacity >= 255 || opacity < 0 ? ChannelRow24Opaque : ChannelRow24Faded; break;
    case 32: kernel = ChannelRow32; break;
    default: return;
  }
  TRowArgs args;
  args.Opacity = opacity;
  SetMasks(args, CurrentFormat());
  std::unique_ptr<TDIBSurface> holder;
  detail::RunRows(*this, x, y, r, detail::ReadableSource(*this, source, holder), kernel, args,
                  true);
}

}  // namespace vorn
