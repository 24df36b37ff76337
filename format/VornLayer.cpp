#include "format/VornLayer.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

#include "format/DepthConversion.h"
#include "format/JpegDecoder.h"
#include "format/StreamHelpers.h"
#include "format/VornFrame.h"
#include "format/VornFrameList.h"
#include "format/VornStream.h"
#include "support/Messages.h"
#include "support/QzRandom.h"
#include "support/QzXml.h"
#include "support/VornError.h"
#include "surface/DIBSurface.h"

namespace vorn {

namespace {

// Largest pool the permutation accepts (the list's capacity).
constexpr int64_t kMaxPermutation = 0x7FFFFFF;

struct TBlockEntry {
  int32_t Source = 0;
  int32_t Index = 0;
};

size_t ToSize(uint64_t value) {
  return value > std::numeric_limits<size_t>::max() ? std::numeric_limits<size_t>::max()
                                                     : static_cast<size_t>(value);
}

[[noreturn]] void Damaged() { throw EVornError(kMsgFileDamaged); }

// Geometry of the block table of a target.
struct TBlockGrid {
  int64_t BW, BH, BX, BY, N, ColumnBytes;
  TBlockGrid(const TDIBSurface& target, const TVornFileHeader& header) {
    const int64_t b = target.BitCount();
    BW = header.BlockWidth;
    BH = header.BlockHeight;
    // Block columns line up with bytes only when a block row is whole bytes.
    if ((BW * b) % 8 != 0) Damaged();
    BX = (target.Width() + BW - 1) / BW;
    BY = (target.Height() + BH - 1) / BH;
    N = BX * BY;
    ColumnBytes = (BW * b + 7) / 8;
  }
  // The most bytes a block table and its stored blocks can use.
  uint64_t UsefulBytes(int32_t height) const {
    return static_cast<uint64_t>(N) * 8 +
           static_cast<uint64_t>(height) * static_cast<uint64_t>(BX) *
               static_cast<uint64_t>(ColumnBytes);
  }
};

}  // namespace

TVornLayer::TVornLayer(TVornFrame& owner)
    : OwnerFrame(owner), Surface(std::make_unique<TDIBSurface>()) {}

TVornLayer::~TVornLayer() = default;

int32_t TVornLayer::PassCode() const { return OwnerFrame.Owner().PassCode; }

void TVornLayer::SizeSurface() {
  const TDIBSurface& frame = *OwnerFrame.Surface;
  OwnerFrame.Owner().Budget().Charge(SurfaceBytes(frame.Width(), frame.Height(), frame.Bpp()));
  Surface->SetSize(frame.Width(), frame.Height(), frame.Bpp());
}

void TVornLayer::LoadBinary(TStream& stream, const TVornFileHeader& header) {
  SizeSurface();
  stream.Skip(8);
  Visible = stream.ReadByte() != 0;
  TransColor = stream.ReadInt32();
  Alpha = stream.ReadInt32();
  if (header.Version >= 101) AlphaOn = stream.ReadByte() != 0;
  Name = ReadName(stream);
  if (header.Version >= 107) stream.Skip(1);
  ReadBlocks(stream, header, true);
}

void TVornLayer::LoadXml(const TQzXmlElement& element, TStream& stream,
                         const TVornFileHeader& header) {
  Visible = element.AttrAsBoolean("Visible", true);
  TransColor = element.AttrAsInteger("TransColor", -1);
  Alpha = element.AttrAsInteger("Alpha", 255);
  AlphaOn = element.AttrAsBoolean("AlphaOn", false);
  Name = element.AttrAsString("Name", "");
  SizeSurface();
  ReadBlocks(stream, header, false);
}

void TVornLayer::ReadBlocks(TStream& stream, const TVornFileHeader& header, bool binary) {
  TMemoryStream m;
  const int32_t colorLength = stream.ReadInt32();
  // A length of 0 would mean "the whole stream from its start": never a
  // colour block.
  if (colorLength == 0) Damaged();
  CopyFromStream(m, stream, colorLength);
  m.Seek(0);
  if (header.Version >= 103)
    DecodePixels(m, false, *Surface, header);
  else
    DecodeRowsV1(m, colorLength, *Surface, header);

  if (header.Version < 100) return;
  const int32_t alphaLength = stream.ReadInt32();
  if (alphaLength <= 0) return;
  // Binary layers drawn through their alpha have no transparent colour.
  if (binary && AlphaOn) TransColor = -1;
  OwnerFrame.Owner().Budget().Charge(SurfaceBytes(Surface->Width(), Surface->Height(), 8));
  Surface->NeedAlpha();
  m.Clear();
  CopyFromStream(m, stream, alphaLength);
  m.Seek(0);
  if (header.Version >= 103)
    DecodePixels(m, true, *Surface->AlphaChannel, header);
  else
    DecodeRowsV1(m, alphaLength, *Surface->AlphaChannel, header);
}

void TVornLayer::DecodeRowsV1(TMemoryStream& m, int32_t length, TDIBSurface& target,
                              const TVornFileHeader& header) {
  const uint64_t total = static_cast<uint64_t>(target.RowBytes()) * target.Height();
  if (static_cast<uint64_t>(static_cast<int64_t>(length)) != total || length < 0) {
    DecompressInPlace(m, ToSize(total));
    m.Seek(0);
    DecodeRows(m, target, false);
    return;
  }
  if (PassCode() == 0 && header.Randomized) throw EVornError(kMsgSetPassCode);
  DecodeRows(m, target, true);
}

void TVornLayer::DecodePixels(TMemoryStream& m, bool isAlpha, TDIBSurface& target,
                              const TVornFileHeader& header) {
  const uint8_t compType = header.CompType;
  const bool blocks = header.BlockWidth > 0 && header.BlockHeight > 0 && compType != 2;
  if (compType == 0 || (compType == 2 && isAlpha)) {
    const uint64_t rows = static_cast<uint64_t>(target.RowBytes()) * target.Height();
    const uint64_t useful = blocks ? TBlockGrid(target, header).UsefulBytes(target.Height()) : rows;
    DecompressInPlace(m, ToSize(useful));
    m.Seek(0);
  }
  if (compType == 2 && !isAlpha) {
    DecodeJpeg(m, target);
  } else if (blocks) {
    DecodeBlocks(m, isAlpha, target, header);
  } else {
    DecodeRows(m, target, header.Randomized && compType != 2);
  }
}

void TVornLayer::DecodeRows(TMemoryStream& m, TDIBSurface& target, bool scrambled) {
  const int32_t height = target.Height();
  if (height <= 0) return;
  const size_t rowBytes = static_cast<size_t>(target.RowBytes());
  if (static_cast<uint64_t>(m.Size() - m.Position()) < static_cast<uint64_t>(rowBytes) * height)
    throw EReadError(kMsgStreamRead);
  const uint8_t* source = m.Current();
  uint8_t* top = target.TopRow();
  const ptrdiff_t step = target.RowStep();
  if (scrambled) {
    // Stored row k belongs at the k-th place the permutation draws.
    TQzRandom random(PassCode());
    random.Prepare(height);
    for (int32_t k = 0; k < height; ++k, source += rowBytes)
      std::memcpy(top + random.NextIndex() * step, source, rowBytes);
  } else {
    for (int32_t k = 0; k < height; ++k, source += rowBytes)
      std::memcpy(top + k * step, source, rowBytes);
  }
}

void TVornLayer::DecodeBlocks(TMemoryStream& m, bool isAlpha, TDIBSurface& target,
                              const TVornFileHeader& header) {
  const int32_t width = target.Width();
  const int32_t height = target.Height();
  if (width <= 0 || height <= 0) return;
  const TBlockGrid grid(target, header);
  const int64_t bits = target.BitCount();
  OwnerFrame.Owner().Budget().Check(static_cast<uint64_t>(grid.N) * 2 * sizeof(TBlockEntry));

  // The table; entries that the data do not reach stay zero.
  std::vector<TBlockEntry> table(static_cast<size_t>(grid.N));
  {
    std::vector<uint8_t> raw(static_cast<size_t>(grid.N) * 8, 0);
    m.Read(raw.data(), raw.size());
    for (size_t i = 0; i < table.size(); ++i)
      table[i] = {ReadLE32(&raw[i * 8]), ReadLE32(&raw[i * 8 + 4])};
  }
  if (header.Randomized) {
    if (grid.N > kMaxPermutation) throw EListError(FormatMessage(kMsgListCapacity, grid.N));
    const std::vector<TBlockEntry> stored = table;
    TQzRandom random(PassCode());
    random.Prepare(static_cast<int32_t>(grid.N));
    for (const TBlockEntry& entry : stored) table[static_cast<size_t>(random.NextIndex())] = entry;
  }

  uint8_t* top = target.TopRow();
  const ptrdiff_t step = target.RowStep();
  size_t e = 0;
  for (int64_t by = 0; by < grid.BY; ++by) {
    const int32_t y0 = static_cast<int32_t>(by * grid.BH);
    const int32_t h = static_cast<int32_t>(std::min<int64_t>(grid.BH, height - y0));
    for (int64_t bx = 0; bx < grid.BX; ++bx, ++e) {
      const int32_t x0 = static_cast<int32_t>(bx * grid.BW);
      const int32_t w = static_cast<int32_t>(std::min<int64_t>(grid.BW, width - x0));
      const TBlockEntry& entry = table[e];
      if (entry.Source == -1) {
        // Stored here: h rows of whole bytes at the block's byte offset.
        const size_t rowBytes = static_cast<size_t>((bits * w + 7) / 8);
        uint8_t* cursor = top + y0 * step + bx * grid.ColumnBytes;
        for (int32_t r = 0; r < h; ++r) m.Read(cursor + r * step, rowBytes);
      } else if (entry.Source == -2) {
        // Repeats block q of this target, at this block's clipped size.
        const int64_t q = entry.Index;
        if (q < 0 || q >= grid.N) Damaged();
        const int32_t left = static_cast<int32_t>((q % grid.BX) * grid.BW);
        const int32_t topRow = static_cast<int32_t>((q / grid.BX) * grid.BH);
        CopyBlock(target, x0, y0, {left, topRow, left + w, topRow + h}, target);
      } else if (entry.Source >= 0) {
        // The same rectangle of a layer of this or an earlier frame.
        const TVornLayer& layer = OwnerFrame.Owner().GetFrame(entry.Source).GetLayer(entry.Index);
        const TDIBSurface* source =
            isAlpha ? layer.Surface->AlphaChannel.get() : layer.Surface.get();
        if (source == nullptr) Damaged();
        CopyBlock(target, x0, y0, {x0, y0, x0 + w, y0 + h}, *source);
      }
    }
  }
}

void TVornLayer::CopyBlock(TDIBSurface& target, int32_t x, int32_t y, const TRect& src,
                           const TDIBSurface& source) {
  const int64_t bits = source.BitCount();
  const int64_t w = static_cast<int64_t>(src.Right) - src.Left;
  const int64_t h = static_cast<int64_t>(src.Bottom) - src.Top;
  if (bits != target.BitCount() || w <= 0 || h <= 0 || src.Left < 0 || src.Top < 0 ||
      src.Right > source.Width() || src.Bottom > source.Height() || x < 0 || y < 0 ||
      x + w > target.Width() || y + h > target.Height())
    Damaged();
  const size_t length = static_cast<size_t>((w * bits + 7) / 8);
  const size_t sourceOffset = static_cast<size_t>(src.Left * bits / 8);
  const size_t targetOffset = static_cast<size_t>(x * bits / 8);
  if (sourceOffset + length > static_cast<size_t>(source.RowBytes()) ||
      targetOffset + length > static_cast<size_t>(target.RowBytes()))
    Damaged();
  const ptrdiff_t sourceStep = source.RowStep();
  const ptrdiff_t targetStep = target.RowStep();
  // The source may be the target itself: rows may overlap.
  const uint8_t* from = source.ScanLine(src.Top) + sourceOffset;
  uint8_t* to = target.ScanLine(y) + targetOffset;
  for (int64_t row = 0; row < h; ++row, from += sourceStep, to += targetStep)
    std::memmove(to, from, length);
}

void TVornLayer::DecodeJpeg(TMemoryStream& m, TDIBSurface& target) {
  const TDIBSurface& frame = *OwnerFrame.Surface;
  OwnerFrame.Owner().Budget().Check(SurfaceBytes(frame.Width(), frame.Height(), 24));
  const TDecodedPicture picture =
      DecodeJpegPicture(m.Memory(), static_cast<size_t>(m.Size()), frame.Width(), frame.Height());
  target.Assign(picture);
  // A JPEG layer of another depth than its frame is converted before it is
  // drawn or copied from, so that every layer has the frame's depth.
  if (target.Bpp() != frame.Bpp()) {
    auto converted = ConvertedCopy(target, frame.Bpp(), frame.ColorTable);
    if (&target == Surface.get()) Surface = std::move(converted);
  }
}

}  // namespace vorn
