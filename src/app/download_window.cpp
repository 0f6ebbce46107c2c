#include "app/download_window.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <limits>

#include "app/window_translation.h"
#include "flows/setup_download.h"

namespace lintrove::app {

DownloadWindow::DownloadWindow(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
  setObjectName(QStringLiteral("frm_downloadprogress"));
  setWindowTitle(QStringLiteral("Download"));

  progress_ = new QProgressBar(this);
  progress_->setObjectName(QStringLiteral("pb_progress"));
  progress_->setAccessibleName(QStringLiteral("Fortschritt"));
  progress_->setTextVisible(false);
  count_ = new QLabel(QStringLiteral("lbl_progress"), this);
  count_->setObjectName(QStringLiteral("lbl_progress"));
  count_->setAlignment(Qt::AlignCenter);
  auto* cancel = new QPushButton(QStringLiteral("&Abbruch"), this);
  cancel->setObjectName(QStringLiteral("btn_1"));
  connect(cancel, &QPushButton::clicked, this, &DownloadWindow::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(progress_);
  layout->addWidget(count_);
  layout->addWidget(cancel, 0, Qt::AlignHCenter);
  // As wide as the design at least, wider when a translation needs it.
  const QMargins margins = layout->contentsMargins();
  layout->addStrut(469 - margins.left() - margins.right());
  layout->setSizeConstraint(QLayout::SetFixedSize);
  TranslateWindow(*this);
}

void DownloadWindow::ShowProgress(std::int64_t received, std::int64_t total) {
  // The bar counts in int; a larger total is scaled down, keeping the proportion.
  total = std::max<std::int64_t>(total, 0);
  const std::int64_t scale = total / std::numeric_limits<int>::max() + 1;
  progress_->setRange(0, static_cast<int>(total / scale));
  progress_->setValue(static_cast<int>(std::clamp<std::int64_t>(received, 0, total) / scale));
  count_->setText(QString::fromStdString(DownloadProgressText(received, total)));
}

}  // namespace lintrove::app
