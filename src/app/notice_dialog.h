#pragma once

#include <QDialog>

class QCheckBox;

namespace lintrove::app {

// The community notice: where the versions the client shows come from, and why they may be
// wrong. Edits in its text box go nowhere.
class NoticeDialog : public QDialog {
  Q_OBJECT

 public:
  explicit NoticeDialog(QWidget* parent);

  bool DoNotShowAgain() const;

 private:
  QCheckBox* doNotShowAgain_;
};

// Shows the notice modally and answers whether the user asked not to see it again, however the
// dialog was closed.
bool ShowCommunityNotice(QWidget* parent);

}  // namespace lintrove::app
