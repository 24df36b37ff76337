// A whole .vrn file in memory: the ordered frames, each reduced to its
// flattened composite once the load is over, and the load's context (limits,
// identification code, background) that the frames and layers read with.
//
// A file is read in one go (LoadFromStream), or in steps: Open reads the
// signature and the file's header, LoadFrames reads frames on from where the
// last call stopped. Frames keep their layers until the last frame is read,
// because a later frame's blocks may copy from them; in files that store
// rows no block can, and each frame drops its layers once composed.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "format/FrameHeaders.h"
#include "format/InflateAhead.h"
#include "format/LoadContext.h"
#include "format/VornFileHeader.h"
#include "support/QzXml.h"

namespace vorn {

class TStream;
class TVornFrame;

class TVornFrameList final : public TLayerLookup {
 public:
  explicit TVornFrameList(int32_t passCode, uint64_t memoryLimit = TLoadBudget::DefaultLimit());
  TVornFrameList(int32_t passCode, const TLoadLimits& limits, TPixelMemory* pixels);
  ~TVornFrameList();
  TVornFrameList(const TVornFrameList&) = delete;
  TVornFrameList& operator=(const TVornFrameList&) = delete;

  // Frees every frame, first to last; the other fields stay.
  void Clear();
  int Count() const { return static_cast<int>(frames_.size()); }
  // Fails with "Error:TVornFrameList.GetFrame" outside 0 .. Count-1.
  TVornFrame& GetFrame(int index) const;
  const TVornLayer& Layer(int32_t frame, int32_t layer) const override;

  // Reads one file from the stream's position. On return every frame holds
  // only its composite. firstFrameOnly stops after the first frame.
  void LoadFromStream(TStream& stream, bool firstFrameOnly);
  // The signature and the header, up to the first frame.
  void Open(TStream& stream);
  // Reads frames on until Count() is count or the file has no more; a
  // frame that fails fails the call (and every later one). The layers are
  // dropped once the last frame is read. Frames from index composed on
  // are read and checked as any other, but not composed (see
  // TVornFrame::Composed) where that cannot change how the load ends.
  void LoadFrames(TStream& stream, int64_t count, int64_t composed = INT64_MAX);
  // The headers of the frames the file holds, read once without decoding
  // a pixel (after Open; the stream's position is kept).
  const std::vector<TFrameHeader>& FrameHeaders(TStream& stream);
  // Frame index read by itself, from where the frames' headers say it
  // begins, when no frame's blocks can copy from another's (rows or JPEG)
  // and the frames before it have not been read; null where that cannot be
  // (read them in order instead). A frame read so is kept, apart from the
  // frames read in order, until the list is destroyed; its failure fails
  // no other frame.
  const TVornFrame* LoadAlone(TStream& stream, int index);
  // Whether every frame the file holds has been read.
  bool Complete() const { return state_ == TState::Complete; }
  // Fills a header record from the loaded frames.
  void SetHeader(TVornFileHeader& header, uint8_t compType, uint8_t compLevel) const;

  TLoadContext& Context() { return context_; }
  TLoadBudget& Budget() { return context_.Budget; }
  int32_t PassCode() const { return context_.PassCode; }

  // What the header says of the file as a whole: which generation, and the
  // header record the frames and layers are read with (for the generations
  // before 103 only Version is set, and Count is the declared frame count).
  bool NewGeneration = false;
  TVornFileHeader Header;
  // The old generation's signature version (0 for the new generation and
  // for files without a signature).
  int32_t Version = 0;
  // How many frames the file holds as far as its header tells: the declared
  // count, and in the new generation no more than the Frame elements that
  // stand one after another from the first.
  int64_t DeclaredFrames() const { return declared_; }

 private:
  enum class TState { Closed, Open, Complete, Failed };
  void OpenXml(TStream& stream);
  void OpenBinary(TStream& stream);
  void ReadFrame(TStream& stream, bool compose);
  // The zlib blocks of the frames from the next one up to target that
  // workers may inflate ahead of the load (see TInflateAhead); the walk
  // leaves the stream where it was.
  std::vector<TPackedRange> PlanInflation(TStream& stream, int64_t target);
  TVornFrame& AppendFrame();
  // Fails with ELimitError when count frames cannot fit in the budget.
  void CheckFrames(int64_t count) const;
  void DropLayers();

  TLoadContext context_;
  std::vector<std::unique_ptr<TVornFrame>> frames_;
  TState state_ = TState::Closed;
  TQzXmlElement root_;    // the XML header, while frames are read from it
  int64_t declared_ = 0;  // frames to read
  int64_t first_ = 0;     // where the first binary frame record starts
  int64_t next_ = 0;      // where the next binary frame record starts
  bool scanned_ = false;
  std::vector<TFrameHeader> headers_;
  std::map<int, std::unique_ptr<TVornFrame>> alone_;
  bool rowStorage_ = false;
};

}  // namespace vorn
