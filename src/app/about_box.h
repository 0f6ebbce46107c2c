#pragma once

#include <QDialog>

class QLabel;

namespace lintrove::app {

// The about box: logo, product title, the client's version, credits.
class AboutBox : public QDialog {
  Q_OBJECT

 public:
  explicit AboutBox(QWidget* parent);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void DrawLogo();

  QLabel* logo_;
};

void ShowAboutBox(QWidget* parent);

}  // namespace lintrove::app
