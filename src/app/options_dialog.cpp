#include "app/options_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/window_translation.h"
#include "settings/client_settings.h"

namespace lintrove::app {
namespace {

QCheckBox* AddCheckBox(QWidget* parent, QLayout* layout, const char* name, const QString& text) {
  auto* box = new QCheckBox(text, parent);
  box->setObjectName(QLatin1String(name));
  layout->addWidget(box);
  return box;
}

QPushButton* AddButton(QWidget* parent, QLayout* layout, const char* name, const QString& text) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(QLatin1String(name));
  layout->addWidget(button);
  return button;
}

}  // namespace

OptionsDialog::OptionsDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frm_optionen"));
  setWindowTitle(QStringLiteral("Optionen"));

  machineLabel_ = new QLabel(QStringLiteral("Zu prüfender Rechner"), this);
  machineLabel_->setObjectName(QStringLiteral("lbl_machine"));
  machine_ = new QComboBox(this);
  machine_->setObjectName(QStringLiteral("cbo_machine"));
  // A prefix's label holds its directory: the list opens as wide as it needs, the box stays put.
  machine_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  machine_->setMinimumContentsLength(24);
  machineLabel_->setBuddy(machine_);
  auto* machineRow = new QHBoxLayout;
  machineRow->addWidget(machineLabel_);
  machineRow->addWidget(machine_, 1);

  auto* reminderLabel = new QLabel(QStringLiteral("Erinnerung bei Systemstart"), this);
  reminderLabel->setObjectName(QStringLiteral("Label1"));
  reminder_ = new QComboBox(this);
  reminder_->setObjectName(QStringLiteral("cbo_reminder"));
  // The order is the stored number: -keine- is 0, every four weeks 3.
  reminder_->addItems({QStringLiteral("-keine-"), QStringLiteral("jede Woche"),
                       QStringLiteral("alle zwei Wochen"), QStringLiteral("alle vier Wochen")});
  reminderLabel->setBuddy(reminder_);
  auto* reminderRow = new QHBoxLayout;
  reminderRow->addWidget(reminderLabel);
  reminderRow->addWidget(reminder_, 1);

  auto* options = new QVBoxLayout;
  options->addLayout(machineRow);
  options->addLayout(reminderRow);
  upgrades_ = AddCheckBox(this, options, "cb_upgrades", QStringLiteral("Upgrades anzeigen"));
  developerVersions_ = AddCheckBox(this, options, "cb_beta",
                                   QStringLiteral("Alpha/Beta/Releasekandidaten anzeigen"));
  encrypted_ = AddCheckBox(this, options, "cb_ssl",
                           QStringLiteral("SSL - Verschlüsselung zum Server verwenden"));
  extendedInstallerInfo_ = AddCheckBox(this, options, "cb_extendedmsiinfo",
                                       QStringLiteral("erweiterte Abfrage von MSI-Setups"));
  extendedInstallerInfo_->hide();

  auto* rule = new QFrame(this);
  rule->setFrameShape(QFrame::HLine);
  rule->setFrameShadow(QFrame::Sunken);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  QPushButton* ok = AddButton(this, buttons, "btn_ok", QStringLiteral("&Ok"));
  QPushButton* cancel = AddButton(this, buttons, "btn_cancel", QStringLiteral("&Abbruch"));
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(options);
  layout->addStretch(1);
  layout->addWidget(rule);
  layout->addLayout(buttons);
  // As wide as the design at least, wider when a translation needs it.
  const QMargins margins = layout->contentsMargins();
  layout->addStrut(391 - margins.left() - margins.right());
  layout->setSizeConstraint(QLayout::SetFixedSize);
  TranslateWindow(*this);
}

void OptionsDialog::Fill(const ClientSettings& settings,
                         const std::vector<MachineChoice>& machines) {
  machine_->clear();
  for (const MachineChoice& choice : machines) {
    machine_->addItem(QString::fromStdString(choice.label),
                      QString::fromStdString(choice.wine_prefix));
    if (SameWinePrefix(choice.wine_prefix, settings.str_wineprefix)) {
      machine_->setCurrentIndex(machine_->count() - 1);
    }
  }
  const bool choosable = machine_->count() > 1;
  machine_->setVisible(choosable);
  machineLabel_->setVisible(choosable);
  // A stored number outside the list selects nothing.
  const bool listed = settings.int_reminder >= 0 && settings.int_reminder < reminder_->count();
  reminder_->setCurrentIndex(listed ? settings.int_reminder : -1);
  upgrades_->setChecked(settings.bol_upgrades);
  developerVersions_->setChecked(settings.bol_developerversionen);
  extendedInstallerInfo_->setChecked(settings.bol_extendedmsiinfo);
  encrypted_->setChecked(settings.bol_ssl);
}

void OptionsDialog::CopyBack(ClientSettings& settings) const {
  if (machine_->currentIndex() >= 0) {
    settings.str_wineprefix = machine_->currentData().toString().toStdString();
  }
  // Nothing is selected only when the stored number was outside the list and the user chose
  // none: that number stays rather than becoming the index -1.
  if (reminder_->currentIndex() >= 0) settings.int_reminder = reminder_->currentIndex();
  settings.bol_upgrades = upgrades_->isChecked();
  settings.bol_developerversionen = developerVersions_->isChecked();
  settings.bol_extendedmsiinfo = extendedInstallerInfo_->isChecked();
  settings.bol_ssl = encrypted_->isChecked();
}

bool RunOptionsDialog(QWidget* parent, ClientSettings& settings,
                      const std::vector<MachineChoice>& machines) {
  const std::string machineBefore = settings.str_wineprefix;
  OptionsDialog dialog(parent);
  dialog.Fill(settings, machines);
  if (dialog.exec() == QDialog::Accepted) dialog.CopyBack(settings);
  if (settings.dat_lastcheck == -1.0) settings.dat_lastcheck = 0.0;
  return !SameWinePrefix(settings.str_wineprefix, machineBefore);
}

}  // namespace lintrove::app
