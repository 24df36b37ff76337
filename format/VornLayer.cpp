#include "format/VornLayer.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "format/BlockReader.h"
#include "format/InflateAhead.h"
#include "format/JpegDecoder.h"
#include "format/LoadContext.h"
#include "format/StreamHelpers.h"
#include "format/VornFormat.h"
#include "format/VornFrame.h"
#include "format/WholeInflate.h"
#include "support/Stream.h"
#include "surface/DepthConversion.h"
#include "support/Messages.h"
#include "support/QzRandom.h"
#include "support/QzXml.h"
#include "support/VornError.h"
#include "surface/DIBSharedImage.h"
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

// How much a zlib stream may inflate beyond what its target takes before
// the block fails as over the limit (its rest is only checked, not kept).
uint64_t DiscardBound(const TLoadContext& context) {
  return std::min(context.Limits.ExtraInflation, context.Budget.Limit() - context.Budget.Used());
}

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

// A compressed block in memory for the whole-block inflater: where it lies
// when the input is held in memory, else a copy in the load's memory for
// it, when the budget has room for it. Data() is null when neither.
class TPackedBlock {
 public:
  TPackedBlock(TStream& data, TLoadContext& context) : context_(context) {
    const int64_t remaining = data.Remaining();
    if (remaining <= 0) return;
    size_ = static_cast<size_t>(remaining);
    if (const uint8_t* all = data.ContiguousBytes()) {
      bytes_ = all + data.Position();
      return;
    }
    uint8_t* copy = context.PackedCopy(size_);
    if (copy == nullptr) return;
    data.ReadBuffer(copy, size_);
    bytes_ = copy;
  }
  ~TPackedBlock() { context_.PackedCopyDone(); }
  TPackedBlock(const TPackedBlock&) = delete;
  TPackedBlock& operator=(const TPackedBlock&) = delete;
  const uint8_t* Data() const { return bytes_; }
  size_t Size() const { return size_; }

 private:
  TLoadContext& context_;
  const uint8_t* bytes_ = nullptr;
  size_t size_ = 0;
};

// Whole-block inflation, tried before the streaming inflater: each answers
// false, with data back at the block's start, where it did not decode the
// block (damaged, short or oversized data, no memory for it), and the
// streaming path then reads the same bytes with the same results.
//
// Rows: inflated straight into the pixel block, then put in their places:
// the block holds them bottom-up, the file top-down or in the order the
// permutation draws.
bool InflatedRows(TStream& data, TDIBSurface& target, TLoadContext& context, bool scrambled) {
  const int32_t height = target.Height();
  const auto rowBytes = static_cast<size_t>(target.RowBytes());
  const uint64_t total = static_cast<uint64_t>(rowBytes) * static_cast<uint64_t>(std::max(height, 0));
  if (!context.WholeBlockInflate || total == 0 || total != static_cast<uint64_t>(target.Size()))
    return false;
  const int64_t start = data.Position();
  uint8_t* bottom = target.TopRow() + static_cast<ptrdiff_t>(height - 1) * target.RowStep();
  const auto row = [&](int32_t m) { return bottom + static_cast<size_t>(m) * rowBytes; };
  try {
    const TPackedBlock packed(data, context);
    if (packed.Data() != nullptr &&
        InflateWhole(packed.Data(), packed.Size(), bottom, static_cast<size_t>(total), nullptr)) {
      if (!scrambled) {
        for (int32_t lo = 0, hi = height - 1; lo < hi; ++lo, --hi)
          std::swap_ranges(row(lo), row(lo + 1), row(hi));
        return true;
      }
      // Stored row k sits at memory row k and belongs at top-row index y,
      // the k-th value drawn: memory row height - 1 - y. Moved along the
      // permutation's cycles through one spare row.
      std::vector<int32_t> from(static_cast<size_t>(height));
      TQzRandom random(context.PassCode);
      random.Prepare(height);
      for (int32_t k = 0; k < height; ++k) from[static_cast<size_t>(height - 1 - random.NextIndex())] = k;
      std::vector<uint8_t> spare(rowBytes);
      std::vector<bool> done(static_cast<size_t>(height));
      for (int32_t first = 0; first < height; ++first) {
        if (done[static_cast<size_t>(first)]) continue;
        std::memcpy(spare.data(), row(first), rowBytes);
        for (int32_t m = first;;) {
          done[static_cast<size_t>(m)] = true;
          const int32_t source = from[static_cast<size_t>(m)];
          if (source == first) {
            std::memcpy(row(m), spare.data(), rowBytes);
            break;
          }
          std::memcpy(row(m), row(source), rowBytes);
          m = source;
        }
      }
      return true;
    }
  } catch (...) {
  }
  data.Seek(start);
  return false;
}

// Blocks: inflated whole into the load's scratch memory (at most limit
// bytes, the most the decoder can take), then read from there.
bool InflatedBlock(TStream& data, uint64_t limit, TLoadContext& context, const uint8_t*& inflated,
                   size_t& produced) {
  if (!context.WholeBlockInflate || limit == 0 || limit > SIZE_MAX) return false;
  const int64_t start = data.Position();
  try {
    uint8_t* out = context.Scratch(static_cast<size_t>(limit));
    const TPackedBlock packed(data, context);
    if (packed.Data() != nullptr &&
        InflateWhole(packed.Data(), packed.Size(), out, static_cast<size_t>(limit), &produced)) {
      inflated = out;
      return true;
    }
  } catch (...) {
  }
  data.Seek(start);
  return false;
}

// The next n bytes of the stream as a block of their own, decoded where they
// lie. A length that is negative or runs past the end of the input fails
// before anything is read. Reading the block moves the stream; once it is
// decoded the stream is set just past it, however much of it the decoder
// took, so the records after it are read from where they are.
class TBlockAt {
 public:
  TBlockAt(TStream& stream, int32_t n)
      : stream_(stream), start_(stream.Position()), Range(stream, start_, n < 0 ? 0 : n) {
    if (n < 0 || n > stream.Remaining()) throw EReadError(kMsgStreamRead);
    end_ = start_ + n;
  }
  void Done() { stream_.Seek(end_); }
  int64_t Start() const { return start_; }

 private:
  TStream& stream_;
  int64_t start_;
  int64_t end_ = 0;

 public:
  TStreamRange Range;
};

// How many blocks a table of the header's block size has over w x h.
int64_t BlockCount(int64_t w, int64_t h, const TVornFileHeader& header) {
  return ((w + header.BlockWidth - 1) / header.BlockWidth) *
         ((h + header.BlockHeight - 1) / header.BlockHeight);
}

// The most bytes a block table of n blocks and its stored blocks can use
// over pixel rows of rowsBytes in all: the blocks of a band start on whole
// bytes, so a row of them is at most a row of the target (BX x ColumnBytes
// would be far more for a block wider than it).
uint64_t BlockTableLimit(int64_t n, uint64_t rowsBytes) {
  return static_cast<uint64_t>(n) * 8 + rowsBytes;
}

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
    N = BlockCount(target.Width(), target.Height(), header);
    ColumnBytes = (BW * b + 7) / 8;
  }
  uint64_t UsefulBytes(const TDIBSurface& target) const {
    return BlockTableLimit(N, static_cast<uint64_t>(target.RowBytes()) *
                                  static_cast<uint64_t>(target.Height()));
  }
};

}  // namespace

std::optional<TPackedRange> TVornLayer::WholeInflation(const TVornFileHeader& header, int32_t w,
                                                       int32_t h, int32_t bpp, bool alpha,
                                                       int64_t offset, int32_t length) {
  if (length <= 0 || w <= 0 || h <= 0) return std::nullopt;
  const uint64_t rows = DIBLayout(w, h, alpha ? 8 : bpp).BitsSize;
  if (rows == 0) return std::nullopt;
  if (header.Version < format::kVersionHeaderRecord) {
    // Rows stored as they are have exactly their size.
    if (static_cast<uint64_t>(length) == rows) return std::nullopt;
    return TPackedRange{offset, length, rows, true};
  }
  const bool jpeg = header.CompType == format::kCompJpeg;
  if (jpeg ? !alpha : header.CompType != format::kCompZlib) return std::nullopt;
  if (jpeg || header.BlockWidth <= 0 || header.BlockHeight <= 0)
    return TPackedRange{offset, length, rows, true};
  return TPackedRange{offset, length, BlockTableLimit(BlockCount(w, h, header), rows), false};
}

const TInflatedBlock* TVornLayer::InflatedAhead(const TBlockJob& job, uint64_t capacity, bool exact) {
  TLoadContext& context = job.Context;
  if (context.Ahead == nullptr || !context.WholeBlockInflate || capacity > SIZE_MAX) return nullptr;
  if (!exact) {
    // Inflated here, a block table would take the load's scratch memory.
    try {
      context.AccountScratch(static_cast<size_t>(capacity));
    } catch (...) {
      return nullptr;
    }
  }
  return context.Ahead->Take({job.Offset, job.Length, capacity, exact},
                             context.Budget.Limit() - context.Budget.Used());
}

TVornLayer::TVornLayer(TPixelMemory* pixels)
    : Surface(std::make_unique<TDIBSurface>(pixels)) {}

TVornLayer::~TVornLayer() = default;

void TVornLayer::SizeSurface(TLoadContext& context, TVornFrame& frame) {
  const TDIBSurface& picture = *frame.Surface;
  context.Budget.Charge(SurfaceCost(picture.Width(), picture.Height(), picture.Bpp()));
  Surface->SetSize(picture.Width(), picture.Height(), picture.Bpp());
  frame.ReuseSpareLayer(*Surface);
}

void TVornLayer::LoadBinary(TStream& stream, const TVornFileHeader& header, TLoadContext& context,
                            TVornFrame& frame) {
  SizeSurface(context, frame);
  stream.Skip(8);
  Visible = stream.ReadByte() != 0;
  TransColor = stream.ReadInt32();
  Alpha = stream.ReadInt32();
  if (header.Version >= format::kVersionLayerAlphaOn) AlphaOn = stream.ReadByte() != 0;
  Name = ReadName(stream);
  if (header.Version >= format::kVersionLayerTrailer) stream.Skip(1);
  ReadBlocks(stream, header, context, frame, true);
}

void TVornLayer::LoadXml(const TQzXmlElement& element, TStream& stream,
                         const TVornFileHeader& header, TLoadContext& context, TVornFrame& frame) {
  Visible = element.AttrAsBoolean("Visible", true);
  TransColor = element.AttrAsInteger("TransColor", -1);
  Alpha = element.AttrAsInteger("Alpha", 255);
  AlphaOn = element.AttrAsBoolean("AlphaOn", false);
  Name = element.AttrAsString("Name", "");
  SizeSurface(context, frame);
  ReadBlocks(stream, header, context, frame, false);
}

void TVornLayer::ReadBlocks(TStream& stream, const TVornFileHeader& header, TLoadContext& context,
                            TVornFrame& frame, bool binary) {
  // Each block is decoded where it lies in the input, not copied out of it.
  const bool packed = header.Version >= format::kVersionHeaderRecord;
  const int32_t colorLength = stream.ReadInt32();
  // A length of 0 would mean "the whole stream from its start": never a
  // colour block.
  if (colorLength == 0) Damaged();
  {
    TBlockAt color(stream, colorLength);
    const TBlockJob job{context, header, frame, false, *Surface, color.Start(), colorLength};
    if (packed)
      DecodePixels(color.Range, job);
    else
      DecodeRowsV1(color.Range, colorLength, job);
    color.Done();
  }

  if (header.Version < format::kVersionAlphaBlock) return;
  const int32_t alphaLength = stream.ReadInt32();
  if (alphaLength <= 0) return;
  // Binary layers drawn through their alpha have no transparent colour.
  if (binary && AlphaOn) TransColor = -1;
  context.Budget.Charge(SurfaceCost(Surface->Width(), Surface->Height(), 8));
  Surface->NeedAlpha();
  frame.ReuseSpareLayer(*Surface->AlphaChannel);
  TBlockAt alpha(stream, alphaLength);
  const TBlockJob job{context, header, frame, true, *Surface->AlphaChannel, alpha.Start(),
                      alphaLength};
  if (packed)
    DecodePixels(alpha.Range, job);
  else
    DecodeRowsV1(alpha.Range, alphaLength, job);
  alpha.Done();
}

void TVornLayer::DecodeRowsV1(TStream& data, int32_t length, const TBlockJob& job) {
  TDIBSurface& target = job.Target;
  const uint64_t total = static_cast<uint64_t>(target.RowBytes()) * target.Height();
  if (static_cast<uint64_t>(static_cast<int64_t>(length)) != total || length < 0) {
    if (const TInflatedBlock* ahead = InflatedAhead(job, total, true)) {
      TMemoryView whole(ahead->Bytes.get(), ahead->Size);
      TBlockReader rows(whole, false, total);
      DecodeRows(rows, target, false, 0);
      return;
    }
    if (InflatedRows(data, target, job.Context, false)) return;
    // Inflated straight into the rows; what lies beyond them is not made.
    TBlockReader rows(data, true, total);
    DecodeRows(rows, target, false, 0);
    rows.Finish(DiscardBound(job.Context));
    return;
  }
  const int32_t passCode = job.Context.PassCode;
  if (passCode == 0 && job.Header.Randomized)
    throw EVornError(TErrorKind::PassCode, kMsgSetPassCode);
  TBlockReader rows(data, false, total);
  DecodeRows(rows, target, true, passCode);
}

void TVornLayer::DecodePixels(TStream& data, const TBlockJob& job) {
  const TVornFileHeader& header = job.Header;
  TDIBSurface& target = job.Target;
  const uint8_t compType = header.CompType;
  const bool jpeg = compType == format::kCompJpeg;
  const bool blocks = header.BlockWidth > 0 && header.BlockHeight > 0 && !jpeg;
  if (jpeg && !job.IsAlpha) {
    DecodeJpeg(data, job);
    return;
  }
  // Compressed data are inflated as the decoders take them, straight into
  // the surface, and never beyond what a table and its blocks or the rows
  // can use.
  const bool inflate = compType == format::kCompZlib || jpeg;
  uint64_t limit = std::numeric_limits<uint64_t>::max();
  if (inflate)
    limit = blocks ? TBlockGrid(target, header).UsefulBytes(target)
                   : static_cast<uint64_t>(target.RowBytes()) * target.Height();
  const bool scrambled = header.Randomized && !jpeg;
  const TInflatedBlock* ahead = inflate ? InflatedAhead(job, limit, !blocks) : nullptr;
  if (!ahead && inflate && !blocks && InflatedRows(data, target, job.Context, scrambled)) return;
  const uint8_t* inflated = ahead ? ahead->Bytes.get() : nullptr;
  size_t produced = ahead ? ahead->Size : 0;
  if (ahead || (inflate && InflatedBlock(data, limit, job.Context, inflated, produced))) {
    TMemoryView whole(inflated, produced);
    TBlockReader reader(whole, false, limit);
    if (blocks)
      DecodeBlocks(reader, job);
    else
      DecodeRows(reader, target, scrambled, job.Context.PassCode);
    return;
  }
  TBlockReader reader(data, inflate, limit);
  if (blocks) {
    DecodeBlocks(reader, job);
  } else {
    DecodeRows(reader, target, scrambled, job.Context.PassCode);
  }
  // The whole zlib stream is checked, also where the target has no rows and
  // took nothing: damage anywhere in it fails the block.
  reader.Finish(DiscardBound(job.Context));
}

void TVornLayer::DecodeRows(TBlockReader& data, TDIBSurface& target, bool scrambled,
                            int32_t passCode) {
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
    TQzRandom random(passCode);
    random.Prepare(height);
    for (int32_t k = 0; k < height; ++k) readRow(random.NextIndex());
  } else {
    for (int32_t k = 0; k < height; ++k) readRow(k);
  }
}

void TVornLayer::DecodeBlocks(TBlockReader& data, const TBlockJob& job) {
  const TVornFileHeader& header = job.Header;
  TDIBSurface& target = job.Target;
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
    job.Context.Budget.Check(static_cast<uint64_t>(grid.N) * sizeof(TBlockEntry) +
                             static_cast<uint64_t>(grid.N) / 4);
    table.resize(static_cast<size_t>(grid.N));
    TQzRandom random(job.Context.PassCode);
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
      if (entry.Source == format::kBlockStored) {
        // Stored here: h rows of whole bytes at the block's byte offset.
        const size_t rowBytes = static_cast<size_t>((bits * w + 7) / 8);
        uint8_t* cursor = top + y0 * step + bx * grid.ColumnBytes;
        for (int32_t r = 0; r < h; ++r) data.Read(cursor + r * step, rowBytes);
      } else if (entry.Source == format::kBlockRepeat) {
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
        const TVornLayer& layer = job.Context.Layers.Layer(entry.Source, entry.Index);
        const TDIBSurface* source =
            job.IsAlpha ? layer.Surface->AlphaChannel.get() : layer.Surface.get();
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

void TVornLayer::DecodeJpeg(TStream& data, const TBlockJob& job) {
  const TDIBSurface& frame = *job.Frame.Surface;
  TDIBSurface& target = job.Target;
  // The decoder's rows, their copy in the decoded picture and the surface
  // it is assigned to are held at once.
  job.Context.Budget.Check(3 * SurfaceBytes(frame.Width(), frame.Height(), 24));
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
  const TDecodedPicture picture =
      DecodeJpegPicture(bytes, size, frame.Width(), frame.Height(), job.Context.Limits.JpegScans);
  target.Assign(picture);
  // A JPEG layer of another depth than its frame is converted before it is
  // drawn or copied from, so that every layer has the frame's depth.
  if (target.Bpp() != frame.Bpp()) {
    auto converted = ConvertedCopy(target, frame.Bpp(), frame.ColorTable);
    if (&target == Surface.get()) Surface = std::move(converted);
  }
}

}  // namespace vorn
