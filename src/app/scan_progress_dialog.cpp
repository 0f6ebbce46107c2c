#include "app/scan_progress_dialog.h"

#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>
#include <limits>

#include "app/app_texts.h"
#include "app/window_translation.h"
#include "base/format.h"
#include "base/resource_strings.h"

namespace lintrove::app {
namespace {

// A one-line label that shortens its text with an ellipsis rather than growing the dialog: a
// long program name must not make the window jump with every report. text() stays whole.
class ElidingLabel : public QLabel {
 public:
  using QLabel::QLabel;

  QSize sizeHint() const override { return {0, QLabel::sizeHint().height()}; }
  QSize minimumSizeHint() const override { return sizeHint(); }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    const QRect area = contentsRect();
    style()->drawItemText(&painter, area, static_cast<int>(alignment()), palette(), isEnabled(),
                          fontMetrics().elidedText(text(), Qt::ElideRight, area.width()),
                          foregroundRole());
  }
};

QLabel* AddLabel(QLabel* label, const char* name, bool bold) {
  label->setObjectName(QLatin1String(name));
  if (bold) {
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
  }
  return label;
}

}  // namespace

ScanProgressDialog::ScanProgressDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
  setObjectName(QStringLiteral("frm_warten"));
  setWindowTitle(QStringLiteral("Bitte Warten"));

  activity_ =
      AddLabel(new QLabel(ResText(ResString::CollectingInformation), this), "lbl_was", true);
  activity_->setAlignment(Qt::AlignCenter);

  progress_ = new QProgressBar(this);
  progress_->setObjectName(QStringLiteral("ProgressBar1"));
  progress_->setAccessibleName(QStringLiteral("Fortschritt"));
  progress_->setTextVisible(false);
  progress_->setFixedHeight(16);

  count_ = AddLabel(new QLabel(this), "lbl_status", true);
  count_->setAlignment(Qt::AlignCenter);

  source_ = AddLabel(new ElidingLabel(this), "lbl_technologie", false);
  program_ = AddLabel(new ElidingLabel(this), "lbl_software", false);
  auto* details = new QVBoxLayout;
  details->setSpacing(2);
  details->addWidget(AddLabel(new QLabel(QStringLiteral("Technologie:"), this), "Label2", true));
  details->addWidget(source_);
  details->addSpacing(4);
  details->addWidget(AddLabel(new QLabel(QStringLiteral("Software:"), this), "Label3", true));
  details->addWidget(program_);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(activity_);
  layout->addSpacing(8);
  layout->addWidget(progress_);
  layout->addWidget(count_);
  layout->addSpacing(4);
  layout->addLayout(details);
  // As wide as the design at least, wider when a translation needs it.
  const QMargins margins = layout->contentsMargins();
  layout->addStrut(385 - margins.left() - margins.right());
  layout->setSizeConstraint(QLayout::SetFixedSize);
  TranslateWindow(*this);
}

void ScanProgressDialog::ShowReport(const ProgressReport& report) {
  activity_->setText(ResText(ResString::CollectingInformation));
  source_->setText(
      QString::fromUtf8(report.activity.data(), static_cast<qsizetype>(report.activity.size())));
  program_->setText(
      QString::fromUtf8(report.item.data(), static_cast<qsizetype>(report.item.size())));
  count_->setText(QString::fromStdString(
      Format(LoadResString(ResString::ScanProgress), report.position, report.total)));

  // The bar counts in int; a larger total is scaled down, keeping the proportion. A total of 0,
  // not known, turns the bar into a busy indicator.
  const std::int64_t total = std::max<std::int64_t>(report.total, 0);
  const std::int64_t scale = total / std::numeric_limits<int>::max() + 1;
  progress_->setRange(0, static_cast<int>(total / scale));
  progress_->setValue(
      static_cast<int>(std::clamp<std::int64_t>(report.position, 0, total) / scale));

  if (isVisible()) {
    raise();
  } else {
    show();
  }
}

}  // namespace lintrove::app
