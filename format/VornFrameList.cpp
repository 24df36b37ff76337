#include "format/VornFrameList.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "format/StreamHelpers.h"
#include "format/VornFrame.h"
#include "support/Stream.h"
#include "support/Messages.h"
#include "support/QzXml.h"
#include "support/VornError.h"

namespace vorn {

namespace {

// The compressed XML header is small in every real file; more than this is
// cut off rather than inflated.
constexpr size_t kMaxXmlHeader = 16u << 20;

// Old-generation signature version: the three bytes after "Vorn" as an
// integer; text that is not a number fails the load.
int32_t ParseVersion(const uint8_t* digits) {
  const std::string text(reinterpret_cast<const char*>(digits), 3);
  int32_t value = 0;
  if (!QzTryStrToInt(text, value)) throw EConvertError(FormatMessage(kMsgNotInteger, text));
  return value;
}

// An upper bound of what the XML reader holds for a document: a tag per "<",
// a text token before each tag and at the end of each line, an element per
// tag, and the document's bytes copied into tokens, names, values and texts
// a few times over. Markup of nothing but "<>" costs some hundred bytes per
// two bytes of text, so a 16 MiB header could take gigabytes.
uint64_t XmlParseCost(const std::vector<uint8_t>& document) {
  uint64_t tags = 0, lines = 1;
  for (const uint8_t c : document) {
    tags += c == '<';
    lines += c == '\n' || c == '\r';
  }
  constexpr uint64_t kPerToken = sizeof(TQzXmlTag) * 2;  // the list grows by doubling
  constexpr uint64_t kPerElement = sizeof(TQzXmlElement) + 64;  // plus its place and heap header
  return (2 * tags + lines) * kPerToken + tags * kPerElement + 4 * document.size();
}

}  // namespace

TVornFrameList::TVornFrameList(int32_t passCode, uint64_t memoryLimit)
    : PassCode(passCode), budget_(memoryLimit) {}

TVornFrameList::~TVornFrameList() { Clear(); }

void TVornFrameList::Clear() {
  for (auto& frame : frames_) frame.reset();
  frames_.clear();
}

TVornFrame& TVornFrameList::GetFrame(int index) const {
  if (index < 0 || index >= Count()) throw EListError(kMsgGetFrame);
  return *frames_[static_cast<size_t>(index)];
}

TVornFrame& TVornFrameList::AppendFrame() {
  // Appended before it reads itself: its later layers may copy blocks from
  // its earlier ones.
  frames_.push_back(std::make_unique<TVornFrame>(*this));
  return *frames_.back();
}

void TVornFrameList::CheckFrames(int64_t count) const {
  // Every frame holds at least an (empty) composite: a count that cannot fit
  // fails before the first frame is read.
  budget_.Check(TimesCount(count, kSurfaceOverhead));
}

void TVornFrameList::DropLayers() {
  for (auto& frame : frames_) frame->Clear();
}

void TVornFrameList::LoadFromStream(TStream& stream, bool firstFrameOnly) {
  const int64_t start = stream.Position();
  uint8_t head[8] = {};
  const size_t got = stream.Read(head, sizeof head);
  if (got < 5 || std::memcmp(head, "VornX", 5) != 0) {
    stream.Seek(start);
    LoadBinary(stream, firstFrameOnly);
    return;
  }
  if (got < sizeof head) throw EReadError(kMsgStreamRead);
  const int digit = head[5] >= '0' && head[5] <= '9' ? head[5] - '0' : 0;
  if (digit > 2) throw EVornError(kMsgUnreadableFormat);
  LoadXmlGeneration(stream, firstFrameOnly);
}

void TVornFrameList::LoadXmlGeneration(TStream& stream, bool firstFrameOnly) {
  Clear();
  TQzXmlElement root;
  {
    const int32_t length = stream.ReadInt32();
    TMemoryStream packed;
    CopyFromStream(packed, stream, length);
    DecompressInPlace(packed, kMaxXmlHeader);
    packed.Seek(0);
    budget_.Check(XmlParseCost(packed.Bytes()));
    root.LoadFromStream(packed);
  }

  TVornFileHeader header;
  header.Version = root.AttrAsInteger("Version", 200);
  header.Width = root.AttrAsInteger("Width", 100);
  header.Height = root.AttrAsInteger("Height", 100);
  header.Bpp = root.AttrAsInteger("Bpp", 8);
  header.Count = root.AttrAsInteger("Count", 0);
  header.SyncPal = root.AttrAsBoolean("SyncPal", false);
  header.Randomized = root.AttrAsBoolean("Randomized", false);
  header.CompType = static_cast<uint8_t>(root.AttrAsInteger("CompType", 0));
  header.CompLevel = static_cast<uint8_t>(root.AttrAsInteger("CompLevel", 0));
  header.BGColor = root.AttrAsInteger("BGColor", 0);
  header.BlockWidth = root.AttrAsInteger("BlockWidth", 32);
  header.BlockHeight = root.AttrAsInteger("BlockHeight", 32);
  header.NotFillBG = root.AttrAsBoolean("NotFillBG", true);
  BGColor = header.BGColor;
  NotFillBG = header.NotFillBG != 0;
  NewGeneration = true;
  Header = header;

  // Count is bounded by the Frame children actually present.
  CheckFrames(firstFrameOnly ? std::min(header.Count, 1) : std::min(header.Count, root.ChildCount()));
  for (int32_t i = 0; i < header.Count; ++i) {
    const TQzXmlElement* child = root.GetChild(i);
    if (child == nullptr || !child->NameIs("Frame")) {
      if (i == 0) throw EVornError(kMsgFileDamaged);
      break;
    }
    AppendFrame().LoadXml(*child, stream, header);
    if (firstFrameOnly) break;
  }
  DropLayers();
}

void TVornFrameList::LoadBinary(TStream& stream, bool firstFrameOnly) {
  Clear();
  uint8_t head[7] = {};
  const size_t got = stream.Read(head, sizeof head);
  int32_t v = 0;
  if (got >= 4 && std::memcmp(head, "Vorn", 4) == 0) {
    if (got < sizeof head) throw EReadError(kMsgStreamRead);
    v = ParseVersion(head + 4);
  } else {
    stream.Seek(stream.Position() - static_cast<int64_t>(got));
  }
  Version = v;

  TVornFileHeader header;
  int32_t count = 0;
  if (v >= 103) {
    const int32_t size = stream.ReadInt32();
    if (size < 0) throw EReadError(kMsgStreamRead);
    const size_t kept = std::min<size_t>(static_cast<size_t>(size), TVornFileHeader::kRecordSize);
    uint8_t raw[TVornFileHeader::kRecordSize] = {};
    stream.ReadBuffer(raw, kept);
    header = TVornFileHeader::FromBytes(raw, kept);
    if (size > 40) stream.Skip(size - 40);
    count = header.Count;
    BGColor = header.BGColor;
  } else {
    header.Version = v;
    count = stream.ReadInt32();
    stream.Skip(1);
    if (v >= 102) BGColor = stream.ReadInt32();
  }
  NotFillBG = v >= 105 && header.NotFillBG != 0;
  NewGeneration = false;
  Header = header;
  Header.Count = count;
  if (firstFrameOnly && count > 1) count = 1;

  // A damaged count is bounded by the data: every frame record consumes bytes.
  CheckFrames(count);
  for (int32_t i = 0; i < count; ++i) AppendFrame().LoadBinary(stream, header);
  DropLayers();
}

void TVornFrameList::SetHeader(TVornFileHeader& header, uint8_t compType,
                               uint8_t compLevel) const {
  const TVornFrame& first = GetFrame(0);
  header = TVornFileHeader{};
  header.Version = 200;
  header.Width = first.Width();
  header.Height = first.Height();
  header.Bpp = first.Bpp();
  header.Count = Count();
  header.SyncPal = 1;
  header.Randomized = PassCode != 0;
  header.CompType = PassCode != 0 ? 1 : compType;
  header.BGColor = BGColor;
  header.BlockWidth = 0;
  header.BlockHeight = 0;
  header.NotFillBG = NotFillBG;
  header.CompLevel = compLevel;
}

}  // namespace vorn
