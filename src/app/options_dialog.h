#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;

namespace lintrove {
class ClientSettings;
}

namespace lintrove::app {

// The options a user may change: the log-on reminder, which versions the service offers, the
// encrypted connection. It edits a copy of the settings; the caller decides what to keep.
class OptionsDialog : public QDialog {
  Q_OBJECT

 public:
  explicit OptionsDialog(QWidget* parent);

  void Fill(const ClientSettings& settings);
  void CopyBack(ClientSettings& settings) const;

 private:
  QComboBox* reminder_;
  QCheckBox* upgrades_;
  QCheckBox* developerVersions_;
  QCheckBox* encrypted_;
  // Never shown: the user cannot reach it, so it hands back what it was given.
  QCheckBox* extendedInstallerInfo_;
};

// Shows the options modally; only OK changes the settings, and only in memory: they are stored
// when the client ends. Whatever the answer, the first-start state ends here, so the first-start
// guidance runs once.
void RunOptionsDialog(QWidget* parent, ClientSettings& settings);

}  // namespace lintrove::app
