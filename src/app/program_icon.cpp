#include "app/program_icon.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>

#include "inventory/program.h"
#include "inventory/program_icons.h"

namespace lintrove::app {

QIcon ProgramIconOf(const Program& program, const platform::MachineFiles& machine) {
  const std::vector<std::uint8_t>& bytes = program.GetIcon(machine).IcoBytes();
  QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()),
                                            static_cast<qsizetype>(bytes.size()));
  QBuffer buffer(&data);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, "ico");
  QIcon icon;
  // The reader gives one image of an icon file at a time.
  do {
    const QImage image = reader.read();
    if (!image.isNull()) icon.addPixmap(QPixmap::fromImage(image));
  } while (reader.jumpToNextImage());
  return icon;
}

}  // namespace lintrove::app
