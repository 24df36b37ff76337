// The file container: which generation a stream holds, the header rules of
// each generation, and what the frame list keeps of them.
#include <gtest/gtest.h>

#include "tests/format/ReaderTestHelpers.h"
#include "support/Messages.h"
#include "support/VornError.h"

namespace vorn {
namespace {

using fixtures::FxFile;
using fixtures::FxGeneration;
using testing::LoadBytes;
using testing::LoadFile;

FxFile Binary(int32_t version, int32_t frames = 1) {
  FxFile file = fixtures::MakeSimpleFile(6, 4, 8, frames, FxGeneration::Binary, 0);
  file.version = version;
  file.header.bgColor = 0x00ABCDEF;
  file.header.notFillBG = 1;
  return file;
}

TEST(FrameList, OldGenerationBackgroundAndNotFillBGByVersion) {
  EXPECT_EQ(LoadFile(Binary(101))->Context().BGColor, 0);
  EXPECT_EQ(LoadFile(Binary(102))->Context().BGColor, 0x00ABCDEF);
  EXPECT_EQ(LoadFile(Binary(103))->Context().BGColor, 0x00ABCDEF);
  EXPECT_FALSE(LoadFile(Binary(104))->Context().NotFillBG);
  EXPECT_TRUE(LoadFile(Binary(105))->Context().NotFillBG);
  const auto v0 = LoadFile(Binary(0));
  EXPECT_EQ(v0->Version, 0);
  EXPECT_EQ(v0->Count(), 1);
  EXPECT_EQ(LoadFile(Binary(106))->Version, 106);
}

TEST(FrameList, HeaderRecordSizes) {
  FxFile file = Binary(107);
  file.headerSize = 24;  // BGColor, block size, NotFillBG and CompLevel are cut off
  auto frames = LoadFile(file);
  EXPECT_EQ(frames->Context().BGColor, 0);
  EXPECT_FALSE(frames->Context().NotFillBG);
  EXPECT_EQ(frames->Count(), 1);
  file.headerSize = 60;  // 20 bytes after the record are skipped
  frames = LoadFile(file);
  EXPECT_EQ(frames->Context().BGColor, 0x00ABCDEF);
  EXPECT_EQ(frames->Count(), 1);
}

TEST(FrameList, FirstFrameOnlyStopsAfterTheFirstFrame) {
  for (const auto generation : {FxGeneration::Binary, FxGeneration::Xml}) {
    FxFile file = fixtures::MakeSimpleFile(6, 4, 24, 5, generation, 0);
    file.frames[2].layers[0].colorBytes = std::vector<uint8_t>{1, 2, 3};  // damaged
    const auto bytes = fixtures::WriteVrn(file);
    EXPECT_THROW(LoadBytes(bytes), EVornError);
    TVornFrameList frames(0);
    TMemoryStream stream(bytes);
    frames.LoadFromStream(stream, true);
    EXPECT_EQ(frames.Count(), 1);
    EXPECT_LT(stream.Position(), stream.Size());
  }
}

TEST(FrameList, XmlRootDefaults) {
  FxFile file = fixtures::MakeSimpleFile(6, 4, 8, 1, FxGeneration::Xml, 0);
  file.xmlOmitRoot = {"Version", "Width", "Height", "Bpp", "Count", "SyncPal", "Randomized",
                      "CompType", "CompLevel", "BGColor", "BlockWidth", "BlockHeight",
                      "NotFillBG"};
  const auto frames = LoadFile(file);
  EXPECT_EQ(frames->Count(), 0);  // Count defaults to 0
  const TVornFileHeader& h = frames->Header;
  EXPECT_EQ(h.Version, 200);
  EXPECT_EQ(h.Width, 100);
  EXPECT_EQ(h.Height, 100);
  EXPECT_EQ(h.Bpp, 8);
  EXPECT_EQ(h.BlockWidth, 32);
  EXPECT_EQ(h.BlockHeight, 32);
  EXPECT_TRUE(frames->Context().NotFillBG);

  file.xmlOmitRoot.clear();
  file.xmlRootText["NotFillBG"] = "true";
  EXPECT_FALSE(LoadFile(file)->Context().NotFillBG);
}

TEST(FrameList, SetHeaderAndGetFrame) {
  FxFile file = fixtures::MakeSimpleFile(6, 4, 15, 3, FxGeneration::Xml, 0);
  const auto frames = LoadFile(file);
  TVornFileHeader h;
  frames->SetHeader(h, 0, 70);
  EXPECT_EQ(h.Version, 200);
  EXPECT_EQ(h.Width, 6);
  EXPECT_EQ(h.Height, 4);
  EXPECT_EQ(h.Bpp, 15);
  EXPECT_EQ(h.Count, 3);
  EXPECT_EQ(h.CompType, 0);
  EXPECT_EQ(h.CompLevel, 70);
  EXPECT_EQ(h.Randomized, 0);
  testing::LoadBytes(fixtures::WriteVrn(file), 5)->SetHeader(h, 0, 70);
  EXPECT_EQ(h.CompType, 1);
  EXPECT_EQ(h.Randomized, 1);
  try {
    frames->GetFrame(3);
    ADD_FAILURE();
  } catch (const EListError& e) {
    EXPECT_STREQ(e.what(), kMsgGetFrame);
  }
  TVornFrameList empty(0);
  EXPECT_THROW(empty.SetHeader(h, 0, 70), EListError);
}

TEST(FrameList, RecordListsFromVersion104) {
  FxFile file = Binary(104);
  fixtures::FxRecord16 record{};
  record[0] = 7;
  record[15] = 9;
  file.frames[0].recordList1 = {record, record};
  file.frames[0].recordCount2 = -1;  // no records, reading goes on
  file.frames.push_back(file.frames[0]);
  const auto frames = LoadFile(file);
  ASSERT_EQ(frames->Count(), 2);
  EXPECT_EQ(frames->GetFrame(1).RecordList1.size(), 2u);
  EXPECT_EQ(frames->GetFrame(1).RecordList1[1][15], 9);
  EXPECT_TRUE(frames->GetFrame(1).RecordList2.empty());
}

}  // namespace
}  // namespace vorn
