// Files the reader must refuse: each of its messages, damaged data of every
// kind, and the limits that keep a hostile file from exhausting memory.
#include <gtest/gtest.h>

#include <string>

#include "tests/format/ReaderTestHelpers.h"
#include "support/Messages.h"
#include "support/VornError.h"

namespace vorn {
namespace {

using fixtures::FxBlockEntry;
using fixtures::FxFile;
using fixtures::FxGeneration;
using testing::LoadBytes;
using testing::LoadFile;

template <class E>
void ExpectFailure(const FxFile& file, const std::string& message) {
  try {
    LoadFile(file);
    ADD_FAILURE() << "the load succeeded; expected " << message;
  } catch (const E& e) {
    EXPECT_EQ(std::string(e.what()), message);
  } catch (const std::exception& e) {
    ADD_FAILURE() << "unexpected error: " << e.what();
  }
}

FxFile Simple(FxGeneration generation = FxGeneration::Xml, int32_t bpp = 8) {
  return fixtures::MakeSimpleFile(16, 8, bpp, 2, generation, 0);
}

TEST(ReaderFailure, XmlStructureMessages) {
  FxFile file = Simple();
  file.xmlSignature = "VornX300";
  ExpectFailure<EVornError>(file, kMsgUnreadableFormat);

  file = Simple();
  file.frames[0].xmlElementName = "Layer";
  ExpectFailure<EVornError>(file, kMsgFileDamaged);

  file = Simple();
  file.frames[0].xmlOmitLayersElement = true;
  ExpectFailure<EVornError>(file, kMsgNoLayers);

  file = Simple();
  file.frames[1].xmlOmitRgb = true;
  ExpectFailure<EVornError>(file, kMsgNoColorTable);

  file = Simple();
  file.frames[0].xmlRgbText = std::string(6 * 256 - 1, '0');
  ExpectFailure<EVornError>(file, kMsgNoColorTable);

  file = Simple();
  file.frames[0].xmlRgbText = "00000G" + std::string(6 * 255, '0');
  ExpectFailure<EConvertError>(file, FormatMessage(kMsgNotInteger, std::string("$00000G")));

  file = Simple();
  file.frames[0].layerCount = 2;  // one Layer child only
  ExpectFailure<EVornError>(file, kMsgFileDamaged);
}

TEST(ReaderFailure, XmlSixthByteAndFrameCountRules) {
  for (const char* signature : {"VornX100", "VornX200", "VornXa00"}) {
    FxFile file = Simple();
    file.xmlSignature = signature;
    EXPECT_EQ(LoadFile(file)->Count(), 2) << signature;
  }
  FxFile file = Simple();
  file.header.count = 3;  // only two Frame children: two frames, no error
  EXPECT_EQ(LoadFile(file)->Count(), 2);
  file.header.count = 0;
  EXPECT_EQ(LoadFile(file)->Count(), 0);
}

TEST(ReaderFailure, OldGenerationVersionThatIsNotANumber) {
  FxFile file = Simple(FxGeneration::Binary);
  file.binarySignature = "VornABC";
  ExpectFailure<EConvertError>(file, FormatMessage(kMsgNotInteger, std::string("ABC")));
}

TEST(ReaderFailure, StoredRowsOfAScrambledFileNeedACode) {
  FxFile file = Simple();
  file.header.version = 102;
  file.header.randomized = 1;
  file.v1Stored = true;
  ExpectFailure<EVornError>(file, kMsgSetPassCode);
}

TEST(ReaderFailure, DamagedCompressedAndJpegData) {
  FxFile file = Simple(FxGeneration::Binary);
  file.frames[1].layers[0].colorBytes = std::vector<uint8_t>{'a', 'b', 'c', 'd'};
  ExpectFailure<EZDecompressionError>(file, "data error");

  file = fixtures::MakeSimpleFile(16, 8, 24, 1, FxGeneration::Binary, 2);
  file.frames[0].layers[0].colorBytes = std::vector<uint8_t>{0xFF, 0xD8, 0xFF, 0x00, 1, 2, 3};
  EXPECT_THROW(LoadFile(file), EJpegError);
}

TEST(ReaderFailure, RowsShorterThanTheSurface) {
  FxFile file = fixtures::MakeSimpleFile(16, 8, 24, 1, FxGeneration::Binary, 1);
  file.frames[0].layers[0].colorBytes = std::vector<uint8_t>(48 * 8 - 1, 7);
  EXPECT_THROW(LoadFile(file), EReadError);
  file = fixtures::MakeSimpleFile(16, 8, 24, 1, FxGeneration::Binary, 0);
  file.frames[0].layers[0].colorBytes = fixtures::FxZlib(std::vector<uint8_t>(48 * 7, 7), 6);
  EXPECT_THROW(LoadFile(file), EReadError);
}

TEST(ReaderFailure, BadBlockReferences) {
  const auto blocksFile = [] {
    FxFile file = fixtures::MakeSimpleFile(64, 40, 8, 2, FxGeneration::Xml, 0);
    file.header.blockWidth = 32;
    file.header.blockHeight = 32;
    return file;
  };
  FxFile file = blocksFile();
  file.frames[1].layers[0].colorBlocks = {{-1, 0}, {5, 0}, {-1, 0}, {-1, 0}};
  ExpectFailure<EListError>(file, kMsgGetFrame);

  file = blocksFile();
  file.frames[1].layers[0].colorBlocks = {{-1, 0}, {0, 9}, {-1, 0}, {-1, 0}};
  ExpectFailure<EListError>(file, FormatMessage(kMsgListIndex, 9));

  for (const int32_t q : {-1, 4, 1000}) {
    file = blocksFile();
    file.frames[0].layers[0].colorBlocks = {{-1, 0}, {-2, q}, {-1, 0}, {-1, 0}};
    ExpectFailure<EVornError>(file, kMsgFileDamaged);
  }
  // A full-size block repeating a clipped one would read past the surface.
  file = blocksFile();
  file.frames[0].layers[0].colorBlocks = {{-1, 0}, {-1, 0}, {-2, 2}, {-1, 0}};
  EXPECT_NO_THROW(LoadFile(file));  // same clipped size: fine
  file.frames[0].layers[0].colorBlocks = {{-2, 2}, {-1, 0}, {-1, 0}, {-1, 0}};
  ExpectFailure<EVornError>(file, kMsgFileDamaged);

  // An alpha block copied from a layer without alpha.
  file = blocksFile();
  file.frames[1].layers[0].alphaPlane.assign(fixtures::FxRowBytes(64, 8) * 40, 9);
  file.frames[1].layers[0].alphaBlocks = {{0, 0}, {-1, 0}, {-1, 0}, {-1, 0}};
  ExpectFailure<EVornError>(file, kMsgFileDamaged);

  // Block columns that do not fall on byte boundaries.
  file = fixtures::MakeSimpleFile(12, 8, 4, 1, FxGeneration::Xml, 1);
  file.header.blockWidth = 3;
  file.header.blockHeight = 4;
  ExpectFailure<EVornError>(file, kMsgFileDamaged);
}

TEST(ReaderFailure, BlockLengthsBeyondTheInputAndEmptyColourBlocks) {
  FxFile file = Simple(FxGeneration::Binary);
  file.frames[1].layers[0].colorLength = 1 << 30;
  EXPECT_THROW(LoadFile(file), EReadError);
  file = Simple(FxGeneration::Binary);
  file.frames[0].layers[0].colorLength = -4;
  EXPECT_THROW(LoadFile(file), EReadError);
  file = Simple(FxGeneration::Binary);
  file.frames[0].layers[0].colorBytes = std::vector<uint8_t>{};
  ExpectFailure<EVornError>(file, kMsgFileDamaged);
}

TEST(ReaderFailure, JpegOfAnotherSizeThanItsFrame) {
  FxFile file = fixtures::MakeSimpleFile(16, 8, 24, 1, FxGeneration::Binary, 2);
  file.frames[0].layers[0].jpegSource.width = 8;
  file.frames[0].layers[0].jpegSource.height = 8;
  file.frames[0].layers[0].jpegSource.components = 3;
  file.frames[0].layers[0].jpegSource.pixels.assign(8 * 8 * 3, 100);
  ExpectFailure<EVornError>(file, kMsgFileDamaged);
}

TEST(ReaderFailure, EveryTruncationFailsCleanly) {
  for (const auto generation : {FxGeneration::Binary, FxGeneration::Xml}) {
    FxFile file = fixtures::MakeSimpleFile(9, 5, 4, 2, generation, 0);
    file.frames[0].layers[0].alphaPlane.assign(fixtures::FxRowBytes(9, 8) * 5, 200);
    const auto bytes = fixtures::WriteVrn(file);
    ASSERT_EQ(LoadBytes(bytes)->Count(), 2);
    for (size_t size = 0; size < bytes.size(); ++size) {
      const std::vector<uint8_t> prefix(bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(size));
      try {
        const auto frames = LoadBytes(prefix);
        // A prefix may end exactly after a complete file part only when
        // nothing was declared beyond it.
        ADD_FAILURE() << "a prefix of " << size << " bytes loaded " << frames->Count()
                      << " frames";
      } catch (const EVornError&) {
      }
    }
  }
}

TEST(ReaderLimits, HugeDeclarationsFailBeforeAllocating) {
  FxFile file = Simple(FxGeneration::Binary);
  file.frames[0].width = 100000;
  file.frames[0].height = 100000;
  file.frames[0].layers.clear();
  EXPECT_THROW(LoadFile(file), ELimitError);

  // Many layers of 1024 x 1024 at 32 bits whose zero pixels compress to
  // almost nothing: the budget stops the load, not the host's memory.
  file = fixtures::MakeSimpleFile(1024, 1024, 32, 1, FxGeneration::Binary, 0);
  file.frames[0].layers.assign(20, fixtures::FxLayer{});
  TVornFrameList frames(0, 64u << 20);
  TMemoryStream stream(fixtures::WriteVrn(file));
  EXPECT_THROW(frames.LoadFromStream(stream, false), ELimitError);
}

}  // namespace
}  // namespace vorn
