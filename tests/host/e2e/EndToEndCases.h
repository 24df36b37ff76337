// The end-to-end cases: files made by the fixture writer (and the bundled
// examples), how the host hands each to the plug-in, the settings of the
// calls, and what each of the three picture calls must return.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tests/host/e2e/ExpectedPictures.h"

namespace vorn::e2e {

enum class TInput { File, Memory };

struct TPictureExpectation {
  int32_t Result = 0;
  TBlocks Blocks;  // when Result is 0
};

struct TInfoExpectation {
  int32_t Result = 0;
  int32_t Width = 0, Height = 0, Depth = 0;  // when Result is 0
};

struct TEndToEndCase {
  std::string Name;            // also the file's name in the work directory
  std::vector<uint8_t> Bytes;  // the file (memory input: the block handed over)
  bool WriteFile = true;       // false: the file input names a missing file
  TInput Input = TInput::File;
  int64_t Offset = 0;               // file input: the offset passed as len
  std::optional<int64_t> Len;       // memory input: len instead of the size
  unsigned FlagHighBits = 0;        // set above the three input bits
  bool MultiImage = true;
  int32_t PassCode = 0;
  // Unknown (examples, wrong codes): the calls must still keep the rules,
  // and the builds must agree byte for byte.
  std::optional<TInfoExpectation> Info;
  std::optional<TPictureExpectation> Picture, Preview;
  // Valid files: each frame as its own picture, and the archive plug-in's
  // name for it.
  std::vector<TBlocks> Frames;
  std::vector<std::u16string> EntryNames;
  std::vector<std::u16string> AnsiEntryNames;  // where the ANSI calls differ
};

// Every case for a screen of screenW x screenH (the sheets depend on it).
// examplesDir: the bundled examples, run with their code 4242; empty: none.
std::vector<TEndToEndCase> EndToEndCases(int32_t screenW, int32_t screenH,
                                         const std::string& examplesDir);

}  // namespace vorn::e2e
