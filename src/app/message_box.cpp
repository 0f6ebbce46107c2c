#include "app/message_box.h"

#include <QAbstractButton>
#include <utility>

#include "base/application.h"
#include "base/resource_strings.h"

namespace lintrove::app {
namespace {

std::optional<QMessageBox::StandardButton> nextAnswer;
std::optional<MessageBox::Shown> lastAnswered;

// The buttons speak the program's language, not the toolkit's, whose translations are not loaded.
QStringList LabelButtons(QMessageBox& box) {
  const std::pair<QMessageBox::StandardButton, int> labels[] = {
      {QMessageBox::Yes, ResString::ButtonYes},
      {QMessageBox::No, ResString::ButtonNo},
      {QMessageBox::Ok, ResString::ButtonOk},
  };
  QStringList texts;
  for (const auto& [button, text] : labels) {
    if (QAbstractButton* shown = box.button(button)) {
      shown->setText(QString::fromStdString(LoadResString(text)));
      texts << shown->text();
    }
  }
  return texts;
}

}  // namespace

bool MessageBox::AskYesNo(QWidget* parent, const QString& text) {
  return Show(parent, QMessageBox::Question, text, QMessageBox::Yes | QMessageBox::No) ==
         QMessageBox::Yes;
}

void MessageBox::ShowError(QWidget* parent, const QString& text) {
  Show(parent, QMessageBox::Critical, text, QMessageBox::Ok);
}

void MessageBox::ShowInformation(QWidget* parent, const QString& text) {
  Show(parent, QMessageBox::Information, text, QMessageBox::Ok);
}

void MessageBox::SetNextAnswer(QMessageBox::StandardButton answer) { nextAnswer = answer; }

std::optional<MessageBox::Shown> MessageBox::TakeAnswered() {
  return std::exchange(lastAnswered, std::nullopt);
}

void MessageBox::ResetTestHook() {
  nextAnswer.reset();
  lastAnswered.reset();
}

void MessageBox::Open(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                      QMessageBox::StandardButtons buttons,
                      std::function<void(QMessageBox::StandardButton)> answered) {
  const QString title = QString::fromUtf8(ApplicationTitle.data(), ApplicationTitle.size());
  auto* box = new QMessageBox(icon, title, text, buttons, parent);
  box->setAttribute(Qt::WA_DeleteOnClose);
  QStringList buttonTexts = LabelButtons(*box);
  if (nextAnswer) {
    lastAnswered = Shown{icon, title, text, buttons, std::move(buttonTexts)};
    delete box;
    answered(std::exchange(nextAnswer, std::nullopt).value());
    return;
  }
  QObject::connect(box, &QMessageBox::finished, box, [box, answered = std::move(answered)] {
    answered(box->standardButton(box->clickedButton()));
  });
  box->open();
}

QMessageBox::StandardButton MessageBox::Show(QWidget* parent, QMessageBox::Icon icon,
                                             const QString& text,
                                             QMessageBox::StandardButtons buttons) {
  const QString title = QString::fromUtf8(ApplicationTitle.data(), ApplicationTitle.size());
  QMessageBox box(icon, title, text, buttons, parent);
  QStringList buttonTexts = LabelButtons(box);
  if (nextAnswer) {
    lastAnswered = Shown{icon, title, text, buttons, std::move(buttonTexts)};
    return std::exchange(nextAnswer, std::nullopt).value();
  }
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

}  // namespace lintrove::app
