#include "app/service_page.h"

#include <QVBoxLayout>

namespace lintrove::app {

ServicePage::ServicePage(const QString& name, QWidget* parent, platform::Shell& shell)
    : QWidget(parent), shell_(shell) {
  setObjectName(name);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
}

void ServicePage::Open(const QUrl& address) {
  if (view_ == nullptr) {
    view_ = MakeView();
    layout()->addWidget(view_);
  }
  address_ = address;
  Show(address);
}

}  // namespace lintrove::app
