// vorn_qt_check: .vrn files through QImageReader and the plug-in as built (Qt
// looks only in the build tree's plug-in folder): the bundled examples as the
// library decodes them, the animation frame by frame, hostile files.
#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QImageReader>
#include <QLoggingCategory>
#include <gtest/gtest.h>

#include <random>

#include "tests/fixtures/BundledExamples.h"
#include "tests/hostile/HostileCases.h"
#include "vorn/vorn.h"

namespace {

struct TFrame {
  QImage Picture;  // as the plug-in should deliver it
  int Delay = 0;
};

// Every frame as the library decodes it, up to the first that fails.
std::vector<TFrame> LibraryFrames(const QByteArray& bytes) {
  std::vector<TFrame> frames;
  vorn_image* image = nullptr;
  uint32_t count = 0;
  if (vorn_open_memory(bytes.constData(), bytes.size(), nullptr, &image) == VORN_OK &&
      vorn_scan_frames(image, &count) == VORN_OK) {
    vorn_frame_info info{};
    for (uint32_t i = 0; i < count && vorn_get_frame_info(image, i, &info) == VORN_OK; ++i) {
      QImage picture(info.width, info.height, info.has_alpha ? QImage::Format_RGBA8888 : QImage::Format_RGBX8888);
      if (vorn_decode_frame_rgba(image, i, picture.bits(), picture.bytesPerLine()) != VORN_OK) break;
      frames.push_back({picture, static_cast<int>(info.delay_ms)});
    }
  }
  vorn_close(image);
  return frames;
}

QByteArray Bytes(const std::vector<uint8_t>& bytes) {
  return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}

QString ExamplePath(const std::string& name) { return QStringLiteral(VORN_SOURCE_DIR "/examples/") + name.c_str(); }

QByteArray ExampleBytes(const std::string& name) {
  QFile file(ExamplePath(name));
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(QtImagePlugin, ReadsTheBundledExamplesAsTheLibraryDoes) {
  EXPECT_TRUE(QImageReader::supportedImageFormats().contains("vrn"));
  EXPECT_TRUE(QImageReader::supportedMimeTypes().contains("image/x-vornpix"));
  for (const vorn::fixtures::FxBundledExample& example : vorn::fixtures::BundledExamples()) {
    const std::vector<TFrame> frames = LibraryFrames(ExampleBytes(example.Name));
    QImageReader reader(ExamplePath(example.Name));  // found by its name
    ASSERT_FALSE(frames.empty()) << example.Name;
    EXPECT_EQ(reader.size(), frames[0].Picture.size()) << example.Name;
    EXPECT_EQ(reader.read(), frames[0].Picture) << example.Name;
  }
  // Given as "vrn": a file of the oldest kind, which no signature tells, and
  // one with an alpha channel.
  for (const auto& [version, alpha] : {std::pair{0, false}, std::pair{107, true}}) {
    vorn::fixtures::FxFile file = vorn::fixtures::MakeSimpleFile(
        {.width = 13, .height = 7, .bpp = alpha ? 32 : 24, .frames = 2, .version = version, .alpha = alpha});
    for (vorn::fixtures::FxLayer& layer : file.frames[0].layers) layer.alphaOn = alpha;
    const QByteArray bytes = Bytes(vorn::fixtures::WriteVrn(file));
    QBuffer buffer(const_cast<QByteArray*>(&bytes));
    ASSERT_TRUE(buffer.open(QIODevice::ReadOnly));
    EXPECT_EQ(QImageReader(&buffer).canRead(), version != 0);
    QImageReader named(&buffer, "vrn");
    EXPECT_TRUE(named.canRead());
    EXPECT_EQ(named.imageCount(), 2);
    EXPECT_EQ(named.read(), LibraryFrames(bytes).at(0).Picture) << "version " << version;
  }
}

TEST(QtImagePlugin, PlaysTheAnimatedExampleFrameByFrame) {
  const std::vector<TFrame> frames = LibraryFrames(ExampleBytes("bounce.vrn"));
  const int count = static_cast<int>(frames.size());
  ASSERT_GT(count, 3);
  QImageReader reader(ExamplePath("bounce.vrn"));
  EXPECT_TRUE(reader.supportsAnimation());
  EXPECT_EQ(reader.imageCount(), count);
  EXPECT_EQ(reader.loopCount(), -1);
  for (int k = 0; k < count; ++k) {
    EXPECT_EQ(reader.read(), frames[k].Picture) << "frame " << k;
    EXPECT_EQ(reader.currentImageNumber(), k);
    EXPECT_EQ(reader.nextImageDelay(), frames[k].Delay) << "frame " << k;
  }
  EXPECT_TRUE(reader.read().isNull());
  for (const int k : {count - 1, 2, 0}) {
    ASSERT_TRUE(reader.jumpToImage(k));
    EXPECT_EQ(reader.read(), frames[k].Picture) << "frame " << k;
  }
  EXPECT_FALSE(reader.jumpToImage(count));
}

// Every tenth hostile file, nothing, random bytes and a signature followed by
// them, given as "vrn": the first frame reads where the library's does, with
// its pixels, and every query and frame after it answers without a fault.
TEST(QtImagePlugin, HostileFilesFailCleanly) {
  QLoggingCategory::setFilterRules(QStringLiteral("vorn.imageformat.warning=false"));
  std::mt19937 random(7);
  QByteArray noise(5000, '\0');
  for (char& c : noise) c = static_cast<char>(random());
  std::vector<QByteArray> inputs = {QByteArray(), noise, "Vorn107" + noise, "VornX200" + noise};
  const std::vector<vorn::hostile::THostileCase> cases = vorn::hostile::HostileCases();
  for (size_t i = 0; i < cases.size(); i += 10) inputs.push_back(Bytes(cases[i].Bytes));
  for (const QByteArray& bytes : inputs) {
    QBuffer buffer(const_cast<QByteArray*>(&bytes));
    ASSERT_TRUE(buffer.open(QIODevice::ReadOnly));
    QImageReader reader(&buffer, "vrn");
    (void)reader.size(), (void)reader.imageFormat();
    const std::vector<TFrame> frames = LibraryFrames(bytes);
    EXPECT_EQ(reader.read(), frames.empty() ? QImage() : frames[0].Picture) << bytes.size() << " bytes";
    for (int k = 1; k < reader.imageCount() && k < 50; ++k) reader.read();
  }
}

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  QCoreApplication app(argc, argv);
  QCoreApplication::setLibraryPaths({QStringLiteral(VORN_QT_BUILD_PLUGINS)});
  return RUN_ALL_TESTS();
}
