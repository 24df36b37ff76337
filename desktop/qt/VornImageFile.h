// One .vrn file as the Qt plug-in reads it: the device's bytes, read once
// and kept (the library reads them where they lie), and the image the
// library opened over them. Frame numbers are those of the frames' headers.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <memory>

#include "vorn/vorn.h"

class QIODevice;

namespace vorn::qt {

class TVornImageFile {
 public:
  // Reads the device from its position to its end (at most the library's
  // memory limit) and opens what it holds; false, with the reason logged,
  // when that fails or the file has no frame.
  bool Open(QIODevice* device);
  bool IsOpen() const { return image_ != nullptr; }
  // How many frames the headers describe; 0 when not open.
  int FrameCount() const { return count_; }
  // From the frame's headers, without decoding a pixel: its size (invalid
  // on failure) and how long it shows, in milliseconds (0 on failure).
  QSize FrameSize(int index) const;
  int FrameDelay(int index) const;
  // The format DecodeFrame gives the frame (decodes it): RGBA8888 (straight
  // alpha) where it has an alpha channel, else RGBX8888; Invalid on failure.
  QImage::Format FrameFormat(int index) const;
  // The frame's picture; a null image, with the reason logged, on failure.
  QImage DecodeFrame(int index) const;

 private:
  struct TCloser {
    void operator()(vorn_image* image) const { vorn_close(image); }
  };
  bool Header(int index, vorn_frame_header* header) const;
  bool FrameInfo(int index, vorn_frame_info* info) const;

  QByteArray bytes_;  // declared first: outlives image_, which reads it
  std::unique_ptr<vorn_image, TCloser> image_;
  int count_ = 0;
};

}  // namespace vorn::qt
