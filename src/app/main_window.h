#pragma once

#include <QMainWindow>

// The main window; for now a shell with its caption.
class Tfrm_main : public QMainWindow {
  Q_OBJECT

 public:
  explicit Tfrm_main(QWidget* parent = nullptr);
};
