#include "app/notice_dialog.h"

#include <QCheckBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTextDocument>
#include <QTextEdit>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "app/window_translation.h"
#include "base/resource_strings.h"

namespace lintrove::app {
namespace {

// The box as high as its text at this width, so the whole notice shows without scrolling.
void FitToText(QTextEdit& box, int width) {
  box.setMinimumWidth(width);
  QTextDocument& text = *box.document();
  text.setTextWidth(width - 2 * box.frameWidth() - 2 * text.documentMargin());
  box.setMinimumHeight(static_cast<int>(std::ceil(text.size().height())) + 2 * box.frameWidth());
}

}  // namespace

NoticeDialog::NoticeDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frm_hinweis"));
  setWindowTitle(QStringLiteral("Hinweis"));

  auto* notice = new QTextEdit(this);
  notice->setObjectName(QStringLiteral("RichEdit1"));
  notice->setAccessibleName(QStringLiteral("Hinweis"));
  notice->setAcceptRichText(false);
  // Read only, so that Enter reaches the default button "&Schliessen".
  notice->setReadOnly(true);

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
  TranslateWindow(*this);
  // The notice is a numbered message, translated with the others.
  notice->setPlainText(QString::fromStdString(LoadResString(ResString::CommunityNotice)));
  FitToText(*notice, 490 - layout->contentsMargins().left() - layout->contentsMargins().right());
  resize(std::max(490, sizeHint().width()), sizeHint().height());
}

bool NoticeDialog::DoNotShowAgain() const { return doNotShowAgain_->isChecked(); }

bool ShowCommunityNotice(QWidget* parent) {
  NoticeDialog dialog(parent);
  dialog.exec();
  return dialog.DoNotShowAgain();
}

}  // namespace lintrove::app
