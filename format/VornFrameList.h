// A whole .vrn file in memory: the ordered frames, each reduced to its
// flattened composite once the load is over, and the file-wide values the
// frames and layers need (background colour, NotFillBG, identification code).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "format/LoadBudget.h"
#include "format/VornFileHeader.h"

namespace vorn {

class TStream;
class TVornFrame;

class TVornFrameList {
 public:
  explicit TVornFrameList(int32_t passCode, uint64_t memoryLimit = TLoadBudget::DefaultLimit());
  ~TVornFrameList();
  TVornFrameList(const TVornFrameList&) = delete;
  TVornFrameList& operator=(const TVornFrameList&) = delete;

  // Frees every frame, first to last; the other fields stay.
  void Clear();
  int Count() const { return static_cast<int>(frames_.size()); }
  // Fails with "Error:TVornFrameList.GetFrame" outside 0 .. Count-1.
  TVornFrame& GetFrame(int index) const;

  // Reads one file from the stream's position. On return every frame holds
  // only its composite. firstFrameOnly stops after the first frame.
  void LoadFromStream(TStream& stream, bool firstFrameOnly);
  // The old-generation reader, with the stream at the file's start.
  void LoadBinary(TStream& stream, bool firstFrameOnly);
  // Fills a header record from the loaded frames.
  void SetHeader(TVornFileHeader& header, uint8_t compType, uint8_t compLevel) const;

  TLoadBudget& Budget() { return budget_; }

  // What the last load read of the file as a whole: which generation, and
  // the header record the frames and layers were read with (for the
  // generations before 103 only Version is set, and Count is the declared
  // frame count).
  bool NewGeneration = false;
  TVornFileHeader Header;

  int32_t BGColor = 0;
  int32_t Version = 0;
  int32_t PassCode = 0;
  bool NotFillBG = false;

 private:
  void LoadXmlGeneration(TStream& stream, bool firstFrameOnly);
  TVornFrame& AppendFrame();
  // Fails with ELimitError when count frames cannot fit in the budget.
  void CheckFrames(int64_t count) const;
  void DropLayers();

  std::vector<std::unique_ptr<TVornFrame>> frames_;
  TLoadBudget budget_;
};

}  // namespace vorn
