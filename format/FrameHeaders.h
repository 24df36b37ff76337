// What the headers of a file's frames tell, read without decoding a pixel:
// each frame's name, delay, size and depth. A listing of the frames (an
// archive plug-in's, a converter's) reads these instead of loading the file.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "format/VornFileHeader.h"

namespace vorn {

class TLoadBudget;
class TQzXmlElement;
class TStream;

struct TFrameHeader {
  std::string Name;  // code page 932, as stored
  int32_t Delay = 0;
  // The frame's composite as a load sizes it (Bpp 15: 16 bits in 5-5-5).
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t Bpp = 0;
  // Where the frame's record (binary files) or its pixel data (XML files)
  // begin in the stream; -1 where the headers do not tell.
  int64_t Start = -1;
};

// Told of each data block a walk passes over: the frame it belongs to (its
// size and depth read), whether it is a layer's alpha block, where its bytes
// begin and how many there are.
using TBlockVisitor =
    std::function<void(const TFrameHeader& frame, bool alpha, int64_t offset, int32_t length)>;

// Walks binary frame records from the stream's position, skipping each
// layer's data blocks by their lengths. Stops before the first record that
// is cut short or whose depth no load accepts (that frame fails to load, and
// every later one with it). Each header found is charged to budget.
std::vector<TFrameHeader> ReadBinaryFrameHeaders(TStream& stream, const TVornFileHeader& header,
                                                 int64_t declared, TLoadBudget& budget,
                                                 const TBlockVisitor& visit = {});

// The Frame children of the XML header's root from first up to declared,
// up to the first one without a Layers element (which fails to load). Their
// pixel data are walked from the stream's position, by the blocks' lengths,
// to find where each frame's begin.
std::vector<TFrameHeader> ReadXmlFrameHeaders(const TQzXmlElement& root, int64_t declared,
                                              const TVornFileHeader& header, TStream& stream,
                                              TLoadBudget& budget, int64_t first = 0,
                                              const TBlockVisitor& visit = {});

}  // namespace vorn
