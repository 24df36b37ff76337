// FillRect: one row filled by a per-depth routine; at 8 bits and above the
// following rows are copies of the first.
#include <algorithm>
#include <cstring>

#include "surface/DIBSurface.h"
#include "surface/SurfaceRows.h"

namespace vorn {

namespace {

using TFillRow = void (*)(uint8_t* row, int32_t left, int32_t count, uint32_t value);

void FillRow1(uint8_t* row, int32_t left, int32_t count, uint32_t value) {
  int32_t x = left;
  const int32_t end = left + count;
  for (; x < end && (x & 7) != 0; ++x) detail::SetBit(row, x, value);
  const int32_t whole = (end - x) / 8;
  std::memset(row + x / 8, value ? 0xFF : 0x00, static_cast<size_t>(whole));
  for (x += whole * 8; x < end; ++x) detail::SetBit(row, x, value);
}

void FillRow4(uint8_t* row, int32_t left, int32_t count, uint32_t value) {
  int32_t x = left;
  const int32_t end = left + count;
  if (x < end && (x & 1) != 0) detail::SetNibble(row, x++, value);
  const int32_t whole = (end - x) / 2;
  std::memset(row + x / 2, static_cast<int>(value * 0x11u), static_cast<size_t>(whole));
  x += whole * 2;
  if (x < end) detail::SetNibble(row, x, value);
}

void FillRow8(uint8_t* row, int32_t left, int32_t count, uint32_t value) {
  std::memset(row + left, static_cast<int>(value & 0xFF), static_cast<size_t>(count));
}

void FillRow16(uint8_t* row, int32_t left, int32_t count, uint32_t value) {
  uint8_t* p = row + 2 * static_cast<ptrdiff_t>(left);
  for (int32_t i = 0; i < count; ++i, p += 2) detail::Store16(p, value);
}

void FillRow24(uint8_t* row, int32_t left, int32_t count, uint32_t value) {
  uint8_t* p = row + 3 * static_cast<ptrdiff_t>(left);
  const auto b = static_cast<uint8_t>(value), g = static_cast<uint8_t>(value >> 8),
             r = static_cast<uint8_t>(value >> 16);
  for (int32_t i = 0; i < count; ++i, p += 3) {
    p[0] = b;
    p[1] = g;
    p[2] = r;
  }
}

void FillRow32(uint8_t* row, int32_t left, int32_t count, uint32_t value) {
  uint8_t* p = row + 4 * static_cast<ptrdiff_t>(left);
  for (int32_t i = 0; i < count; ++i, p += 4) detail::Store32(p, value);
}

}  // namespace

void TDIBSurface::FillRect(const TRect& rect, uint32_t value) {
  const int32_t left = std::max(rect.Left, 0), top = std::max(rect.Top, 0);
  const int32_t right = std::min(rect.Right, Width()), bottom = std::min(rect.Bottom, Height());
  if (left >= right || top >= bottom) return;

  TFillRow fill = nullptr;
  switch (Bpp()) {
    case 1:
      fill = FillRow1;
      value &= 1u;
      break;
    case 4:
      fill = FillRow4;
      value &= 0x0Fu;
      break;
    case 8: fill = FillRow8; break;
    case 15:
      fill = FillRow16;
      value &= 0x7FFFu;
      break;
    case 16: fill = FillRow16; break;
    case 24: fill = FillRow24; break;
    case 32: fill = FillRow32; break;
    default: return;
  }
  const int32_t count = right - left;
  // Rows are RowStep apart: stepping costs nothing per row, which matters
  // for pictures a few pixels wide and millions of rows tall.
  uint8_t* first = ScanLine(top);
  const ptrdiff_t step = RowStep();
  fill(first, left, count, value);
  if (BitCount() < 8) {
    uint8_t* row = first;
    for (int32_t y = top + 1; y < bottom; ++y) fill(row += step, left, count, value);
    return;
  }
  const size_t bytes = static_cast<size_t>(BitCount() / 8);
  const size_t offset = bytes * static_cast<size_t>(left);
  const size_t span = bytes * static_cast<size_t>(count);
  uint8_t* row = first;
  for (int32_t y = top + 1; y < bottom; ++y) std::memcpy((row += step) + offset, first + offset, span);
}

}  // namespace vorn
