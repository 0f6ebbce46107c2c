#pragma once

#include <QMainWindow>

// The main window; for now an empty shell that names the product.
class Tfrm_main : public QMainWindow {
  Q_OBJECT

 public:
  explicit Tfrm_main(QWidget* parent = nullptr);
};
