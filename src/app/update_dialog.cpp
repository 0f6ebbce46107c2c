#include "app/update_dialog.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "app/service_page.h"
#include "app/window_translation.h"
#include "base/resource_strings.h"

namespace lintrove::app {
namespace {

QLabel* NamedLabel(QWidget* parent, const char* name, const char* text) {
  auto* label = new QLabel(QString::fromUtf8(text), parent);
  label->setObjectName(QLatin1String(name));
  return label;
}

QPushButton* NamedButton(QWidget* parent, const char* name, const char* text) {
  auto* button = new QPushButton(QString::fromUtf8(text), parent);
  button->setObjectName(QLatin1String(name));
  button->setAutoDefault(false);
  return button;
}

}  // namespace

UpdateDialog::UpdateDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint) {
  setObjectName(QStringLiteral("frm_updateinfo"));
  setWindowTitle(QStringLiteral("Update"));

  status_ = NamedLabel(this, "lbl_updatestatus",
                       "Dieses Programm ist veraltet und kann/muss aktuallisiert werden.");
  status_->setAlignment(Qt::AlignCenter);
  QFont bold = status_->font();
  bold.setBold(true);
  status_->setFont(bold);
  thisVersion_ = NamedLabel(this, "lbl_thisversion", "0.0.0.0");
  currentVersion_ = NamedLabel(this, "lbl_currentversion", "0.0.0.0");
  auto* versions = new QGridLayout;
  versions->addWidget(NamedLabel(this, "lbl_lbl_thisversion", "Version dieses Programms:"), 0, 0);
  versions->addWidget(thisVersion_, 0, 1);
  versions->addWidget(NamedLabel(this, "lbl_lbl_currentversion", "Version welche aktuell ist:"), 1,
                      0);
  versions->addWidget(currentVersion_, 1, 1);
  versions->setColumnStretch(1, 1);

  infoPage_ = new ServicePage(QStringLiteral("pnl_infopage"), this);
  auto* rule = new QFrame(this);
  rule->setObjectName(QStringLiteral("Bevel1"));
  rule->setFrameShape(QFrame::HLine);
  rule->setFrameShadow(QFrame::Sunken);

  updateNow_ = NamedButton(this, "btn_updatenow", "jetzt &Updaten");
  updateNow_->setDefault(true);
  later_ = NamedButton(this, "btn_later", "&Später");
  cancel_ = NamedButton(this, "btn_cancel", "&Abbruch");
  close_ = NamedButton(this, "btn_close", "&Schließen");
  connect(updateNow_, &QPushButton::clicked, this, [this] { done(UpdateNow); });
  connect(later_, &QPushButton::clicked, this, [this] { done(Later); });
  connect(cancel_, &QPushButton::clicked, this, &UpdateDialog::reject);
  connect(close_, &QPushButton::clicked, this, &UpdateDialog::reject);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  for (QPushButton* button : {updateNow_, later_, cancel_, close_}) buttons->addWidget(button);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(status_);
  layout->addLayout(versions);
  layout->addWidget(NamedLabel(this, "Label1", "Informationen zur aktuellen Version:"));
  layout->addWidget(infoPage_, 1);
  layout->addWidget(rule);
  layout->addLayout(buttons);
  setFixedSize(640, 430);
  TranslateWindow(*this);
}

void UpdateDialog::Prepare(const UpdateResponse& response, bool manual,
                           const std::string& thisVersion, int comparison) {
  close_->setVisible(manual);
  cancel_->setVisible(!manual);
  later_->setVisible(!manual);
  later_->setEnabled(!response.forceupdate);
  updateNow_->setVisible(comparison < 0);

  int status = ResString::ClientCurrent;
  if (comparison < 0) {
    status = response.forceupdate ? ResString::ClientMustUpdate : ResString::ClientMayUpdate;
  }
  status_->setText(QString::fromStdString(LoadResString(status)));
  thisVersion_->setText(QString::fromStdString(thisVersion));
  currentVersion_->setText(QString::fromStdString(response.currentversion));
  if (!response.infopage.empty()) infoPage_->Open(QUrl(QString::fromStdString(response.infopage)));
}

}  // namespace lintrove::app
