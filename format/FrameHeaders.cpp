#include "format/FrameHeaders.h"

#include "format/LoadBudget.h"
#include "format/VornFormat.h"
#include "format/VornFrame.h"
#include "support/QzXml.h"
#include "support/Stream.h"
#include "support/VornError.h"

namespace vorn {

namespace {

bool LoadableDepth(int32_t bpp) {
  switch (bpp) {
    case 1:
    case 4:
    case 8:
    case 15:
    case 16:
    case 24:
    case 32: return true;
    default: return false;
  }
}

// Passes over one data block: its length, then that many bytes.
void SkipBlock(TStream& stream, bool alpha, const TFrameHeader& frame, const TBlockVisitor& visit) {
  const int32_t length = stream.ReadInt32();
  if (alpha && length <= 0) return;
  if (length <= 0 || length > stream.Remaining()) throw EReadError("block past the end");
  if (visit) visit(frame, alpha, stream.Position(), length);
  stream.Skip(length);
}

void SkipLayerBlocks(TStream& stream, int32_t version, const TFrameHeader& frame,
                     const TBlockVisitor& visit) {
  SkipBlock(stream, false, frame, visit);
  if (version >= format::kVersionAlphaBlock) SkipBlock(stream, true, frame, visit);
}

void SkipLayerRecord(TStream& stream, int32_t version, const TFrameHeader& frame,
                     const TBlockVisitor& visit) {
  stream.Skip(8 + 1 + 4 + 4);  // unused, Visible, TransColor, Alpha
  if (version >= format::kVersionLayerAlphaOn) stream.Skip(1);
  ReadName(stream);
  if (version >= format::kVersionLayerTrailer) stream.Skip(1);
  SkipLayerBlocks(stream, version, frame, visit);
}

void SkipRecordList(TStream& stream) {
  const int32_t count = stream.ReadInt32();
  if (count > 0) stream.Skip(int64_t{count} * int64_t{format::kRecordSize});
}

void Keep(std::vector<TFrameHeader>& headers, TFrameHeader&& header, TLoadBudget& budget) {
  budget.Charge(sizeof(TFrameHeader) + header.Name.size());
  headers.push_back(std::move(header));
}

}  // namespace

std::vector<TFrameHeader> ReadBinaryFrameHeaders(TStream& stream, const TVornFileHeader& header,
                                                 int64_t declared, TLoadBudget& budget,
                                                 const TBlockVisitor& visit) {
  std::vector<TFrameHeader> headers;
  const int32_t version = header.Version;
  for (int64_t i = 0; i < declared; ++i) {
    TFrameHeader frame;
    frame.Start = stream.Position();
    try {
      frame.Name = ReadName(stream);
      stream.Skip(4);  // TransColor
      frame.Delay = stream.ReadInt32();
      stream.Skip(1 + 4);  // Disposal, unused
      const int32_t layers = stream.ReadInt32();
      frame.Width = stream.ReadInt32();
      frame.Height = stream.ReadInt32();
      frame.Bpp = stream.ReadInt32();
      if (!LoadableDepth(frame.Bpp)) break;
      if (frame.Bpp <= 8) stream.Skip(int64_t{4} << frame.Bpp);
      for (int32_t l = 0; l < layers; ++l) SkipLayerRecord(stream, version, frame, visit);
      if (version >= format::kVersionRecordLists) {
        SkipRecordList(stream);
        SkipRecordList(stream);
      }
    } catch (const EReadError&) {
      break;
    }
    Keep(headers, std::move(frame), budget);
  }
  return headers;
}

std::vector<TFrameHeader> ReadXmlFrameHeaders(const TQzXmlElement& root, int64_t declared,
                                              const TVornFileHeader& header, TStream& stream,
                                              TLoadBudget& budget, int64_t first,
                                              const TBlockVisitor& visit) {
  std::vector<TFrameHeader> headers;
  bool walking = true;  // until a frame's data are cut short
  for (int64_t i = first; i < declared && i < root.ChildCount(); ++i) {
    const TQzXmlElement* element = root.GetChild(static_cast<int>(i));
    if (element == nullptr || !element->NameIs("Frame")) break;
    const TQzXmlElement* layers = element->FindChild("Layers");
    if (layers == nullptr) break;
    TFrameHeader frame;
    frame.Name = element->AttrAsString("Name", "");
    frame.Delay = element->AttrAsInteger("Delay", 0);
    frame.Width = layers->AttrAsInteger("Width", 100);
    frame.Height = layers->AttrAsInteger("Height", 100);
    frame.Bpp = layers->AttrAsInteger("Bpp", 8);
    if (!LoadableDepth(frame.Bpp)) break;
    if (walking) {
      frame.Start = stream.Position();
      try {
        const int32_t count = layers->AttrAsInteger("Count", 0);
        for (int32_t l = 0; l < count; ++l) SkipLayerBlocks(stream, header.Version, frame, visit);
      } catch (const EReadError&) {
        walking = false;
      }
    }
    Keep(headers, std::move(frame), budget);
  }
  return headers;
}

}  // namespace vorn
