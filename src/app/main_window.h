#pragma once

#include <QMainWindow>

// The main window; for now a shell with its caption.
class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  explicit MainWindow(QWidget* parent = nullptr);
};
