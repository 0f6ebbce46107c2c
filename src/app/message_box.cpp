#include "app/message_box.h"

#include <utility>

#include "startup/startup.h"

namespace lintrove::app {
namespace {

std::optional<QMessageBox::StandardButton> nextAnswer;
std::optional<MessageBox::Shown> lastAnswered;

}  // namespace

bool MessageBox::AskYesNo(QWidget* parent, const QString& text) {
  return Show(parent, QMessageBox::Question, text, QMessageBox::Yes | QMessageBox::No) ==
         QMessageBox::Yes;
}

void MessageBox::ShowError(QWidget* parent, const QString& text) {
  Show(parent, QMessageBox::Critical, text, QMessageBox::Ok);
}

void MessageBox::SetNextAnswer(QMessageBox::StandardButton answer) { nextAnswer = answer; }

std::optional<MessageBox::Shown> MessageBox::TakeAnswered() {
  return std::exchange(lastAnswered, std::nullopt);
}

void MessageBox::ResetTestHook() {
  nextAnswer.reset();
  lastAnswered.reset();
}

QMessageBox::StandardButton MessageBox::Show(QWidget* parent, QMessageBox::Icon icon,
                                             const QString& text,
                                             QMessageBox::StandardButtons buttons) {
  const QString title = QString::fromUtf8(ApplicationTitle.data(), ApplicationTitle.size());
  if (nextAnswer) {
    lastAnswered = Shown{icon, title, text, buttons};
    return std::exchange(nextAnswer, std::nullopt).value();
  }
  QMessageBox box(icon, title, text, buttons, parent);
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

}  // namespace lintrove::app
