#include "format/VornFileHeader.h"

#include <algorithm>
#include <cstring>

namespace vorn {

TVornFileHeader TVornFileHeader::FromBytes(const uint8_t* bytes, size_t size) {
  uint8_t raw[kRecordSize] = {};
  std::memcpy(raw, bytes, std::min(size, kRecordSize));
  TVornFileHeader h;
  h.Version = ReadLE32(raw + 0);
  h.Width = ReadLE32(raw + 4);
  h.Height = ReadLE32(raw + 8);
  h.Bpp = ReadLE32(raw + 12);
  h.Count = ReadLE32(raw + 16);
  h.SyncPal = raw[20];
  h.Randomized = raw[21];
  h.CompType = raw[22];
  h.Reserved1 = raw[23];
  h.BGColor = ReadLE32(raw + 24);
  h.BlockWidth = ReadLE32(raw + 28);
  h.BlockHeight = ReadLE32(raw + 32);
  h.NotFillBG = raw[36];
  h.CompLevel = raw[37];
  h.Reserved2[0] = raw[38];
  h.Reserved2[1] = raw[39];
  return h;
}

}  // namespace vorn
