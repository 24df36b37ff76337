#include "format/VornFrameList.h"

#include <algorithm>
#include <stdexcept>
#include <string>
#include <utility>

#include "format/StreamHelpers.h"
#include "format/VornFormat.h"
#include "format/VornFrame.h"
#include "format/VornHead.h"
#include "format/VornLayer.h"
#include "support/Messages.h"
#include "support/Stream.h"
#include "support/VornError.h"

namespace vorn {

namespace {

using namespace format;

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

// Whether no block of any layer can copy from another layer: the layers are
// stored in rows (or JPEG).
bool RowStorage(const TVornFileHeader& header) {
  return header.Version < kVersionHeaderRecord || header.BlockWidth <= 0 ||
         header.BlockHeight <= 0 || header.CompType == kCompJpeg;
}

// How many blocks one call plans ahead at most; the rest the load inflates.
constexpr size_t kMostPlanned = 1u << 14;

// What one call that reads frames holds: the workers, started before its
// first frame is read, and the kept copy of a compressed block; joined and
// freed when it returns or fails.
class TLoadCall {
 public:
  TLoadCall(TLoadContext& context, std::unique_ptr<TInflateAhead> ahead)
      : context_(context), ahead_(std::move(ahead)) {
    context_.Ahead = ahead_.get();
  }
  ~TLoadCall() {
    context_.Ahead = nullptr;
    context_.ReleasePackedCopy();
  }
  TLoadCall(const TLoadCall&) = delete;
  TLoadCall& operator=(const TLoadCall&) = delete;

 private:
  TLoadContext& context_;
  std::unique_ptr<TInflateAhead> ahead_;
};

}  // namespace

TVornFrameList::TVornFrameList(int32_t passCode, uint64_t memoryLimit)
    : TVornFrameList(passCode, TLoadLimits{.Memory = memoryLimit}, nullptr) {}

TVornFrameList::TVornFrameList(int32_t passCode, const TLoadLimits& limits, TPixelMemory* pixels)
    : context_(passCode, limits, pixels, *this) {}

TVornFrameList::~TVornFrameList() { Clear(); }

void TVornFrameList::Clear() {
  for (auto& frame : frames_) frame.reset();
  frames_.clear();
  alone_.clear();
}

TVornFrame& TVornFrameList::GetFrame(int index) const {
  if (index < 0 || index >= Count()) throw EListError(kMsgGetFrame);
  return *frames_[static_cast<size_t>(index)];
}

const TVornLayer& TVornFrameList::Layer(int32_t frame, int32_t layer) const {
  return GetFrame(frame).GetLayer(layer);
}

TVornFrame& TVornFrameList::AppendFrame() {
  // Appended before it reads itself: its later layers may copy blocks from
  // its earlier ones.
  frames_.push_back(std::make_unique<TVornFrame>(context_.Pixels));
  return *frames_.back();
}

void TVornFrameList::CheckFrames(int64_t count) const {
  // Every frame holds at least an (empty) composite: a count that cannot fit
  // fails before the first frame is read.
  context_.Budget.Check(TimesCount(count, kSurfaceOverhead));
}

void TVornFrameList::DropLayers() {
  for (auto& frame : frames_) frame->Clear();
}

void TVornFrameList::LoadFromStream(TStream& stream, bool firstFrameOnly) {
  Open(stream);
  LoadFrames(stream, firstFrameOnly ? 1 : INT64_MAX);
  DropLayers();
}

void TVornFrameList::Open(TStream& stream) {
  Clear();
  state_ = TState::Failed;
  const int64_t start = stream.Position();
  uint8_t bytes[kNewHeadSize] = {};
  const size_t got = stream.Read(bytes, sizeof bytes);
  const TVornHead head(bytes, got);
  if (!head.IsNewGeneration()) {
    stream.Seek(start);
    OpenBinary(stream);
  } else {
    if (got < kNewHeadSize) throw EReadError(kMsgStreamRead);
    if (head.NewGenerationMajor() > kNewestMajor)
      throw EVornError(TErrorKind::Unsupported, kMsgUnreadableFormat);
    OpenXml(stream);
  }
  rowStorage_ = RowStorage(Header);
  first_ = next_ = stream.Position();
  scanned_ = false;
  headers_.clear();
  state_ = TState::Open;
}

const std::vector<TFrameHeader>& TVornFrameList::FrameHeaders(TStream& stream) {
  if (state_ == TState::Closed) throw std::logic_error("FrameHeaders before Open");
  if (scanned_) return headers_;
  if (state_ == TState::Complete) {
    // The XML header is gone once every frame is read: the frames tell.
    for (const auto& frame : frames_)
      headers_.push_back(TFrameHeader{frame->Name, frame->Delay, frame->Width(), frame->Height(),
                                      frame->Bpp()});
  } else if (NewGeneration) {
    const int64_t position = stream.Position();
    stream.Seek(first_);
    headers_ = ReadXmlFrameHeaders(root_, declared_, Header, stream, context_.Budget);
    stream.Seek(position);
  } else {
    const int64_t position = stream.Position();
    stream.Seek(first_);
    headers_ = ReadBinaryFrameHeaders(stream, Header, declared_, context_.Budget);
    stream.Seek(position);
  }
  scanned_ = true;
  return headers_;
}

const TVornFrame* TVornFrameList::LoadAlone(TStream& stream, int index) {
  // After a failure the last frame in the list is the one that failed.
  const int whole = state_ == TState::Failed ? Count() - 1 : Count();
  if (index < whole) return &GetFrame(index);
  if (!rowStorage_ || (state_ != TState::Open && state_ != TState::Failed)) return nullptr;
  // The next frame in order is read in order: no headers need be walked.
  if (state_ == TState::Open && index == Count()) return nullptr;
  if (const auto it = alone_.find(index); it != alone_.end()) return it->second.get();
  const std::vector<TFrameHeader>& headers = FrameHeaders(stream);
  if (static_cast<size_t>(index) >= headers.size() || headers[static_cast<size_t>(index)].Start < 0)
    return nullptr;
  CheckFrames(1);
  auto frame = std::make_unique<TVornFrame>(context_.Pixels);
  const TLoadCall call(context_, nullptr);
  stream.Seek(headers[static_cast<size_t>(index)].Start);
  if (NewGeneration)
    frame->LoadXml(*root_.GetChild(index), stream, Header, context_);
  else
    frame->LoadBinary(stream, Header, context_);
  frame->Clear();
  return alone_.emplace(index, std::move(frame)).first->second.get();
}

void TVornFrameList::OpenXml(TStream& stream) {
  {
    const int32_t length = stream.ReadInt32();
    TMemoryStream packed;
    CopyFromStream(packed, stream, length);
    DecompressInPlace(packed, context_.Limits.XmlHeader);
    packed.Seek(0);
    context_.Budget.Check(XmlParseCost(packed.Bytes()));
    root_.LoadFromStream(packed);
  }

  TVornFileHeader header;
  header.Version = root_.AttrAsInteger("Version", kVersionXml);
  header.Width = root_.AttrAsInteger("Width", 100);
  header.Height = root_.AttrAsInteger("Height", 100);
  header.Bpp = root_.AttrAsInteger("Bpp", 8);
  header.Count = root_.AttrAsInteger("Count", 0);
  header.SyncPal = root_.AttrAsBoolean("SyncPal", false);
  header.Randomized = root_.AttrAsBoolean("Randomized", false);
  header.CompType = static_cast<uint8_t>(root_.AttrAsInteger("CompType", kCompZlib));
  header.CompLevel = static_cast<uint8_t>(root_.AttrAsInteger("CompLevel", 0));
  header.BGColor = root_.AttrAsInteger("BGColor", 0);
  header.BlockWidth = root_.AttrAsInteger("BlockWidth", 32);
  header.BlockHeight = root_.AttrAsInteger("BlockHeight", 32);
  header.NotFillBG = root_.AttrAsBoolean("NotFillBG", true);
  context_.BGColor = header.BGColor;
  context_.NotFillBG = header.NotFillBG != 0;
  NewGeneration = true;
  Header = header;

  // The Frame children stand one after another from the first; reading
  // stops at the first other child (the load still succeeds, but for the
  // first frame, which ReadFrame reports as damage).
  int64_t frames = 0;
  while (frames < header.Count) {
    const TQzXmlElement* child = root_.GetChild(static_cast<int>(frames));
    if (child == nullptr || !child->NameIs("Frame")) break;
    ++frames;
  }
  declared_ = header.Count > 0 && frames == 0 ? 1 : frames;
}

void TVornFrameList::OpenBinary(TStream& stream) {
  uint8_t bytes[kHeadSize] = {};
  const size_t got = stream.Read(bytes, sizeof bytes);
  const TVornHead head(bytes, got);
  int32_t v = 0;
  if (head.HasOldSignature()) {
    if (got < sizeof bytes) throw EReadError(kMsgStreamRead);
    const auto version = head.ConvertedVersion();
    if (!version)
      throw EConvertError(FormatMessage(
          kMsgNotInteger, std::string(reinterpret_cast<const char*>(bytes) + kOldSignatureSize,
                                      kHeadSize - kOldSignatureSize)));
    v = *version;
  } else {
    stream.Seek(stream.Position() - static_cast<int64_t>(got));
  }
  Version = v;

  TVornFileHeader header;
  int32_t count = 0;
  if (v >= kVersionHeaderRecord) {
    const int32_t size = stream.ReadInt32();
    if (size < 0) throw EReadError(kMsgStreamRead);
    const size_t kept = std::min<size_t>(static_cast<size_t>(size), TVornFileHeader::kRecordSize);
    uint8_t raw[TVornFileHeader::kRecordSize] = {};
    stream.ReadBuffer(raw, kept);
    header = TVornFileHeader::FromBytes(raw, kept);
    if (size > static_cast<int32_t>(TVornFileHeader::kRecordSize))
      stream.Skip(size - static_cast<int32_t>(TVornFileHeader::kRecordSize));
    count = header.Count;
    context_.BGColor = header.BGColor;
  } else {
    header.Version = v;
    count = stream.ReadInt32();
    stream.Skip(1);
    if (v >= kVersionBackground) context_.BGColor = stream.ReadInt32();
  }
  context_.NotFillBG = v >= kVersionNotFillBG && header.NotFillBG != 0;
  NewGeneration = false;
  Header = header;
  Header.Count = count;
  // A damaged count is bounded by the data: every frame record consumes bytes.
  declared_ = std::max(count, 0);
}

void TVornFrameList::LoadFrames(TStream& stream, int64_t count, int64_t composed) {
  if (state_ == TState::Closed) throw std::logic_error("LoadFrames before Open");
  if (state_ == TState::Failed) throw EVornError(kMsgFileDamaged);
  if (state_ == TState::Complete) return;
  const int64_t target = std::min(count, declared_);
  if (target <= Count()) return;
  state_ = TState::Failed;
  // In the new generation the count checked is the declared one bounded by
  // the children present, Frame or not.
  const int64_t checked =
      NewGeneration ? std::min({count, int64_t{Header.Count}, int64_t{root_.ChildCount()}}) : target;
  CheckFrames(checked - Count());
  stream.Seek(next_);
  {
    std::unique_ptr<TInflateAhead> ahead;
    if (context_.Limits.Threads > 1 && context_.WholeBlockInflate && stream.SharedReads()) {
      std::vector<TPackedRange> plan = PlanInflation(stream, target);
      const auto workers = static_cast<unsigned>(
          std::min<size_t>(std::min(context_.Limits.Threads, kMaxLoadThreads) - 1, plan.size()));
      if (workers > 0)
        ahead = std::make_unique<TInflateAhead>(stream, std::move(plan), workers,
                                                context_.Budget.Limit() - context_.Budget.Used());
    }
    const TLoadCall call(context_, std::move(ahead));
    // A JPEG layer takes its picture's size, which composing it checks
    // against the frame's: frames of such files are always composed.
    const bool jpeg = Header.CompType == kCompJpeg;
    while (Count() < target) ReadFrame(stream, Count() < composed || jpeg);
  }
  next_ = stream.Position();
  if (Count() >= declared_) {
    DropLayers();
    context_.ReleaseScratch();
    root_.Clear();
    state_ = TState::Complete;
  } else {
    state_ = TState::Open;
  }
}

void TVornFrameList::ReadFrame(TStream& stream, bool compose) {
  const TQzXmlElement* child = nullptr;
  if (NewGeneration) {
    child = root_.GetChild(Count());
    if (child == nullptr || !child->NameIs("Frame")) throw EVornError(kMsgFileDamaged);
  }
  TVornFrame& frame = AppendFrame();
  frame.Composed = compose;
  if (child != nullptr)
    frame.LoadXml(*child, stream, Header, context_);
  else
    frame.LoadBinary(stream, Header, context_);
  // No later frame copies from this one's layers.
  if (rowStorage_) frames_.back()->Clear();
}

std::vector<TPackedRange> TVornFrameList::PlanInflation(TStream& stream, int64_t target) {
  std::vector<TPackedRange> plan;
  bool first = true;
  const TBlockVisitor visit = [&](const TFrameHeader& frame, bool alpha, int64_t offset,
                                  int32_t length) {
    // The load is at the first block at once: no worker would be ahead of it.
    if (std::exchange(first, false)) return;
    if (plan.size() >= kMostPlanned) throw EReadError("planned enough");
    const auto range = TVornLayer::WholeInflation(Header, frame.Width, frame.Height, frame.Bpp,
                                                  alpha, offset, length);
    if (range && range->Capacity >= context_.Limits.SmallestAhead) plan.push_back(*range);
  };
  const int64_t position = stream.Position();
  // The walk's own bookkeeping is not the load's: the plan only guides work.
  TLoadBudget unbounded(UINT64_MAX);
  try {
    if (NewGeneration)
      ReadXmlFrameHeaders(root_, target, Header, stream, unbounded, Count(), visit);
    else
      ReadBinaryFrameHeaders(stream, Header, target - Count(), unbounded, visit);
  } catch (...) {
    // A walk that fails plans what it found; the load finds what is wrong.
  }
  stream.Seek(position);
  return plan;
}

void TVornFrameList::SetHeader(TVornFileHeader& header, uint8_t compType,
                               uint8_t compLevel) const {
  const TVornFrame& first = GetFrame(0);
  header = TVornFileHeader{};
  header.Version = kVersionXml;
  header.Width = first.Width();
  header.Height = first.Height();
  header.Bpp = first.Bpp();
  header.Count = Count();
  header.SyncPal = 1;
  header.Randomized = PassCode() != 0;
  header.CompType = PassCode() != 0 ? uint8_t{kCompStored} : compType;
  header.BGColor = context_.BGColor;
  header.BlockWidth = 0;
  header.BlockHeight = 0;
  header.NotFillBG = context_.NotFillBG;
  header.CompLevel = compLevel;
}

}  // namespace vorn
