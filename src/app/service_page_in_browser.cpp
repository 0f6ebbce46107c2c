#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/app_texts.h"
#include "app/error_box.h"
#include "app/service_page.h"

namespace lintrove::app {

QWidget* ServicePage::MakeView() {
  auto* view = new QWidget(this);
  auto* text = new QLabel(ResText(ResString::PageOpensInBrowser), view);
  text->setObjectName(QStringLiteral("lbl_pageinbrowser"));
  text->setWordWrap(true);
  text->setAlignment(Qt::AlignCenter);
  auto* open = new QPushButton(ResText(ResString::OpenPageInBrowser), view);
  open->setObjectName(QStringLiteral("btn_pageinbrowser"));
  open->setAutoDefault(false);
  connect(open, &QPushButton::clicked, this, [this] {
    RunGuarded(this, [this] { shell_.ShellOpen(address_.toString().toStdString()); });
  });
  auto* layout = new QVBoxLayout(view);
  layout->addStretch();
  layout->addWidget(text);
  layout->addWidget(open, 0, Qt::AlignHCenter);
  layout->addStretch();
  return view;
}

void ServicePage::Show(const QUrl& address) {
  view_->findChild<QPushButton*>()->setToolTip(address.toString());
}

}  // namespace lintrove::app
