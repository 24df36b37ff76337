#include "desktop/qt/VornImageHandler.h"

#include <QIODevice>
#include <QVariant>

namespace vorn::qt {

bool TVornImageHandler::HasSignature(QIODevice* device) {
  if (device == nullptr || !device->isReadable()) return false;
  const QByteArray head = device->peek(8);
  return vorn_probe(head.constData(), static_cast<size_t>(head.size())) != 0;
}

bool TVornImageHandler::Load() const {
  if (!loaded_) {
    loaded_ = true;
    file_.Open(device());
  }
  return file_.IsOpen();
}

bool TVornImageHandler::canRead() const {
  if (!loaded_ && HasSignature(device())) {
    setFormat("vrn");
    return true;
  }
  // Without a signature only a file given as "vrn" is tried, by opening it.
  if (!loaded_ && format() != "vrn") return false;
  return Load() && next_ < file_.FrameCount();
}

bool TVornImageHandler::read(QImage* image) {
  if (image == nullptr || !Load() || next_ >= file_.FrameCount()) return false;
  QImage picture = file_.DecodeFrame(next_);
  if (picture.isNull()) return false;
  *image = std::move(picture);
  current_ = next_++;
  return true;
}

bool TVornImageHandler::supportsOption(ImageOption option) const {
  return option == Size || option == Animation || option == ImageFormat;
}

QVariant TVornImageHandler::option(ImageOption option) const {
  if (!supportsOption(option) || !Load()) return {};
  switch (option) {
    case Size:
      return file_.FrameSize(next_);
    case Animation:
      return file_.FrameCount() > 1;
    case ImageFormat:
      return next_ < file_.FrameCount() ? QVariant(file_.FrameFormat(next_)) : QVariant();
    default:
      return {};
  }
}

bool TVornImageHandler::jumpToImage(int imageNumber) {
  if (!Load() || imageNumber < 0 || imageNumber >= file_.FrameCount()) return false;
  current_ = next_ = imageNumber;
  return true;
}

bool TVornImageHandler::jumpToNextImage() {
  if (!Load() || next_ >= file_.FrameCount()) return false;
  current_ = next_++;
  return true;
}

int TVornImageHandler::imageCount() const { return Load() ? file_.FrameCount() : 0; }

int TVornImageHandler::loopCount() const { return Load() && file_.FrameCount() > 1 ? -1 : 0; }

int TVornImageHandler::currentImageNumber() const { return current_; }

int TVornImageHandler::nextImageDelay() const { return Load() ? file_.FrameDelay(current_) : 0; }

}  // namespace vorn::qt
