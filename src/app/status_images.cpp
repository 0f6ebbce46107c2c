#include "app/status_images.h"

// Resources compiled into a static library are registered only when something asks for them.
static void RegisterStatusImages() {
  [[maybe_unused]] static const bool registered = [] {
    Q_INIT_RESOURCE(status_images);
    return true;
  }();
}

namespace lintrove::app {
namespace {

QString ImageName(ProgramStatus status) {
  switch (status) {
    case ProgramStatus::Unknown:
      return QStringLiteral("unknown");
    case ProgramStatus::Unsupported:
      return QStringLiteral("unsupported");
    case ProgramStatus::Current:
      return QStringLiteral("current");
    case ProgramStatus::NewVersion:
      return QStringLiteral("new_version");
  }
  return {};
}

}  // namespace

QIcon StatusIcon(ProgramStatus status) {
  RegisterStatusImages();
  const QString name = ImageName(status);
  if (name.isEmpty()) return {};
  // The build draws each image at 1, 1.5, 2 and 3 times the 16 logical pixels of a row.
  QIcon icon;
  for (const int pixels : {16, 24, 32, 48}) {
    const QString file = QStringLiteral(":/status/%1-%2.png").arg(name).arg(pixels);
    // The same picture on a selected row, not one tinted by the style.
    icon.addFile(file, QSize(pixels, pixels), QIcon::Normal);
    icon.addFile(file, QSize(pixels, pixels), QIcon::Selected);
  }
  return icon;
}

}  // namespace lintrove::app
