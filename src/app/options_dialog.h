#pragma once

#include <QDialog>
#include <vector>

#include "flows/machine_choices.h"

class QCheckBox;
class QComboBox;
class QLabel;

namespace lintrove {
class ClientSettings;
}

namespace lintrove::app {

// The options a user may change: the machine to check, the log-on reminder, which versions the
// service offers, the encrypted connection. It edits a copy of the settings; the caller decides
// what to keep.
class OptionsDialog : public QDialog {
  Q_OBJECT

 public:
  explicit OptionsDialog(QWidget* parent);

  // `machines`: this computer first, then the Wine prefixes; with nothing but this computer to
  // choose, the choice is not shown.
  void Fill(const ClientSettings& settings, const std::vector<MachineChoice>& machines);
  void CopyBack(ClientSettings& settings) const;

 private:
  QLabel* machineLabel_;
  QComboBox* machine_;
  QComboBox* reminder_;
  QCheckBox* upgrades_;
  QCheckBox* developerVersions_;
  QCheckBox* encrypted_;
  // Never shown: the user cannot reach it, so it hands back what it was given.
  QCheckBox* extendedInstallerInfo_;
};

// Shows the options modally; only OK changes the settings, and only in memory: they are stored
// when the client ends. Whatever the answer, the first-start state ends here, so the first-start
// guidance runs once. True when another machine was chosen.
bool RunOptionsDialog(QWidget* parent, ClientSettings& settings,
                      const std::vector<MachineChoice>& machines);

}  // namespace lintrove::app
