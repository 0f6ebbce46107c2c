#include "app/details_panel.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <functional>
#include <utility>

#include "app/app_texts.h"
#include "app/error_box.h"
#include "app/message_box.h"
#include "app/program_icon.h"
#include "app/service_page.h"
#include "base/format.h"
#include "base/resource_strings.h"
#include "flows/feedback_address.h"
#include "flows/homepage_address.h"
#include "flows/version_list_order.h"
#include "platform/locale.h"
#include "settings/client_settings.h"
#include "settings/system_settings.h"

namespace lintrove::app {
namespace {

QString Text(const std::string& text) { return QString::fromStdString(text); }

// A label that acts as a link: underlined in blue under a hand, reacting to a click and, once
// it has the focus, to Return or Space. A disabled one receives neither.
class LinkLabel final : public QLabel {
 public:
  LinkLabel(std::function<void()> activated, QWidget* parent)
      : QLabel(parent), activated_(std::move(activated)) {
    QFont underlined = font();
    underlined.setUnderline(true);
    setFont(underlined);
    QPalette blue = palette();
    blue.setColor(QPalette::Active, QPalette::WindowText, Qt::blue);
    blue.setColor(QPalette::Inactive, QPalette::WindowText, Qt::blue);
    setPalette(blue);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
  }

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
      activated_();
    }
  }
  void keyPressEvent(QKeyEvent* event) override {
    const int key = event->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) {
      activated_();
    } else {
      QLabel::keyPressEvent(event);
    }
  }

 private:
  std::function<void()> activated_;
};

// A label above a value: the value is shown as it is ("&" marks no accelerator) and gives way
// to the panel's width instead of widening it.
QLabel* AddValue(QVBoxLayout* layout, QWidget* parent, const char* captionName, const char* caption,
                 QLabel* value, const char* valueName) {
  auto* label = new QLabel(QString::fromUtf8(caption), parent);
  label->setObjectName(QLatin1String(captionName));
  value->setObjectName(QLatin1String(valueName));
  value->setTextFormat(Qt::PlainText);
  value->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  label->setBuddy(value);
  layout->addWidget(label);
  layout->addWidget(value);
  return value;
}

}  // namespace

DetailsPanel::DetailsPanel(const ClientSettings& client, const SystemSettings& system,
                           platform::Shell& shell, QWidget* parent)
    : QWidget(parent), client_(client), system_(system), shell_(shell) {
  setObjectName(QStringLiteral("pnl_details"));
  auto* top = new QVBoxLayout;
  top->setSpacing(2);

  icon_ = new QLabel(this);
  icon_->setObjectName(QStringLiteral("Image1"));
  icon_->setFixedSize(32, 32);
  top->addWidget(icon_);
  name_ = AddValue(top, this, "Label1", "Programmname:", new QLabel(this), "lbl_produkt");
  publisher_ = AddValue(top, this, "Label2", "Hersteller:", new QLabel(this), "lbl_hersteller");
  homepage_ = AddValue(
      top, this, "Label3",
      "Homepage:", new LinkLabel([this] { RunGuarded(this, [this] { OpenHomepage(); }); }, this),
      "lbl_homepage");
  version_ = AddValue(top, this, "Label4", "Version:", new QLabel(this), "lbl_version");

  uninstall_ = new QPushButton(QStringLiteral("Software deinstallieren"), this);
  uninstall_->setObjectName(QStringLiteral("btn_uninstall"));
  uninstall_->setMinimumSize(127, 25);
  connect(uninstall_, &QPushButton::clicked, this,
          [this] { RunGuarded(this, [this] { UninstallProgram(); }); });
  top->addSpacing(4);
  top->addWidget(uninstall_, 0, Qt::AlignLeft);

  versions_ = new QTreeWidget(this);
  versions_->setObjectName(QStringLiteral("vst_versionen"));
  versions_->setAccessibleName(QStringLiteral("Versionen"));
  versions_->setColumnCount(1);
  versions_->setHeaderLabels({QStringLiteral("Version")});
  versions_->header()->setStretchLastSection(true);
  versions_->setRootIsDecorated(false);
  versions_->setUniformRowHeights(true);
  auto* versionsPage = new QWidget(this);
  versionsPage->setObjectName(QStringLiteral("TabSheet1"));
  auto* versionsLayout = new QVBoxLayout(versionsPage);
  versionsLayout->setContentsMargins(0, 0, 0, 0);
  versionsLayout->addWidget(versions_);

  feedback_ = new ServicePage(QStringLiteral("TabSheet2"), this);
  pages_ = new QTabWidget(this);
  pages_->setObjectName(QStringLiteral("PageControl1"));
  pages_->addTab(versionsPage, QStringLiteral("Versionen"));
  pages_->addTab(feedback_, QStringLiteral("Feedback"));
  connect(pages_, &QTabWidget::currentChanged, this,
          [this] { RunGuarded(this, [this] { OpenPage(); }); });

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addLayout(top);
  layout->addWidget(pages_, 1);

  ClearDetails();
}

void DetailsPanel::ClearDetails() {
  verdict_ = nullptr;
  for (QLabel* value : {name_, publisher_, homepage_, version_}) value->clear();
  homepage_->setEnabled(false);
  uninstall_->setEnabled(false);
  versions_->clear();
  {
    // Back to the versions without loading a page.
    const QSignalBlocker quiet(pages_);
    pages_->setCurrentIndex(pages_->indexOf(versions_->parentWidget()));
    pages_->setTabVisible(pages_->indexOf(feedback_), false);
  }
  pages_->setEnabled(false);
  icon_->hide();
}

void DetailsPanel::ShowVerdict(const ProgramVerdict* verdict, const platform::MachineFiles& machine,
                               platform::Shell* programs) {
  ClearDetails();
  if (verdict == nullptr || verdict->program == nullptr) return;
  verdict_ = verdict;
  programs_ = programs != nullptr ? programs : &shell_;
  const Program& program = *verdict->program;

  name_->setText(Text(verdict->DisplayName()));
  // The inventory's publisher: the vendor the service names is not shown.
  publisher_->setText(Text(program.GetPublisher()));
  homepage_->setText(Text(verdict->Homepage()));
  // Shown as it is, but a link only to a web page.
  homepage_->setEnabled(HomepageAddress(verdict->Homepage()).has_value());
  version_->setText(Text(program.GetVersion()));
  if (version_->text().isEmpty()) version_->setText(ResText(ResString::NoVersionInfo));
  icon_->setPixmap(ProgramIconOf(program, machine).pixmap(icon_->size(), devicePixelRatioF()));
  icon_->show();
  uninstall_->setEnabled(true);
  FillVersions(verdict->versions);
  pages_->setEnabled(true);
  pages_->setTabVisible(pages_->indexOf(feedback_), OffersFeedbackPage(*verdict));
}

void DetailsPanel::FillVersions(const VersionList& versions) {
  const bool repainting = versions_->updatesEnabled();
  versions_->setUpdatesEnabled(false);
  QList<QTreeWidgetItem*> items;
  for (const OfferedVersion* version : VersionsInListOrder(versions)) {
    items << new QTreeWidgetItem(QStringList{Text(version->str_versionsname)});
  }
  versions_->addTopLevelItems(items);
  versions_->setUpdatesEnabled(repainting);
}

void DetailsPanel::OpenPage() {
  if (pages_->currentWidget() != feedback_ || verdict_ == nullptr) return;
  const std::optional<std::string> address =
      FeedbackPageAddress(*verdict_, {.ssl = client_.bol_ssl,
                                      .service_url = system_.StrFeedBackServiceUrl,
                                      .client_guid = client_.ClientGuid,
                                      .lcid = platform::UserDefaultLcid()});
  if (address) feedback_->Open(QUrl::fromEncoded(QByteArray::fromStdString(*address)));
}

void DetailsPanel::OpenHomepage() {
  if (const auto address = HomepageAddress(homepage_->text().toStdString())) {
    shell_.ShellOpen(*address);
  }
}

void DetailsPanel::UninstallProgram() {
  if (!MessageBox::AskYesNo(this, ResText(ResString::UninstallQuestion))) return;
  if (verdict_ == nullptr) return;
  // The uninstaller runs on its own: the list keeps the program until the next scan.
  if (!verdict_->program->Uninstall(*programs_)) {
    MessageBox::ShowError(this, Text(Format(LoadResString(ResString::UninstallerNotStarted),
                                            verdict_->DisplayName())));
  }
}

}  // namespace lintrove::app
