// The format's vocabulary: signatures, the versions at which the old
// generation's records grew, the compression types and the block sources of
// a block table. Every reader of the format names these instead of numbers.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vorn::format {

// "VornX200": the new generation (compressed XML header). Five bytes decide;
// the digit after them is the generation's major version.
inline constexpr char kNewSignature[] = "VornX";
inline constexpr size_t kNewSignatureSize = 5;
inline constexpr size_t kNewHeadSize = 8;  // "VornX200"
inline constexpr int kNewestMajor = 2;     // "VornX3..." and up cannot be read
// "Vorn" and three digits: the old generation (binary records). Old files
// without any signature are version 0.
inline constexpr char kOldSignature[] = "Vorn";
inline constexpr size_t kOldSignatureSize = 4;
inline constexpr size_t kHeadSize = 7;  // "Vorn" and the three digits

// Versions of the old generation, by what each one added.
inline constexpr int32_t kVersionAlphaBlock = 100;     // an alpha block after each colour block
inline constexpr int32_t kVersionLayerAlphaOn = 101;   // the layer record's AlphaOn byte
inline constexpr int32_t kVersionBackground = 102;     // the background colour in the head
inline constexpr int32_t kVersionHeaderRecord = 103;   // the 40-byte header record; CompType, blocks
inline constexpr int32_t kVersionRecordLists = 104;    // two record lists after each frame
inline constexpr int32_t kVersionNotFillBG = 105;      // the header's NotFillBG is honoured
inline constexpr int32_t kVersionNewestSniffed = 106;  // the newest IsSupported knows by signature
inline constexpr int32_t kVersionLayerTrailer = 107;   // one more byte after the layer's name
// The version the XML header states when it omits it.
inline constexpr int32_t kVersionXml = 200;

// CompType of the header: how the layers' pixel data blocks are stored.
// Any other value reads as Stored.
enum TCompType : uint8_t {
  kCompZlib = 0,    // zlib streams, rows or blocks
  kCompStored = 1,  // as is, rows or blocks
  kCompJpeg = 2,    // colour: a JPEG picture; alpha: zlib rows
};

// Source of a block table entry; 0 and above name a frame whose layer at
// Index is copied from.
inline constexpr int32_t kBlockStored = -1;  // the block's bytes follow in the data
inline constexpr int32_t kBlockRepeat = -2;  // repeats block Index of this target

// Size of a binary frame's record-list entry.
inline constexpr size_t kRecordSize = 16;

}  // namespace vorn::format
