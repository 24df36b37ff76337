// vrnconv as a user runs it: files written by the fixture writer in a
// scratch folder, the program started with a command line, its exit status,
// messages and files checked. Native only (VRNCONV names the program).
#include <gtest/gtest.h>
#include <png.h>
#include <webp/demux.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/fixtures/VrnFixtureBuilders.h"
#include "vorn/vorn.h"

namespace vorn {
namespace {

namespace fs = std::filesystem;
using namespace fixtures;

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const fs::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                               static_cast<std::streamsize>(bytes.size()));
}

class Vrnconv : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("vrnconv-check-" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  // Runs "vrnconv ARGS" in the scratch folder (shell words; "<" and ">"
  // allowed), with a fresh settings file; returns the exit status.
  int Run(const std::string& args, const std::string& before = "", const char* out = "out.txt") {
    const std::string command = "cd '" + dir_.string() + "' && VORN_SETTINGS_FILE=settings.ini " + before +
                                " '" VRNCONV "' " + args + " >" + out + " 2>err.txt";
    const int status = std::system(("bash -c \"" + command + "\"").c_str());
    Out = ReadText(dir_ / "out.txt");
    Err = ReadText(dir_ / "err.txt");
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  fs::path File(const std::string& name, const FxFile& file) {
    WriteBytes(dir_ / name, WriteVrn(file));
    return dir_ / name;
  }
  // Every frame's RGBA as the library decodes it, with the frames' delays.
  static std::vector<std::vector<uint8_t>> Frames(const FxFile& file, std::vector<uint32_t>* delays) {
    const std::vector<uint8_t> bytes = WriteVrn(file);
    vorn_image* image = nullptr;
    EXPECT_EQ(vorn_open_memory(bytes.data(), bytes.size(), nullptr, &image), VORN_OK);
    std::vector<std::vector<uint8_t>> frames;
    for (uint32_t i = 0; i < file.frames.size(); ++i) {
      vorn_frame_info info{};
      vorn_get_frame_info(image, i, &info);
      frames.emplace_back(static_cast<size_t>(info.width) * info.height * 4);
      vorn_decode_frame_rgba(image, i, frames.back().data(), static_cast<size_t>(info.width) * 4);
      delays->push_back(info.delay_ms);
    }
    vorn_close(image);
    return frames;
  }

  fs::path dir_;
  std::string Out, Err;
};

// A PNG read back through libpng as RGBA.
struct TPng {
  png_image Image{};
  std::vector<uint8_t> Pixels;
  explicit TPng(const fs::path& path) {
    Image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&Image, path.c_str())) return;
    const png_uint_32 format = Image.format;
    Image.format = PNG_FORMAT_RGBA;
    Pixels.resize(PNG_IMAGE_SIZE(Image));
    if (!png_image_finish_read(&Image, nullptr, Pixels.data(), 0, nullptr)) Pixels.clear();
    Image.format = format;
  }
};

TEST_F(Vrnconv, NeverLosesAFile) {
  const FxFile one = MakeSimpleFile(40, 30, 24, 1);
  File("a.vrn", one), File("b.vrn", MakeSimpleFile(20, 10, 8, 1));
  const std::string a = ReadText(dir_ / "a.vrn"), b = ReadText(dir_ / "b.vrn");
  // Every name is an input: two inputs give two pictures, neither replaced.
  EXPECT_EQ(Run("a.vrn b.vrn"), 0) << Err;
  EXPECT_TRUE(fs::exists(dir_ / "a.png") && fs::exists(dir_ / "b.png"));
  EXPECT_EQ(ReadText(dir_ / "a.vrn"), a);
  EXPECT_EQ(ReadText(dir_ / "b.vrn"), b);
  // An output that is an input, by any name, is refused.
  fs::create_directories(dir_ / "sub");
  EXPECT_EQ(Run("-o sub/../a.vrn a.vrn"), 1);
  EXPECT_NE(Err.find("refused"), std::string::npos) << Err;
  EXPECT_EQ(ReadText(dir_ / "a.vrn"), a);
  // A write that fails half-way (a 1 KiB file size limit) leaves the old
  // output as it was and no temporary file; so does --no-clobber.
  File("big.vrn", MakeSimpleFile(200, 150, 24, 1));
  const std::string old = "the picture that was here";
  WriteBytes(dir_ / "out.png", std::vector<uint8_t>(old.begin(), old.end()));
  EXPECT_EQ(Run("-o out.png big.vrn", "ulimit -f 1;"), 1);
  EXPECT_NE(Err.find("out.png: cannot write the output"), std::string::npos) << Err;
  EXPECT_EQ(ReadText(dir_ / "out.png"), old);
  EXPECT_EQ(Run("-n -o out.png a.vrn"), 1);
  EXPECT_EQ(ReadText(dir_ / "out.png"), old);
  for (const auto& entry : fs::directory_iterator(dir_)) EXPECT_NE(entry.path().extension(), ".tmp");
}

TEST_F(Vrnconv, StandardStreamsBatchAndMessages) {
  File("a.vrn", MakeSimpleFile(16, 8, 24, 1));
  File("c.vrn", MakeSimpleFile(8, 8, 8, 12));
  WriteBytes(dir_ / "empty.vrn", {});
  const std::vector<uint8_t> whole = WriteVrn(MakeSimpleFile(16, 8, 24, 1));
  WriteBytes(dir_ / "cut.vrn", std::vector<uint8_t>(whole.begin(), whole.begin() + 30));
  EXPECT_EQ(Run("--info a.vrn", "", "/dev/full"), 1);  // a full standard output is a failure
  EXPECT_EQ(Run("-o - - < a.vrn"), 0);
  EXPECT_EQ(Out.compare(1, 3, "PNG"), 0);
  // A batch goes on past a bad file, says why, sums up and fails.
  EXPECT_EQ(Run("-o pictures/ a.vrn empty.vrn missing.vrn cut.vrn c.vrn"), 1);
  EXPECT_TRUE(fs::exists(dir_ / "pictures/a.png") && fs::exists(dir_ / "pictures/c.png"));
  for (const char* line : {"empty.vrn: not a .vrn file (it is empty)", "missing.vrn: cannot open: No such file",
                           "cut.vrn: file is truncated at byte", "2 of 5 files converted"})
    EXPECT_NE(Err.find(line), std::string::npos) << line << "\n" << Err;
  // Options parsed as documented: X in screen sizes, VORN_SCREEN checked.
  EXPECT_EQ(Run("--sheet --screen 16X16 -o s.png c.vrn"), 0);
  EXPECT_NE(Err.find("4 of 12 frames shown"), std::string::npos) << Err;
  EXPECT_EQ(Run("--sheet -o s.png c.vrn", "VORN_SCREEN=junk"), 2);
  EXPECT_NE(Err.find("Try 'vrnconv --help'"), std::string::npos) << Err;
  EXPECT_FALSE(fs::exists(dir_ / "settings.ini"));  // nothing read created it
}

TEST_F(Vrnconv, AnimationTransparencyAndThumbnails) {
  FxSimpleOptions o{.width = 30, .height = 20, .bpp = 32, .frames = 3, .alpha = true};
  FxFile file = MakeSimpleFile(o);
  for (size_t i = 0; i < file.frames.size(); ++i) {
    file.frames[i].delay = 40 + 60 * static_cast<int32_t>(i);
    file.frames[i].layers[0].alphaOn = true;  // the frames have alpha channels
  }
  File("anim.vrn", file);
  std::vector<uint32_t> delays;
  const auto frames = Frames(file, &delays);

  ASSERT_EQ(Run("-o anim.webp anim.vrn"), 0) << Err;
  const std::string webp = ReadText(dir_ / "anim.webp");
  const WebPData data{reinterpret_cast<const uint8_t*>(webp.data()), webp.size()};
  WebPAnimDecoder* decoder = WebPAnimDecoderNew(&data, nullptr);
  ASSERT_NE(decoder, nullptr);
  int previous = 0;
  for (size_t i = 0; i < frames.size(); ++i) {
    uint8_t* pixels = nullptr;
    int timestamp = 0;
    ASSERT_TRUE(WebPAnimDecoderGetNext(decoder, &pixels, &timestamp));
    EXPECT_EQ(timestamp - previous, static_cast<int>(delays[i])) << i;
    previous = timestamp;
    for (size_t p = 0; p < frames[i].size(); p += 4)
      ASSERT_TRUE(pixels[p + 3] == frames[i][p + 3] && (pixels[p + 3] == 0 || std::equal(pixels + p, pixels + p + 3, &frames[i][p])))
          << "frame " << i << " byte " << p;
  }
  EXPECT_FALSE(WebPAnimDecoderHasMoreFrames(decoder));
  WebPAnimDecoderDelete(decoder);

  // A frame with an alpha channel is an RGBA PNG holding its alpha.
  ASSERT_EQ(Run("anim.vrn"), 0) << Err;
  const TPng png(dir_ / "anim.png");
  EXPECT_EQ(png.Image.format, static_cast<png_uint_32>(PNG_FORMAT_RGBA));
  EXPECT_EQ(png.Pixels, frames[0]);

  // The thumbnail fits the box, aspect kept.
  ASSERT_EQ(Run("--thumbnail 12 -o thumb.png anim.vrn"), 0) << Err;
  const TPng thumb(dir_ / "thumb.png");
  EXPECT_EQ(thumb.Image.width, 12u);
  EXPECT_EQ(thumb.Image.height, 8u);
}

}  // namespace
}  // namespace vorn
