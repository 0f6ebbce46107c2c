#include "app/about_box.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <QWindow>
#include <string>
#include <string_view>

#include "app/error_box.h"
#include "app/window_translation.h"
#include "base/application.h"
#include "base/resource_strings.h"
#include "platform/client_version.h"
#include "platform/shell.h"

// The resources of a static library are registered by hand: nothing else refers to them, so
// the linker would leave them out. Registering them again changes nothing.
static void RegisterLogoResource() { Q_INIT_RESOURCE(logo); }

namespace lintrove::app {
namespace {

constexpr int kLogoSize = 69;

QString FromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The build draws the logo at 1, 1.5, 2 and 3 times its size; the icon takes the drawing that
// fits the density best.
QPixmap RenderLogo(qreal devicePixelRatio) {
  RegisterLogoResource();
  QIcon logo;
  for (const int pixels : {69, 104, 138, 207}) {
    logo.addFile(QStringLiteral(":/images/logo-%1.png").arg(pixels));
  }
  return logo.pixmap(QSize(kLogoSize, kLogoSize), devicePixelRatio);
}

QString Credits() {
  const QString address = FromUtf8(ApplicationWebAddress);
  // Short lines: the box does not wrap them.
  return QStringLiteral(
             "<p><b>%1</b> ist ein Community-Projekt:<br>"
             "Benutzer melden die Versionen ihrer Programme,<br>"
             "und alle erfahren davon.</p>"
             "<p>Lintrove verwendet diese freien Bibliotheken:</p>"
             "<ul><li>Qt – Fenster und Bedienelemente</li>"
             "<li>pugixml – XML</li>"
             "<li>libcurl – HTTP</li>"
             "<li>ICU – Sprachen und Gebietsschemata</li>"
             "<li>nlohmann/json – JSON</li></ul>"
             "<p>Vielen Dank an ihre Autoren<br>und an alle, die Versionen melden.</p>"
             "<p><a href=\"https://%2\">%2</a></p>")
      .arg(FromUtf8(ApplicationTitle), address);
}

}  // namespace

AboutBox::AboutBox(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frm_about"));
  setWindowTitle(QStringLiteral("Über Lintrove"));

  logo_ = new QLabel(this);
  logo_->setObjectName(QStringLiteral("Image1"));
  logo_->setAccessibleName(QStringLiteral("Logo"));
  logo_->setFixedSize(kLogoSize, kLogoSize);
  DrawLogo();

  auto* title = new QLabel(FromUtf8(ApplicationTitle), this);
  title->setObjectName(QStringLiteral("Label1"));
  title->setAlignment(Qt::AlignCenter);
  QFont titleFont = title->font();
  titleFont.setPixelSize(21);
  title->setFont(titleFont);

  auto* version = new QLabel(QStringLiteral("Version: x.x.x.x"), this);
  version->setObjectName(QStringLiteral("lbl_version"));
  version->setAlignment(Qt::AlignCenter);
  version->setTextInteractionFlags(Qt::TextSelectableByMouse);

  auto* credits = new QTextBrowser(this);
  credits->setObjectName(QStringLiteral("RichEdit1"));
  credits->setAccessibleName(QStringLiteral("Danksagung"));
  credits->setLineWrapMode(QTextEdit::NoWrap);
  credits->setMinimumSize(410, 154);
  credits->setHtml(Credits());
  // Addresses open the way every other address of the client does, in the user's browser.
  credits->setOpenLinks(false);
  connect(credits, &QTextBrowser::anchorClicked, this, [this](const QUrl& link) {
    RunGuarded(this, [&] { platform::SystemShell().ShellOpen(link.toString().toStdString()); });
  });

  auto* heading = new QVBoxLayout;
  heading->addStretch(1);
  heading->addWidget(title);
  heading->addWidget(version);
  heading->addStretch(1);
  auto* top = new QHBoxLayout;
  top->addWidget(logo_, 0, Qt::AlignTop);
  top->addLayout(heading, 1);

  // The white page above, the usual face of a dialog below it with the button.
  auto* page = new QWidget(this);
  page->setAutoFillBackground(true);
  QPalette white = page->palette();
  white.setColor(QPalette::Window, Qt::white);
  page->setPalette(white);
  auto* pageLayout = new QVBoxLayout(page);
  pageLayout->addLayout(top);
  pageLayout->addWidget(credits, 1);

  auto* rule = new QFrame(this);
  rule->setFrameShape(QFrame::HLine);
  rule->setFrameShadow(QFrame::Sunken);

  auto* close = new QPushButton(QStringLiteral("&Schliessen"), this);
  close->setObjectName(QStringLiteral("Button1"));
  close->setDefault(true);
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  auto* buttons = new QHBoxLayout;
  buttons->setContentsMargins(11, 6, 11, 6);
  buttons->addStretch(1);
  buttons->addWidget(close);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(page, 1);
  layout->addWidget(rule);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  TranslateWindow(*this);
  version->setText(
      QString::fromStdString(LoadResString(ResString::AboutVersion) + ClientVersion()));
}

void AboutBox::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // The logo is drawn for the pixel density of the screen the box is on; it is drawn again when
  // the box moves to another.
  if (QWindow* window = windowHandle()) {
    connect(window, &QWindow::screenChanged, this, &AboutBox::DrawLogo, Qt::UniqueConnection);
  }
  DrawLogo();
}

void AboutBox::DrawLogo() { logo_->setPixmap(RenderLogo(devicePixelRatioF())); }

void ShowAboutBox(QWidget* parent) {
  AboutBox dialog(parent);
  dialog.exec();
}

}  // namespace lintrove::app
