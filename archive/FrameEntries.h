// The entries the archive plug-in lists for a file: one per frame that makes
// a picture, in file order, each a BMP file named after the frame.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "vorn/vorn.h"

namespace vorn {

struct TFrameEntry {
  uint32_t Frame = 0;        // the frame's number in the file
  std::string AnsiName;      // code page 932, at most kEntryNameUnits - 1 bytes
  std::u16string WideName;   // at most kEntryNameUnits - 1 units
  uint32_t FileSize = 0;     // of the BMP file: its header, then the frame's DIB
};

// Units of a name field, its terminating zero included.
inline constexpr size_t kEntryNameUnits = 200;

// The entries of an open image, from its frames' headers (nothing decoded).
// A frame whose size and depth make no picture is not listed; the others
// keep their numbers. Fails with the image's error.
std::vector<TFrameEntry> ListFrameEntries(vorn_image* image);

// "03 walk.bmp": the frame number zero-padded to as many digits as count
// has, a space and the frame's name where it has one, then ".bmp". Path
// separators, control characters and the characters Windows refuses in
// names become '_'; the name is cut to fit, never inside a character.
// The ANSI name stays in code page 932. A host's ANSI file functions read
// it in the system's code page: where that has no double-byte character
// starting with the same byte (systemLead), a character whose second byte
// is '\' or '|' would be a separator or refused there, and becomes '_'.
std::string AnsiEntryName(uint32_t frame, uint32_t count, const std::string& cp932Name,
                          bool (*systemLead)(unsigned char));
std::u16string WideEntryName(uint32_t frame, uint32_t count, const std::u16string& name);

// The BMP file of a frame: the 14-byte file header, then the DIB's blocks.
std::vector<uint8_t> BmpFile(const vorn_dib& dib);
inline constexpr uint32_t kBmpFileHeaderSize = 14;

}  // namespace vorn
