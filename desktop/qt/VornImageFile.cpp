#include "desktop/qt/VornImageFile.h"

#include <QIODevice>
#include <QImageIOHandler>
#include <QLoggingCategory>
#include <algorithm>
#include <climits>
#include <limits>

namespace vorn::qt {

namespace {

Q_LOGGING_CATEGORY(lcVorn, "vorn.imageformat")

// What is read from the device at a time.
constexpr qint64 kChunk = qint64{1} << 20;

// The most bytes a file may have: what the library would hold of it at most.
qint64 ByteLimit() {
  const uint64_t limit = vorn_default_memory_limit();
  const auto most = static_cast<uint64_t>(std::numeric_limits<qsizetype>::max() / 2);
  return static_cast<qint64>(std::min(limit, most));
}

}  // namespace

bool TVornImageFile::Open(QIODevice* device) {
  image_.reset();
  count_ = 0;
  bytes_.clear();
  if (device == nullptr || !device->isReadable()) {
    qCWarning(lcVorn, "cannot read .vrn file: no readable device");
    return false;
  }
  const qint64 limit = ByteLimit();
  if (!device->isSequential())
    bytes_.reserve(std::clamp<qint64>(device->size() - device->pos(), 0, limit));
  for (;;) {
    const qint64 want = std::min(kChunk, limit + 1 - bytes_.size());
    const qsizetype at = bytes_.size();
    bytes_.resize(at + want);
    const qint64 got = device->read(bytes_.data() + at, want);
    bytes_.resize(at + std::max<qint64>(got, 0));
    if (got < 0) {
      qCWarning(lcVorn, "cannot read .vrn file: %s", qPrintable(device->errorString()));
      bytes_.clear();
      return false;
    }
    if (got == 0) break;
    if (bytes_.size() > limit) {
      qCWarning(lcVorn, "cannot read .vrn file: larger than %lld MiB", limit >> 20);
      bytes_.clear();
      return false;
    }
  }
  vorn_image* image = nullptr;
  vorn_status status =
      vorn_open_memory(bytes_.constData(), static_cast<size_t>(bytes_.size()), nullptr, &image);
  image_.reset(image);
  uint32_t count = 0;
  if (status == VORN_OK) status = vorn_scan_frames(image, &count);
  if (status == VORN_OK && count == 0) status = VORN_ERROR_DAMAGED;
  if (status != VORN_OK) {
    qCWarning(lcVorn, "cannot open .vrn file: %s", vorn_status_text(status));
    image_.reset();
    bytes_.clear();
    return false;
  }
  count_ = static_cast<int>(std::min<uint32_t>(count, INT_MAX));
  return true;
}

bool TVornImageFile::Header(int index, vorn_frame_header* header) const {
  return index >= 0 && index < count_ &&
         vorn_get_frame_header(image_.get(), static_cast<uint32_t>(index), header) == VORN_OK;
}

bool TVornImageFile::FrameInfo(int index, vorn_frame_info* info) const {
  if (index < 0 || index >= count_) return false;
  const vorn_status status = vorn_get_frame_info(image_.get(), static_cast<uint32_t>(index), info);
  if (status == VORN_OK && info->width > 0 && info->height > 0) return true;
  qCWarning(lcVorn, "cannot read frame %d of .vrn file: %s", index,
            vorn_status_text(status == VORN_OK ? VORN_ERROR_DAMAGED : status));
  return false;
}

QSize TVornImageFile::FrameSize(int index) const {
  vorn_frame_header header{};
  if (!Header(index, &header) || header.width <= 0 || header.height <= 0) return {};
  return {header.width, header.height};
}

int TVornImageFile::FrameDelay(int index) const {
  vorn_frame_header header{};
  if (!Header(index, &header)) return 0;
  return static_cast<int>(std::min<uint32_t>(header.delay_ms, INT_MAX));
}

QImage::Format TVornImageFile::FrameFormat(int index) const {
  vorn_frame_info info{};
  if (!FrameInfo(index, &info)) return QImage::Format_Invalid;
  return info.has_alpha ? QImage::Format_RGBA8888 : QImage::Format_RGBX8888;
}

QImage TVornImageFile::DecodeFrame(int index) const {
  vorn_frame_info info{};
  if (!FrameInfo(index, &info)) return {};
  // The library's RGBA is these formats' byte order; alpha is 255 in
  // frames without an alpha channel, as RGBX8888 needs.
  const QImage::Format format = info.has_alpha ? QImage::Format_RGBA8888 : QImage::Format_RGBX8888;
  QImage picture;
  if (!QImageIOHandler::allocateImage(QSize(info.width, info.height), format, &picture)) return {};
  const vorn_status status = vorn_decode_frame_rgba(image_.get(), static_cast<uint32_t>(index),
                                                    picture.bits(), static_cast<size_t>(picture.bytesPerLine()));
  if (status != VORN_OK) {
    qCWarning(lcVorn, "cannot decode frame %d of .vrn file: %s", index, vorn_status_text(status));
    return {};
  }
  return picture;
}

}  // namespace vorn::qt
