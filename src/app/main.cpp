#include <QApplication>

#include "main_window.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Lintrove"));
  QApplication::setApplicationVersion(QStringLiteral(LINTROVE_VERSION));
  Tfrm_main window;
  window.show();
  return QApplication::exec();
}
