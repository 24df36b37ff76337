#include "format/VornLayer.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

#include "format/BlockReader.h"
#include "surface/DepthConversion.h"
#include "format/JpegDecoder.h"
#include "format/StreamHelpers.h"
#include "format/VornFrame.h"
#include "format/VornFrameList.h"
#include "support/Stream.h"
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

[[noreturn]] void Damaged() { throw EVornError(kMsgFileDamaged); }

// Up to count bytes of the data, fewer where they end; the buffer grows
// with what actually comes, not with count.
std::vector<uint8_t> ReadUpTo(TBlockReader& data, uint64_t count) {
  constexpr size_t kPiece = 1 << 20;
  std::vector<uint8_t> bytes;
  while (bytes.size() < count) {
    const size_t at = bytes.size();
    const auto piece = static_cast<size_t>(std::min<uint64_t>(count - at, kPiece));
    bytes.resize(at + piece);
    const size_t got = data.Read(bytes.data() + at, piece);
    bytes.resize(at + got);
    if (got < piece) break;
  }
  return bytes;
}

// The next n bytes of the stream as a block of their own; the stream is
// moved past them. A length that is negative or runs past the end of the
// input fails before anything is read.
struct TBlockAt {
  TBlockAt(TStream& stream, int32_t n)
      : Start(stream.Position()), Range(stream, Start, n < 0 ? 0 : n) {
    if (n < 0 || n > stream.Remaining()) throw EReadError(kMsgStreamRead);
    stream.Seek(Start + n);
  }
  int64_t Start;
  TStreamRange Range;
};

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
  // The most bytes a block table and its stored blocks can use: the blocks
  // of a band start on whole bytes, so a row of them is at most a row of the
  // target (BX x ColumnBytes would be far more for a block wider than it).
  uint64_t UsefulBytes(const TDIBSurface& target) const {
    return static_cast<uint64_t>(N) * 8 +
           static_cast<uint64_t>(target.RowBytes()) * static_cast<uint64_t>(target.Height());
  }
};

}  // namespace

TVornLayer::TVornLayer(TVornFrame& owner)
    : OwnerFrame(owner), Surface(std::make_unique<TDIBSurface>()) {}

TVornLayer::~TVornLayer() = default;

int32_t TVornLayer::PassCode() const { return OwnerFrame.Owner().PassCode; }

void TVornLayer::SizeSurface() {
  const TDIBSurface& frame = *OwnerFrame.Surface;
  OwnerFrame.Owner().Budget().Charge(SurfaceCost(frame.Width(), frame.Height(), frame.Bpp()));
  Surface->SetSize(frame.Width(), frame.Height(), frame.Bpp());
  OwnerFrame.ReuseSpareLayer(*Surface);
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
  // Each block is decoded where it lies in the input (the stream is moved
  // past it first), not copied out of it.
  const int32_t colorLength = stream.ReadInt32();
  // A length of 0 would mean "the whole stream from its start": never a
  // colour block.
  if (colorLength == 0) Damaged();
  {
    TBlockAt color(stream, colorLength);
    if (header.Version >= 103)
      DecodePixels(color.Range, false, *Surface, header);
    else
      DecodeRowsV1(color.Range, colorLength, *Surface, header);
  }

  if (header.Version < 100) return;
  const int32_t alphaLength = stream.ReadInt32();
  if (alphaLength <= 0) return;
  // Binary layers drawn through their alpha have no transparent colour.
  if (binary && AlphaOn) TransColor = -1;
  OwnerFrame.Owner().Budget().Charge(SurfaceCost(Surface->Width(), Surface->Height(), 8));
  Surface->NeedAlpha();
  OwnerFrame.ReuseSpareLayer(*Surface->AlphaChannel);
  TBlockAt alpha(stream, alphaLength);
  if (header.Version >= 103)
    DecodePixels(alpha.Range, true, *Surface->AlphaChannel, header);
  else
    DecodeRowsV1(alpha.Range, alphaLength, *Surface->AlphaChannel, header);
}

void TVornLayer::DecodeRowsV1(TStream& data, int32_t length, TDIBSurface& target,
                              const TVornFileHeader& header) {
  const uint64_t total = static_cast<uint64_t>(target.RowBytes()) * target.Height();
  if (static_cast<uint64_t>(static_cast<int64_t>(length)) != total || length < 0) {
    // Inflated straight into the rows; what lies beyond them is not made.
    TBlockReader rows(data, true, total);
    DecodeRows(rows, target, false);
    return;
  }
  if (PassCode() == 0 && header.Randomized) throw EVornError(kMsgSetPassCode);
  TBlockReader rows(data, false, total);
  DecodeRows(rows, target, true);
}

void TVornLayer::DecodePixels(TStream& data, bool isAlpha, TDIBSurface& target,
                              const TVornFileHeader& header) {
  const uint8_t compType = header.CompType;
  const bool blocks = header.BlockWidth > 0 && header.BlockHeight > 0 && compType != 2;
  if (compType == 2 && !isAlpha) {
    DecodeJpeg(data, target);
    return;
  }
  // Compressed data are inflated as the decoders take them, straight into
  // the surface, and never beyond what a table and its blocks or the rows
  // can use.
  const bool inflate = compType == 0 || compType == 2;
  uint64_t limit = std::numeric_limits<uint64_t>::max();
  if (inflate)
    limit = blocks ? TBlockGrid(target, header).UsefulBytes(target)
                   : static_cast<uint64_t>(target.RowBytes()) * target.Height();
  TBlockReader reader(data, inflate, limit);
  if (blocks) {
    DecodeBlocks(reader, isAlpha, target, header);
  } else {
    DecodeRows(reader, target, header.Randomized && compType != 2);
  }
  // Damaged data up to the limit fail the block even where no block read them.
  reader.Drain();
}

void TVornLayer::DecodeRows(TBlockReader& data, TDIBSurface& target, bool scrambled) {
  const int32_t height = target.Height();
  if (height <= 0) return;
  const size_t rowBytes = static_cast<size_t>(target.RowBytes());
  uint8_t* top = target.TopRow();
  const ptrdiff_t step = target.RowStep();
  // Each row is read straight into its place; data that end before the last
  // row fail the load.
  const auto readRow = [&](int32_t y) {
    if (data.Read(top + y * step, rowBytes) != rowBytes) throw EReadError(kMsgStreamRead);
  };
  if (scrambled) {
    // Stored row k belongs at the k-th place the permutation draws.
    TQzRandom random(PassCode());
    random.Prepare(height);
    for (int32_t k = 0; k < height; ++k) readRow(random.NextIndex());
  } else {
    for (int32_t k = 0; k < height; ++k) readRow(k);
  }
}

void TVornLayer::DecodeBlocks(TBlockReader& data, bool isAlpha, TDIBSurface& target,
                              const TVornFileHeader& header) {
  const int32_t width = target.Width();
  const int32_t height = target.Height();
  if (width <= 0 || height <= 0) return;
  const TBlockGrid grid(target, header);
  const int64_t bits = target.BitCount();

  // The table is the first 8 x N bytes; entries that the data do not reach
  // are zero. Only the entries present cost work: those beyond the data are
  // never materialised, and runs of equal copies are done in one piece, so a
  // short file cannot make the loop below spend time the data do not pay for.
  const uint64_t tableBytes = static_cast<uint64_t>(grid.N) * 8;
  const std::vector<uint8_t> tableData = ReadUpTo(data, tableBytes);
  const uint8_t* stored = tableData.data();
  const uint64_t storedBytes = tableData.size();
  const int64_t present = static_cast<int64_t>((storedBytes + 7) / 8);
  auto storedEntry = [&](int64_t k) {
    uint8_t raw[8] = {};
    const uint64_t at = static_cast<uint64_t>(k) * 8;
    std::memcpy(raw, stored + at, static_cast<size_t>(std::min<uint64_t>(8, storedBytes - at)));
    return TBlockEntry{ReadLE32(raw), ReadLE32(raw + 4)};
  };
  std::vector<TBlockEntry> table;
  if (header.Randomized) {
    // Stored entry k belongs at the k-th place the permutation draws.
    if (grid.N > kMaxPermutation) throw EListError(FormatMessage(kMsgListCapacity, grid.N));
    OwnerFrame.Owner().Budget().Check(static_cast<uint64_t>(grid.N) * sizeof(TBlockEntry) +
                                      static_cast<uint64_t>(grid.N) / 4);
    table.resize(static_cast<size_t>(grid.N));
    TQzRandom random(PassCode());
    random.Prepare(static_cast<int32_t>(grid.N));
    for (int64_t k = 0; k < present; ++k)
      table[static_cast<size_t>(random.NextIndex())] = storedEntry(k);
  }
  const bool scrambled = header.Randomized;
  auto entryAt = [&](int64_t e) {
    if (scrambled) return table[static_cast<size_t>(e)];
    return e < present ? storedEntry(e) : TBlockEntry{};
  };

  uint8_t* top = target.TopRow();
  const ptrdiff_t step = target.RowStep();
  int64_t e = 0;
  for (int64_t by = 0; by < grid.BY; ++by) {
    const int32_t y0 = static_cast<int32_t>(by * grid.BH);
    const int32_t h = static_cast<int32_t>(std::min<int64_t>(grid.BH, height - y0));
    for (int64_t bx = 0; bx < grid.BX;) {
      const int32_t x0 = static_cast<int32_t>(bx * grid.BW);
      const int32_t w = static_cast<int32_t>(std::min<int64_t>(grid.BW, width - x0));
      const TBlockEntry entry = entryAt(e);
      int64_t run = 1;
      if (entry.Source == -1) {
        // Stored here: h rows of whole bytes at the block's byte offset.
        const size_t rowBytes = static_cast<size_t>((bits * w + 7) / 8);
        uint8_t* cursor = top + y0 * step + bx * grid.ColumnBytes;
        for (int32_t r = 0; r < h; ++r) data.Read(cursor + r * step, rowBytes);
      } else if (entry.Source == -2) {
        // Repeats block q of this target, at this block's clipped size.
        const int64_t q = entry.Index;
        if (q < 0 || q >= grid.N) Damaged();
        const int32_t left = static_cast<int32_t>((q % grid.BX) * grid.BW);
        const int32_t topRow = static_cast<int32_t>((q / grid.BX) * grid.BH);
        CopyBlock(target, x0, y0, {left, topRow, left + w, topRow + h}, target);
      } else if (entry.Source >= 0) {
        // The same rectangle of a layer of this or an earlier frame. Blocks
        // side by side that copy from the same layer are one rectangle.
        if (!scrambled && e >= present) {
          run = grid.BX - bx;
        } else {
          while (bx + run < grid.BX) {
            const TBlockEntry next = entryAt(e + run);
            if (next.Source != entry.Source || next.Index != entry.Index) break;
            ++run;
          }
        }
        const auto right = static_cast<int32_t>(std::min<int64_t>((bx + run) * grid.BW, width));
        const TVornLayer& layer = OwnerFrame.Owner().GetFrame(entry.Source).GetLayer(entry.Index);
        const TDIBSurface* source =
            isAlpha ? layer.Surface->AlphaChannel.get() : layer.Surface.get();
        if (source == nullptr) Damaged();
        CopyBlock(target, x0, y0, {x0, y0, right, y0 + h}, *source);
      }
      bx += run;
      e += run;
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

void TVornLayer::DecodeJpeg(TStream& data, TDIBSurface& target) {
  const TDIBSurface& frame = *OwnerFrame.Surface;
  // The decoder's rows, their copy in the decoded picture and the surface
  // it is assigned to are held at once.
  OwnerFrame.Owner().Budget().Check(3 * SurfaceBytes(frame.Width(), frame.Height(), 24));
  // The JPEG decoder takes the whole block from memory: where the input is
  // held in memory it is read there, otherwise it is copied out first.
  const uint8_t* bytes = nullptr;
  const auto size = static_cast<size_t>(data.Remaining());
  TMemoryStream copy;
  if (const uint8_t* all = data.ContiguousBytes()) {
    bytes = all + data.Position();
  } else if (size > 0) {
    CopyFromStream(copy, data, static_cast<int32_t>(std::min<size_t>(size, INT32_MAX)));
    bytes = copy.Memory();
  }
  const TDecodedPicture picture = DecodeJpegPicture(bytes, size, frame.Width(), frame.Height());
  target.Assign(picture);
  // A JPEG layer of another depth than its frame is converted before it is
  // drawn or copied from, so that every layer has the frame's depth.
  if (target.Bpp() != frame.Bpp()) {
    auto converted = ConvertedCopy(target, frame.Bpp(), frame.ColorTable);
    if (&target == Surface.get()) Surface = std::move(converted);
  }
}

}  // namespace vorn
