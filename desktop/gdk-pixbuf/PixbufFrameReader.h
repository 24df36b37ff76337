// A .vrn file held in memory, read into GdkPixbufs through libvorn's public
// API: its first frame for a still picture, or every frame with its delay for
// an animation. Failures become a GError in the GDK_PIXBUF_ERROR domain whose
// message is the library's English reason.
#pragma once

#define GDK_PIXBUF_ENABLE_BACKEND
#include <gdk-pixbuf/gdk-pixbuf.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "vorn/vorn.h"

namespace vorn::desktop {

// The shortest time a frame is shown. Frames stored with a delay of 0 (or
// a few milliseconds) would make a viewer redraw as fast as it can; like
// the GIF loaders, such frames are shown for 20 ms.
inline constexpr int kMinimumFrameDelayMs = 20;

struct TPixbufFrame {
  GdkPixbuf* Pixbuf = nullptr;  // one reference, owned by whoever holds the frame
  int DelayMs = kMinimumFrameDelayMs;
};

// Gives up the references of the frames and empties the list.
void ReleaseFrames(std::vector<TPixbufFrame>& frames);

class TPixbufFrameReader {
 public:
  TPixbufFrameReader() = default;
  TPixbufFrameReader(const TPixbufFrameReader&) = delete;
  TPixbufFrameReader& operator=(const TPixbufFrameReader&) = delete;
  ~TPixbufFrameReader();

  // Opens size bytes at data (kept where they are: they must outlive the
  // reader) and reads the first frame's size.
  bool Open(const uint8_t* data, size_t size, GError** error);
  int Width() const { return width_; }
  int Height() const { return height_; }

  // The first frame, or every frame. Every frame is shown on a canvas the
  // size of the first one, at its top-left corner: a larger frame is cut to
  // the canvas, a smaller one leaves the rest transparent. The animation
  // holds the frames up to the first that does not decode (damaged, or past
  // the memory limit of the library's default for all frames together); only
  // a first frame that fails is an error.
  bool ReadFrames(bool everyFrame, GError** error);
  // The frames read, for the caller to take.
  std::vector<TPixbufFrame>& Frames() { return frames_; }

 private:
  GdkPixbuf* ReadFrame(uint32_t index, vorn_frame_info& info, vorn_status& status);

  vorn_image* image_ = nullptr;
  int width_ = 0;
  int height_ = 0;
  std::vector<TPixbufFrame> frames_;
};

// Sets *error (when not null) to the GdkPixbuf error that fits the status,
// with the library's reason as its message.
void SetVornError(GError** error, vorn_status status);

}  // namespace vorn::desktop
