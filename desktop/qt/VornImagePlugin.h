// The Qt image format plug-in (libqvorn.so): format "vrn", MIME type
// image/x-vornpix, read only.
#pragma once

#include <QImageIOPlugin>

namespace vorn::qt {

class TVornImagePlugin final : public QImageIOPlugin {
  Q_OBJECT
  Q_PLUGIN_METADATA(IID QImageIOHandlerFactoryInterface_iid FILE "vorn.json")

 public:
  // CanRead where the format is "vrn" (given by the file's name or the
  // caller: the oldest files carry no signature), or where no format is
  // given and the device starts with a signature.
  Capabilities capabilities(QIODevice* device, const QByteArray& format) const override;
  QImageIOHandler* create(QIODevice* device, const QByteArray& format = QByteArray()) const override;
};

}  // namespace vorn::qt
