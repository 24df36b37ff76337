#include "converter/WebpWriter.h"

#include <webp/encode.h>
#include <webp/mux.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>

namespace vorn::tools {

namespace {

// A frame's duration is a 24-bit field of its ANMF chunk.
constexpr uint32_t kMaxDelayMs = (1u << 24) - 1;

struct TEncoderDeleter {
  void operator()(WebPAnimEncoder* enc) const { WebPAnimEncoderDelete(enc); }
};

// libwebp's ARGB copy of one frame. Zeroed first, so that freeing it is safe
// even when WebPPictureInit refuses.
struct TPicture {
  TPicture() = default;
  TPicture(const TPicture&) = delete;
  TPicture& operator=(const TPicture&) = delete;
  ~TPicture() { WebPPictureFree(&Pic); }
  WebPPicture Pic{};
};

// The assembled file, owned by libwebp until it is copied out.
struct TWebpData {
  TWebpData() { WebPDataInit(&Data); }
  TWebpData(const TWebpData&) = delete;
  TWebpData& operator=(const TWebpData&) = delete;
  ~TWebpData() { WebPDataClear(&Data); }
  WebPData Data;
};

[[noreturn]] void Fail(const std::string& reason) { throw std::runtime_error(reason); }

std::string FrameName(size_t index) { return "frame " + std::to_string(index + 1); }

// The encoder's own message ("ERROR adding frame: ..."), when it left one.
std::string EncoderError(WebPAnimEncoder* enc, const std::string& what) {
  const char* message = WebPAnimEncoderGetError(enc);
  return message != nullptr && *message != '\0' ? "libwebp could not " + what + ": " + message
                                                : "libwebp could not " + what;
}

void CheckFrame(const TRgbaFrame& frame, size_t index) {
  if (frame.Width <= 0 || frame.Height <= 0) Fail(FrameName(index) + " has no pixels");
  const size_t rows = frame.Pixels.size() / 4 / static_cast<size_t>(frame.Width);
  if (rows < static_cast<size_t>(frame.Height))
    Fail(FrameName(index) + " has fewer pixels than its size");
  if (frame.DelayMs > kMaxDelayMs)
    Fail(FrameName(index) + " shows for " + std::to_string(frame.DelayMs) +
         " ms; WebP allows at most " + std::to_string(kMaxDelayMs));
}

}  // namespace

std::vector<uint8_t> EncodeAnimatedWebp(const std::vector<TRgbaFrame>& frames) {
  if (frames.empty()) Fail("an animation needs at least one frame");
  for (size_t i = 0; i < frames.size(); ++i) CheckFrame(frames[i], i);
  const int32_t width = frames[0].Width, height = frames[0].Height;
  if (width > WEBP_MAX_DIMENSION || height > WEBP_MAX_DIMENSION)
    Fail("WebP pictures are at most " + std::to_string(WEBP_MAX_DIMENSION) +
         " pixels wide and high");

  WebPAnimEncoderOptions options;
  WebPConfig config;
  if (!WebPAnimEncoderOptionsInit(&options) || !WebPConfigInit(&config))
    Fail("the libwebp library does not match the headers this program was built with");
  options.anim_params.loop_count = 0;  // forever
  options.anim_params.bgcolor = 0;     // a hint for viewers: transparent, as our canvas starts
  options.minimize_size = 0;           // keyframes where libwebp's defaults put them
  options.allow_mixed = 0;
  config.lossless = 1;
  config.exact = 1;  // keep the colour under alpha 0 instead of libwebp's cleanup

  std::unique_ptr<WebPAnimEncoder, TEncoderDeleter> enc(
      WebPAnimEncoderNew(width, height, &options));
  if (!enc)
    Fail("libwebp could not start an animation of " + std::to_string(width) + " x " +
         std::to_string(height) + " pixels");

  // Each frame starts where the one before ends. A delay of 0 stays 0 in the
  // file: WebP leaves its meaning to the viewer, and most (browsers, and
  // libwebp's own vwebp) show frames of 10 ms and less for 100 ms, as for GIF.
  // The sum runs modulo 2^32, which libwebp accepts (it takes differences).
  uint32_t timestamp = 0;
  std::vector<uint8_t> canvas;  // for a frame of another size
  for (size_t i = 0; i < frames.size(); ++i) {
    const TRgbaFrame& frame = frames[i];
    const uint8_t* rgba = frame.Pixels.data();
    if (frame.Width != width || frame.Height != height) {
      canvas.assign(static_cast<size_t>(width) * static_cast<size_t>(height) * 4, 0);
      const size_t rowBytes = static_cast<size_t>(std::min(width, frame.Width)) * 4;
      for (int32_t y = 0; y < std::min(height, frame.Height); ++y)
        std::memcpy(canvas.data() + static_cast<size_t>(y) * static_cast<size_t>(width) * 4,
                    rgba + static_cast<size_t>(y) * static_cast<size_t>(frame.Width) * 4, rowBytes);
      rgba = canvas.data();
    }
    TPicture picture;
    if (!WebPPictureInit(&picture.Pic))
      Fail("the libwebp library does not match the headers this program was built with");
    picture.Pic.use_argb = 1;  // lossless: libwebp keeps ARGB and never goes through YUV
    picture.Pic.width = width;
    picture.Pic.height = height;
    if (!WebPPictureImportRGBA(&picture.Pic, rgba, width * 4))
      Fail("libwebp has no memory for " + FrameName(i));
    if (!WebPAnimEncoderAdd(enc.get(), &picture.Pic, static_cast<int>(timestamp), &config))
      Fail(EncoderError(enc.get(), "encode " + FrameName(i)));
    timestamp += frame.DelayMs;
  }
  // The end of the last frame: without it libwebp gives the last frame the
  // average of the others' delays.
  if (!WebPAnimEncoderAdd(enc.get(), nullptr, static_cast<int>(timestamp), nullptr))
    Fail(EncoderError(enc.get(), "end the last frame"));
  TWebpData data;
  if (!WebPAnimEncoderAssemble(enc.get(), &data.Data))
    Fail(EncoderError(enc.get(), "assemble the animation"));
  return {data.Data.bytes, data.Data.bytes + data.Data.size};
}

}  // namespace vorn::tools
