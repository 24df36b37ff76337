#include <gtest/gtest.h>
#include <webp/demux.h>

#include <memory>
#include <vector>

#include "converter/WebpWriter.h"

namespace vorn::tools {
namespace {

struct TDecoded {
  int Loops = -1;
  std::vector<std::vector<uint8_t>> Frames;  // whole canvases, RGBA
  std::vector<int> DurationsMs;
};

TDecoded Decode(const std::vector<uint8_t>& file) {
  const WebPData data{file.data(), file.size()};
  WebPAnimDecoderOptions options;
  EXPECT_TRUE(WebPAnimDecoderOptionsInit(&options));
  options.color_mode = MODE_RGBA;
  std::unique_ptr<WebPAnimDecoder, void (*)(WebPAnimDecoder*)> dec(
      WebPAnimDecoderNew(&data, &options), WebPAnimDecoderDelete);
  TDecoded out;
  WebPAnimInfo info;
  if (!dec || !WebPAnimDecoderGetInfo(dec.get(), &info)) return out;
  out.Loops = static_cast<int>(info.loop_count);
  uint8_t* rgba = nullptr;
  int start = 0, end = 0;  // the decoder's timestamps are where the frames end
  while (WebPAnimDecoderHasMoreFrames(dec.get()) &&
         WebPAnimDecoderGetNext(dec.get(), &rgba, &end)) {
    out.Frames.emplace_back(rgba, rgba + info.canvas_width * info.canvas_height * 4);
    out.DurationsMs.push_back(end - start);
    start = end;
  }
  return out;
}

// The colour under alpha 0 as black: the decoder keeps the canvas's colour where it blends one.
std::vector<uint8_t> Cleared(std::vector<uint8_t> rgba) {
  for (size_t i = 0; i < rgba.size(); i += 4)
    if (rgba[i + 3] == 0) rgba[i] = rgba[i + 1] = rgba[i + 2] = 0;
  return rgba;
}

using TChannel = uint8_t (*)(int x, int y, int c);  // c: 0 red .. 3 alpha
TRgbaFrame Frame(int w, int h, uint32_t delay, TChannel channel) {
  TRgbaFrame f{w, h, std::vector<uint8_t>(static_cast<size_t>(w * h * 4)), delay};
  for (int i = 0; i < w * h * 4; ++i) f.Pixels[size_t(i)] = channel(i / 4 % w, i / 4 / w, i % 4);
  return f;
}
// Opaque; alpha 0 to 255 over 37 x 23 pixels; clear squares, each of its own colour.
uint8_t Opaque(int x, int y, int c) { return c == 3 ? 255 : x * 7 + y * 11 * c; }
uint8_t Gradient(int x, int y, int c) { return c == 3 ? (y * 37 + x) * 255 / 850 : x * 5 + c * 60; }
uint8_t Holes(int x, int y, int c) { return c == 3 ? (x / 4 + y / 4) % 3 ? 255 : 0 : (x ^ y) * c; }

TEST(WebpWriter, FramesComeBackExactWithTheirDelays) {
  const std::vector<TRgbaFrame> frames = {Frame(37, 23, 40, Holes), Frame(37, 23, 0, Gradient),
                                          Frame(37, 23, 250, Opaque)};
  const TDecoded decoded = Decode(EncodeAnimatedWebp(frames));
  EXPECT_EQ(decoded.Loops, 0);
  ASSERT_EQ(decoded.Frames.size(), 3u);
  EXPECT_EQ(decoded.DurationsMs, (std::vector<int>{40, 0, 250}));
  // The first frame is drawn on nothing: its clear pixels keep their colour too.
  EXPECT_TRUE(decoded.Frames[0] == frames[0].Pixels);
  for (size_t i = 1; i < 3; ++i)
    EXPECT_TRUE(Cleared(decoded.Frames[i]) == Cleared(frames[i].Pixels)) << "frame " << i;

  // A frame of another size: at the top left, cut to the canvas, the rest transparent.
  const TDecoded cut = Decode(EncodeAnimatedWebp({Frame(8, 6, 1, Opaque), Frame(5, 9, 1, Holes)}));
  ASSERT_EQ(cut.Frames.size(), 2u);
  const auto placed = [](int x, int y, int c) { return x < 5 ? Holes(x, y, c) : uint8_t{0}; };
  EXPECT_TRUE(Cleared(cut.Frames[1]) == Cleared(Frame(8, 6, 0, placed).Pixels));
}

}  // namespace
}  // namespace vorn::tools
