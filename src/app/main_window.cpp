#include "main_window.h"

Tfrm_main::Tfrm_main(QWidget* parent) : QMainWindow(parent) {
  setObjectName(QStringLiteral("frm_main"));
  setWindowTitle(QStringLiteral("Lintrove"));
  resize(800, 600);
}
