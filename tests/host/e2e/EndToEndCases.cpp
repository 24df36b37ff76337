#include "tests/host/e2e/EndToEndCases.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/fixtures/VrnFixtureBuilders.h"

namespace vorn::e2e {
namespace {

using fixtures::FxFile;
using fixtures::FxGeneration;
using fixtures::FxSimpleOptions;

constexpr int32_t kExampleCode = 4242;

TPictureExpectation Delivered(TBlocks blocks) { return {0, std::move(blocks)}; }
TPictureExpectation Fails() { return {-1, {}}; }
TInfoExpectation InfoFails() { return {-1, 0, 0, 0}; }

// A file whose expectations follow from its description: the preview is the
// first frame, the picture the sheet (or the first frame without
// MultiImage), and GetPictureInfo reports the picture's size.
TEndToEndCase Valid(std::string name, FxFile file, int32_t screenW, int32_t screenH,
                    bool multiImage = true) {
  fixtures::ResolveExpectedPixels(file);
  TEndToEndCase c;
  c.Name = std::move(name);
  c.Bytes = fixtures::WriteVrn(file);
  c.MultiImage = multiImage;
  c.PassCode = file.passCode;
  const fixtures::FxFrame& first = file.frames.at(0);
  c.Preview = Delivered(FramePicture(file));
  if (!multiImage) {
    c.Picture = c.Preview;
    c.Info = TInfoExpectation{0, first.width, first.height, first.bpp};
  } else {
    c.Picture = Delivered(file.frames.size() == 1 && first.width <= screenW && first.height <= screenH
                              ? FramePicture(file)
                              : SheetPicture(file, screenW, screenH));
    const TSheetGrid grid = SheetGrid(first.width, first.height,
                                      static_cast<int32_t>(file.frames.size()), screenW, screenH);
    c.Info = TInfoExpectation{0, first.width * grid.Columns, first.height * grid.Rows, first.bpp};
  }
  FxFile one = file;
  for (size_t i = 0; i < file.frames.size(); ++i) {
    one.frames.assign(1, file.frames[i]);
    c.Frames.push_back(FramePicture(one));
    std::string name = std::to_string(i);  // as many digits as the count has
    name.insert(0, std::to_string(file.frames.size()).size() - name.size(), '0');
    name += (file.frames[i].name.empty() ? "" : " " + file.frames[i].name) + ".bmp";  // ASCII names
    c.EntryNames.push_back(std::u16string(name.begin(), name.end()));
  }
  return c;
}

// The same case with other input.
TEndToEndCase AsMemory(TEndToEndCase c, std::string name) {
  c.Name = std::move(name);
  c.Input = TInput::Memory;
  return c;
}

// Every call fails.
TEndToEndCase Failing(TEndToEndCase c, std::string name) {
  c.Name = std::move(name);
  c.Info = InfoFails();
  c.Picture = Fails();
  c.Preview = Fails();
  return c;
}

FxFile Simple(int32_t w, int32_t h, int32_t bpp, int32_t frames, FxGeneration generation,
              int32_t version = 107) {
  FxSimpleOptions o;
  o.width = w;
  o.height = h;
  o.bpp = bpp;
  o.frames = frames;
  o.generation = generation;
  o.version = version;
  o.seed = static_cast<uint32_t>(w * 7 + h * 3 + bpp + frames);
  return fixtures::MakeSimpleFile(o);
}

std::vector<uint8_t> ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

std::vector<TEndToEndCase> EndToEndCases(int32_t screenW, int32_t screenH,
                                         const std::string& examplesDir) {
  std::vector<TEndToEndCase> cases;
  const auto add = [&](TEndToEndCase c) { cases.push_back(std::move(c)); };

  // Depths and generations, by file and from memory.
  const TEndToEndCase binary24 = Valid("binary-24", Simple(64, 48, 24, 1, FxGeneration::Binary), screenW, screenH);
  add(binary24);
  add(AsMemory(binary24, "binary-24-memory"));
  add(Valid("binary-8-v100", Simple(40, 30, 8, 2, FxGeneration::Binary, 100), screenW, screenH));
  add(Valid("binary-1", Simple(33, 9, 1, 1, FxGeneration::Binary), screenW, screenH));
  add(Valid("binary-4", Simple(7, 5, 4, 1, FxGeneration::Binary), screenW, screenH));
  add(AsMemory(Valid("xml-32", Simple(50, 20, 32, 1, FxGeneration::Xml), screenW, screenH), "xml-32-memory"));
  {
    FxSimpleOptions o;
    o.width = 70;
    o.height = 45;
    o.bpp = 24;
    o.blockWidth = 16;
    o.blockHeight = 16;
    o.compType = 1;
    add(Valid("binary-blocks", fixtures::MakeSimpleFile(o), screenW, screenH));
    o.generation = FxGeneration::Xml;
    o.randomized = true;
    o.passCode = 4321;
    const TEndToEndCase scrambled = Valid("xml-scrambled-blocks", fixtures::MakeSimpleFile(o), screenW, screenH);
    add(scrambled);
    // With another code the table reads differently: whatever comes out,
    // both builds must deliver the same.
    TEndToEndCase wrong = scrambled;
    wrong.Name = "xml-scrambled-wrong-code";
    wrong.PassCode = 1;
    wrong.Info.reset();
    wrong.Picture.reset();
    wrong.Preview.reset();
    add(wrong);
  }

  // The sheet's grid: 3, 7 (room for five in a row: three empty cells),
  // 30 and 100 frames (the last rows left out), and frames larger than the
  // screen.
  add(Valid("grid-3", Simple(100, 100, 8, 3, FxGeneration::Xml), screenW, screenH));
  // Files made to the screen's size carry it in their names, so that runs on
  // other screens do not compare them.
  const std::string screen = "-" + std::to_string(screenW) + "x" + std::to_string(screenH);
  add(Valid("grid-7" + screen, Simple(std::max(1, screenW / 5), 100, 8, 7, FxGeneration::Xml), screenW,
            screenH));
  add(Valid("grid-30", Simple(100, 100, 8, 30, FxGeneration::Xml), screenW, screenH));
  add(AsMemory(Valid("grid-100", Simple(100, 100, 8, 100, FxGeneration::Binary), screenW, screenH),
               "grid-100-memory"));
  add(Valid("grid-larger-than-screen" + screen,
            Simple(screenW + 10, screenH + 10, 8, 2, FxGeneration::Binary), screenW, screenH));
  {
    // A second frame of another depth is drawn on the sheet through its own
    // colour table.
    FxFile mixed = Simple(16, 16, 24, 2, FxGeneration::Binary);
    mixed.frames[1].bpp = 8;
    mixed.frames[1].layers[0].pixels = fixtures::FxPseudoRandomRows(16, 16, 8, 99);
    add(Valid("mixed-depth-frames", mixed, screenW, screenH));
  }
  // Frame names: Japanese (the second byte of 表 is '\', of ア 'A') and the
  // characters Windows refuses in file names.
  for (const FxGeneration generation : {FxGeneration::Binary, FxGeneration::Xml}) {
    FxFile named = Simple(20, 10, 24, 3, generation);
    named.frames[0].name = "\x95\x5C\x8E\xA6 \x95\xE0\x82\xAD\x83\x41";
    named.frames[1].name = "a/b\\c:d*e?f\"g<h>i|j";
    named.frames[2].name.clear();
    TEndToEndCase c = Valid(generation == FxGeneration::Xml ? "named-frames-xml" : "named-frames", named,
                            screenW, screenH);
    c.EntryNames = {u"0 表示 歩くア.bmp", u"1 a_b_c_d_e_f_g_h_i_j.bmp", u"2.bmp"};
    // The hosts here read ANSI names in a code page without 表's lead byte.
    c.AnsiEntryNames = {u"0 _示 歩くア.bmp", u"1 a_b_c_d_e_f_g_h_i_j.bmp", u"2.bmp"};
    add(c);
  }
  add(Valid("grid-3-multiimage-off", Simple(100, 100, 8, 3, FxGeneration::Xml), screenW, screenH, false));

  // Input: an offset into a larger file, the flag's upper bits, and
  // nothing to read.
  {
    TEndToEndCase at = binary24;
    at.Name = "file-offset-1000";
    at.Bytes.insert(at.Bytes.begin(), 1000, 0x5A);
    at.Offset = 1000;
    add(at);
    TEndToEndCase beyond = Failing(binary24, "file-offset-beyond-end");
    beyond.Offset = static_cast<int64_t>(beyond.Bytes.size()) + 1;
    add(beyond);
    TEndToEndCase atEnd = Failing(binary24, "file-offset-at-end");
    atEnd.Offset = static_cast<int64_t>(atEnd.Bytes.size());
    add(atEnd);
    TEndToEndCase high = binary24;
    high.Name = "file-flag-upper-bits";
    high.FlagHighBits = 0xFF00;
    add(high);
    add(AsMemory(high, "memory-flag-upper-bits"));
    TEndToEndCase empty = AsMemory(binary24, "memory-len-0");
    empty.Len = 0;
    add(Failing(empty, "memory-len-0"));
    TEndToEndCase missing = Failing(binary24, "missing-file");
    missing.WriteFile = false;
    add(missing);
    TEndToEndCase zero = Failing(binary24, "empty-file");
    zero.Bytes.clear();
    add(zero);
  }

  // The quick header path: an old file from version 103 is described from
  // its header alone, so a file cut after the header still gets an answer
  // while the picture calls fail.
  {
    const FxFile file = Simple(64, 48, 24, 3, FxGeneration::Binary, 105);
    TEndToEndCase cut = Failing(Valid("quick-header-cut", file, screenW, screenH), "quick-header-cut");
    const TSheetGrid grid = SheetGrid(64, 48, 3, screenW, screenH);
    cut.Info = TInfoExpectation{0, 64 * grid.Columns, 48 * grid.Rows, 24};
    cut.Bytes.resize(7 + 4 + 40);  // head, header size, header
    add(cut);
  }

  // The bundled examples.
  if (!examplesDir.empty()) {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(examplesDir))
      if (entry.path().extension() == ".vrn") files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    for (const auto& path : files) {
      TEndToEndCase c;
      c.Name = "example-" + path.stem().string();
      c.Bytes = ReadAll(path);
      c.PassCode = kExampleCode;
      add(c);
      add(AsMemory(c, c.Name + "-memory"));
    }
  }
  return cases;
}

}  // namespace vorn::e2e
