#include "desktop/qt/VornImagePlugin.h"

#include <QIODevice>

#include "desktop/qt/VornImageHandler.h"

namespace vorn::qt {

QImageIOPlugin::Capabilities TVornImagePlugin::capabilities(QIODevice* device,
                                                            const QByteArray& format) const {
  if (format == "vrn") return CanRead;
  if (!format.isEmpty() || device == nullptr || !device->isOpen()) return {};
  return TVornImageHandler::HasSignature(device) ? CanRead : Capabilities();
}

QImageIOHandler* TVornImagePlugin::create(QIODevice* device, const QByteArray& format) const {
  auto* handler = new TVornImageHandler;
  handler->setDevice(device);
  handler->setFormat(format);
  return handler;
}

}  // namespace vorn::qt
