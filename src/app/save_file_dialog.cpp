#include "app/save_file_dialog.h"

#include <QFileDialog>
#include <utility>

namespace lintrove::app {
namespace {

std::optional<std::optional<SaveFileDialog::Answer>> nextAnswer;
std::optional<SaveFileDialog::Asked> lastAsked;

}  // namespace

std::optional<SaveFileDialog::Answer> SaveFileDialog::Ask(QWidget* parent, const QString& caption,
                                                          const QStringList& filters) {
  if (nextAnswer) {
    lastAsked = Asked{caption, filters};
    return std::exchange(nextAnswer, std::nullopt).value();
  }
  QString selected = filters.value(0);
  const QString file =
      QFileDialog::getSaveFileName(parent, caption, QString(), filters.join(";;"), &selected);
  if (file.isEmpty()) return std::nullopt;
  return Answer{file, static_cast<int>(std::max<qsizetype>(filters.indexOf(selected), 0))};
}

void SaveFileDialog::SetNextAnswer(std::optional<Answer> answer) { nextAnswer = std::move(answer); }

std::optional<SaveFileDialog::Asked> SaveFileDialog::TakeAsked() {
  return std::exchange(lastAsked, std::nullopt);
}

void SaveFileDialog::ResetTestHook() {
  nextAnswer.reset();
  lastAsked.reset();
}

}  // namespace lintrove::app
