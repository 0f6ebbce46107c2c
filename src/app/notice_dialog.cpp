#include "app/notice_dialog.h"

#include <QCheckBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTextEdit>
#include <QVBoxLayout>

#include "app/window_translation.h"
#include "base/resource_strings.h"

namespace lintrove::app {

NoticeDialog::NoticeDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frm_hinweis"));
  setWindowTitle(QStringLiteral("Hinweis"));

  auto* notice = new QTextEdit(this);
  notice->setObjectName(QStringLiteral("RichEdit1"));
  notice->setAccessibleName(QStringLiteral("Hinweis"));
  notice->setAcceptRichText(false);

  doNotShowAgain_ = new QCheckBox(QStringLiteral("diesen Hinweis nicht mehr anzeigen"), this);
  doNotShowAgain_->setObjectName(QStringLiteral("CheckBox1"));

  auto* rule = new QFrame(this);
  rule->setFrameShape(QFrame::HLine);
  rule->setFrameShadow(QFrame::Sunken);

  auto* close = new QPushButton(QStringLiteral("&Schliessen"), this);
  close->setObjectName(QStringLiteral("btn_ok"));
  close->setDefault(true);
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(close);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(notice, 1);
  layout->addWidget(doNotShowAgain_);
  layout->addWidget(rule);
  layout->addLayout(buttons);
  resize(490, 269);
  TranslateWindow(*this);
  // The notice is a numbered message, translated with the others.
  notice->setPlainText(QString::fromStdString(LoadResString(ResString::CommunityNotice)));
}

bool NoticeDialog::DoNotShowAgain() const { return doNotShowAgain_->isChecked(); }

bool ShowCommunityNotice(QWidget* parent) {
  NoticeDialog dialog(parent);
  dialog.exec();
  return dialog.DoNotShowAgain();
}

}  // namespace lintrove::app
