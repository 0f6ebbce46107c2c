#include "app/status_images.h"

#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

// Resources compiled into a static library are registered only when something asks for them.
static void RegisterStatusImages() {
  [[maybe_unused]] static const bool registered = [] {
    Q_INIT_RESOURCE(status_images);
    return true;
  }();
}

namespace lintrove::app {
namespace {

QString ImageFile(ProgramStatus status) {
  switch (status) {
    case ProgramStatus::Unknown:
      return QStringLiteral(":/status/unknown.svg");
    case ProgramStatus::Unsupported:
      return QStringLiteral(":/status/unsupported.svg");
    case ProgramStatus::Current:
      return QStringLiteral(":/status/current.svg");
    case ProgramStatus::NewVersion:
      return QStringLiteral(":/status/new_version.svg");
  }
  return {};
}

}  // namespace

QIcon StatusIcon(ProgramStatus status) {
  RegisterStatusImages();
  const QString file = ImageFile(status);
  if (file.isEmpty()) return {};
  QSvgRenderer renderer(file);
  if (!renderer.isValid()) return {};
  // Rendered here rather than through Qt's SVG icon plugin, which a deployment may lack; the
  // sizes cover screens at 1, 1.5, 2 and 3 times the 16 logical pixels of a row.
  QIcon icon;
  for (const int pixels : {16, 24, 32, 48}) {
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter);
    painter.end();
    // The same picture on a selected row, not one tinted by the style.
    const QPixmap pixmap = QPixmap::fromImage(image);
    icon.addPixmap(pixmap, QIcon::Normal);
    icon.addPixmap(pixmap, QIcon::Selected);
  }
  return icon;
}

}  // namespace lintrove::app
