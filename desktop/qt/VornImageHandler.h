// Reads one .vrn file for QImageReader and QMovie: each frame in turn as a
// picture, its delay, seeking by frame number, and the size and format of
// the next frame before it is read.
#pragma once

#include <QImageIOHandler>

#include "desktop/qt/VornImageFile.h"

namespace vorn::qt {

class TVornImageHandler final : public QImageIOHandler {
 public:
  // Whether the device's first bytes carry a .vrn signature ("VornX", or
  // "Vorn" and three digits); peeked, the device stays where it was.
  static bool HasSignature(QIODevice* device);

  // By signature; a file of the oldest kind has none and reads only when
  // its format was given ("vrn", by its name or by the caller).
  bool canRead() const override;
  // Decodes the next frame; fails, leaving image and position alone, when
  // the file or the frame does not read.
  bool read(QImage* image) override;

  bool supportsOption(ImageOption option) const override;
  QVariant option(ImageOption option) const override;  // Size, Animation, ImageFormat

  // The next read() gives frame imageNumber.
  bool jumpToImage(int imageNumber) override;
  // Skips the frame the next read() would give.
  bool jumpToNextImage() override;
  int imageCount() const override;
  int loopCount() const override;  // -1 (forever) for an animation
  // The frame read last, or the one the next read() gives before any.
  int currentImageNumber() const override;
  int nextImageDelay() const override;  // how long the current frame shows

 private:
  // Reads and opens the file on the first call; whether it is open.
  bool Load() const;

  mutable TVornImageFile file_;
  mutable bool loaded_ = false;
  int next_ = 0;     // the frame the next read() gives
  int current_ = 0;  // see currentImageNumber()
};

}  // namespace vorn::qt
