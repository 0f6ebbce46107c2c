#pragma once

#include <QDialog>
#include <string>

#include "protocol/update_response.h"

class QLabel;
class QPushButton;

namespace lintrove::app {

class ServicePage;

// The update dialog (frm_updateinfo): this client's version and the newest, a status line, the
// service's page about the new version, and the ways on. Its results are the toolkit's numbers
// the design gives them.
class UpdateDialog : public QDialog {
  Q_OBJECT

 public:
  enum Result { UpdateNow = 1, Stop = 2, Later = 5 };

  explicit UpdateDialog(QWidget* parent);

  // Sets the dialog up for the answer. `manual`: asked for through the menu, so the dialog only
  // informs and closes; otherwise the update check waits for it and may be stopped or go on.
  // `comparison`: this version against the newest, -1 older, 0 equal, 1 newer.
  void Prepare(const UpdateResponse& response, bool manual, const std::string& thisVersion,
               int comparison);

  // Escape and the close box stop, as "&Abbruch" and "&Schließen" do.
  void reject() override { done(Stop); }

 private:
  QLabel* status_;
  QLabel* thisVersion_;
  QLabel* currentVersion_;
  ServicePage* infoPage_;
  QPushButton* updateNow_;
  QPushButton* later_;
  QPushButton* cancel_;
  QPushButton* close_;
};

}  // namespace lintrove::app
