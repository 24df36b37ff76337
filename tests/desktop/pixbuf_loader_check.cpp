// The gdk-pixbuf loader through gdk-pixbuf's own calls, with the build tree's
// loader cache and MIME database (by which gdk-pixbuf picks its loader).
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <glib/gstdio.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <ranges>
#include <string>
#include <tuple>
#include <vector>

#include "tests/fixtures/BundledExamples.h"
#include "tests/fixtures/VrnFixtureBuilders.h"
#include "tests/hostile/HostileCases.h"
#include "vorn/vorn.h"

namespace {

using namespace vorn::fixtures;

struct TFrame { int Width, Height, Alpha, DelayMs; std::vector<uint8_t> Rgba; };

// Every frame as the library gives it.
std::vector<TFrame> LibraryFrames(const std::string& path) {
  std::vector<TFrame> frames;
  vorn_image* image = nullptr;
  uint32_t count = 0;
  if (vorn_open_file(path.c_str(), nullptr, &image) != VORN_OK) return frames;
  vorn_scan_frames(image, &count);
  vorn_frame_info info;
  for (uint32_t i = 0; i < count && vorn_get_frame_info(image, i, &info) == VORN_OK; ++i) {
    TFrame frame{info.width, info.height, info.has_alpha, static_cast<int>(info.delay_ms),
                 std::vector<uint8_t>(static_cast<size_t>(info.width) * info.height * 4)};
    if (vorn_decode_frame_rgba(image, i, frame.Rgba.data(), static_cast<size_t>(info.width) * 4) != VORN_OK) break;
    frames.push_back(std::move(frame));
  }
  vorn_close(image);
  return frames;
}

// The frame at the pixbuf's top-left corner, transparent beyond it; RGB
// where the frame has no alpha and covers the pixbuf.
testing::AssertionResult Shows(GdkPixbuf* pixbuf, const TFrame& frame) {
  if (pixbuf == nullptr) return testing::AssertionFailure() << "no pixbuf";
  const int w = gdk_pixbuf_get_width(pixbuf), h = gdk_pixbuf_get_height(pixbuf);
  const int channels = gdk_pixbuf_get_n_channels(pixbuf), stride = gdk_pixbuf_get_rowstride(pixbuf);
  if (channels != (frame.Alpha || frame.Width < w || frame.Height < h ? 4 : 3))
    return testing::AssertionFailure() << channels << " channels";
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const guint8* p = gdk_pixbuf_read_pixels(pixbuf) + static_cast<size_t>(y) * stride + static_cast<size_t>(x) * channels;
      const bool inside = x < frame.Width && y < frame.Height;
      if (inside ? std::memcmp(p, &frame.Rgba[(static_cast<size_t>(y) * frame.Width + x) * 4], channels) != 0
                 : p[3] != 0)
        return testing::AssertionFailure() << "pixel " << x << "," << y;
    }
  return testing::AssertionSuccess();
}

// Into the temporary folder, under a name of its own.
std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) {
  const std::string path = std::string(g_get_tmp_dir()) + "/vorn-pixbuf-check-" + std::to_string(g_random_int()) + name;
  g_file_set_contents(path.c_str(), reinterpret_cast<const gchar*>(bytes.data()), static_cast<gssize>(bytes.size()), nullptr);
  return path;
}

// Every frame with its delay (20 ms at least), twice round the loop.
void ExpectAnimation(const std::string& path, const std::vector<TFrame>& frames) {
  GError* error = nullptr;
  GdkPixbufAnimation* animation = gdk_pixbuf_animation_new_from_file(path.c_str(), &error);
  ASSERT_NE(animation, nullptr) << error->message;
  EXPECT_FALSE(gdk_pixbuf_animation_is_static_image(animation));
  G_GNUC_BEGIN_IGNORE_DEPRECATIONS
  GTimeVal time{1000, 0};
  GdkPixbufAnimationIter* iter = gdk_pixbuf_animation_get_iter(animation, &time);
  for (size_t step = 0; step < frames.size() * 2; ++step) {
    const TFrame& frame = frames[step % frames.size()];
    EXPECT_TRUE(Shows(gdk_pixbuf_animation_iter_get_pixbuf(iter), frame)) << "frame " << step;
    EXPECT_EQ(gdk_pixbuf_animation_iter_get_delay_time(iter), std::max(frame.DelayMs, 20)) << "frame " << step;
    g_time_val_add(&time, std::max(frame.DelayMs, 20) * 1000L);
    EXPECT_TRUE(gdk_pixbuf_animation_iter_advance(iter, &time));
  }
  G_GNUC_END_IGNORE_DEPRECATIONS
  g_object_unref(iter);
  g_object_unref(animation);
}

TEST(PixbufLoader, ExamplesAsPicturesIncrementallyAndAsAnimations) {
  for (const FxBundledExample& example : BundledExamples()) {
    SCOPED_TRACE(example.Name);
    const std::string path = VORN_SOURCE_DIR "/examples/" + example.Name;
    const std::vector<TFrame> frames = LibraryFrames(path);
    ASSERT_EQ(frames.size(), example.File.frames.size());
    GError* error = nullptr;
    GdkPixbuf* pixbuf = gdk_pixbuf_new_from_file(path.c_str(), &error);
    EXPECT_TRUE(Shows(pixbuf, frames[0])) << (error ? error->message : "");
    g_clear_object(&pixbuf);

    // In chunks of 61 bytes through a loader that picks its module itself.
    g_autofree gchar* bytes = nullptr;
    gsize size = 0;
    ASSERT_TRUE(g_file_get_contents(path.c_str(), &bytes, &size, nullptr));
    GdkPixbufLoader* loader = gdk_pixbuf_loader_new();
    for (gsize at = 0; at < size; at += 61)
      ASSERT_TRUE(gdk_pixbuf_loader_write(loader, reinterpret_cast<guchar*>(bytes) + at, std::min<gsize>(61, size - at), &error));
    ASSERT_TRUE(gdk_pixbuf_loader_close(loader, &error)) << error->message;
    g_autofree gchar* name = gdk_pixbuf_format_get_name(gdk_pixbuf_loader_get_format(loader));
    EXPECT_STREQ(name, "vorn");
    EXPECT_TRUE(Shows(gdk_pixbuf_loader_get_pixbuf(loader), frames[0]));
    EXPECT_EQ(gdk_pixbuf_animation_is_static_image(gdk_pixbuf_loader_get_animation(loader)), frames.size() == 1);
    g_object_unref(loader);

    int width = 0, height = 0;  // the loader stops once it has told the size
    g_autofree gchar* infoName = gdk_pixbuf_format_get_name(gdk_pixbuf_get_file_info(path.c_str(), &width, &height));
    EXPECT_STREQ(infoName, "vorn");
    EXPECT_EQ(std::make_pair(width, height), std::make_pair(frames[0].Width, frames[0].Height));
    if (frames.size() > 1) ExpectAnimation(path, frames);
  }
}

// A larger second frame is cut to the first's size, a smaller third leaves
// the rest transparent; its delay of 0 shows for 20 ms.
TEST(PixbufLoader, FramesOfOtherSizesOnTheFirstFramesCanvas) {
  FxFile file = MakeSimpleFile(8, 6, 24, 3);
  for (const auto& [i, w, h] : {std::tuple{1, 12, 10}, std::tuple{2, 4, 3}}) {
    file.frames[i].width = w, file.frames[i].height = h;
    file.frames[i].layers[0].pixels = FxPseudoRandomRows(w, h, 24, static_cast<uint32_t>(i + 7));
  }
  file.frames[2].delay = 0;
  const std::string path = Write("sizes.vrn", WriteVrn(file));
  const std::vector<TFrame> frames = LibraryFrames(path);
  ASSERT_TRUE(frames.size() == 3 && frames[1].Width == 12);
  ExpectAnimation(path, frames);
  g_remove(path.c_str());
}

// Hostile files, an empty one and random bytes: a pixbuf or a GdkPixbuf
// error with the library's reason, through a loader and as an animation.
TEST(PixbufLoader, HostileFilesGiveAPictureOrAnError) {
  std::vector<std::vector<uint8_t>> inputs{{}};
  const std::vector<vorn::hostile::THostileCase> cases = vorn::hostile::HostileCases();
  for (size_t i = 0; i < cases.size(); i += 10) inputs.push_back(cases[i].Bytes);
  std::vector<uint8_t> noise(4096);
  std::generate(noise.begin(), noise.end(), std::mt19937(42));
  inputs.push_back(noise);
  for (size_t i = 0; i < inputs.size(); ++i) {
    SCOPED_TRACE(i);
    GError* error = nullptr;
    GdkPixbufLoader* loader = gdk_pixbuf_loader_new_with_type("vorn", nullptr);
    bool done = inputs[i].empty() || gdk_pixbuf_loader_write(loader, inputs[i].data(), inputs[i].size(), &error);
    done = gdk_pixbuf_loader_close(loader, done ? &error : nullptr) && done;
    EXPECT_EQ(done, gdk_pixbuf_loader_get_pixbuf(loader) != nullptr);
    ASSERT_EQ(done, error == nullptr);
    EXPECT_TRUE(!error || std::ranges::any_of(std::views::iota(1, 15), [&](int status) {
      return std::strcmp(error->message, vorn_status_text(static_cast<vorn_status>(status))) == 0; })) << error->message;
    g_clear_error(&error);
    g_object_unref(loader);

    const std::string path = Write("hostile.vrn", inputs[i]);
    GdkPixbufAnimation* animation = gdk_pixbuf_animation_new_from_file(path.c_str(), &error);
    g_remove(path.c_str());
    EXPECT_NE(animation == nullptr, error == nullptr);
    if (animation != nullptr) g_object_unref(animation);
    g_clear_error(&error);
  }
}

}  // namespace

int main(int argc, char** argv) {
  // Only the module as built, and a MIME database that knows .vrn files.
  g_setenv("GDK_PIXBUF_MODULE_FILE", VORN_PIXBUF_LOADER_CACHE, TRUE);
  g_setenv("XDG_DATA_DIRS", VORN_PIXBUF_MIME_DIR ":/usr/local/share:/usr/share", TRUE);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
